#include "CliContext.h"

#include <iostream>

#include "ExitCode.h"
#include "platform/FixedText.h"
#include "service/ReadLocalAdapter.h"
#include "service/SecurityHandshake.h"
#include "service/ServiceAddress.h"
#include "text/JsonText.h"
#include "text/ShownText.h"

namespace nimbrel::cli {

int CliContext::PrepareIdentity() {
    if (!ApplyServiceUrl(g, service))
        return Fail(kExitUsage, "BADURL", "Неверный адрес сервиса: " + service);
    if (!ReadLocalAdapter(g, adapter)) return Fail(kExitNoAdapter, "NOADAPTER", kAdapterMessage);
    return kExitOk;
}

int CliContext::PrepareService() {
    if (const int rc = PrepareIdentity(); rc != kExitOk) return rc;
    HandshakeOptions options;
    options.startUpdater = false;
    switch (SecurityHandshake(g, app, notifier, options)) {
        case HandshakeResult::Ok:
            return kExitOk;
        case HandshakeResult::UpdateRequired:
        case HandshakeResult::UpdateStarted:
            return Fail(kExitUpdateRequired, "UPATE", "检测到系统有重要更新，请下载更新！");
        case HandshakeResult::Failed:
            break;
    }
    return Fail(kExitHandshake, "FAILED", kAdapterMessage);
}

void CliContext::Print(Json::Value fields, const std::string& status,
                       const std::string& text) const {
    if (json) {
        if (!fields.isMember("status")) fields["status"] = ShownText(status);
        std::cout << CompactJson(fields) << std::flush;
    } else {
        std::cout << text << std::endl;
    }
}

int CliContext::Fail(int exitCode, const std::string& status, const std::string& message,
                     Json::Value fields) const {
    // The status may be the service's word: shown bounded.
    fields["status"] = ShownText(status);
    fields["message"] = message;
    if (json)
        std::cout << CompactJson(fields) << std::flush;
    else if (!message.empty())
        std::cerr << message << std::endl;
    return exitCode;
}

}  // namespace nimbrel::cli
