// The index request: playBack.do asks the service which hours the camera's card holds. The reply's
// status word decides between a message (offline, no recordings, no card), a silent end (an
// error, a failed request, a body that does not open) and the index read from its day list.
// Threading: LoadRecordIndex blocks its caller (a worker thread) for the request's duration.
#pragma once

#include <json/value.h>

#include <memory>
#include <string>
#include <string_view>

#include "playback/RecordIndex.h"
#include "service/AppRecord.h"
#include "service/GlobalSettings.h"
#include "service/HttpTransport.h"

namespace nimbrel {

struct IndexReply {
    enum class Outcome {
        Silent,   // nothing is shown: the request failed, the service said ERROR, or the body
                  // could not be read; the window keeps its loading title
        Message,  // the service's answer is shown as `message`
        Loaded,   // `index` holds what the card has (possibly nothing)
    };
    Outcome outcome = Outcome::Silent;
    std::string status;                        // the reply's status word, empty when none was read
    const char* message = nullptr;             // for Outcome::Message
    std::shared_ptr<const RecordIndex> index;  // for Outcome::Loaded
};

// The payload "uid:..&sid:..&mac:..&exp:..&mod:..&token:.." of the request.
std::string RecordIndexPayload(const GlobalSettings& g, const AppRecord& app, std::string_view sid);

// Sends playBack.do for camera `sid` and reads the answer.
IndexReply LoadRecordIndex(const GlobalSettings& g, const AppRecord& app, std::string_view sid,
                           const HttpOptions& http = {});

// Reads the opened body of a reply ({"playBack":{"videoDaylist":"..."}}); nothing when it does
// not have that shape.
std::shared_ptr<const RecordIndex> ReadIndexBody(const Json::Value& body);

}  // namespace nimbrel
