#include "service/ServiceAddress.h"

#include <charconv>

#include "platform/FixedText.h"

namespace nimbrel {

bool ApplyServiceUrl(GlobalSettings& g, std::string_view url) {
    const auto sep = url.find("://");
    if (sep == std::string_view::npos || sep == 0) return false;
    const std::string_view scheme = url.substr(0, sep);
    std::string_view rest = url.substr(sep + 3);
    if (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
    if (rest.find('/') != std::string_view::npos) return false;

    std::string_view host = rest;
    int port = scheme == "https" ? 443 : 80;
    if (const auto colon = rest.rfind(':'); colon != std::string_view::npos) {
        host = rest.substr(0, colon);
        const std::string_view digits = rest.substr(colon + 1);
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
        if (ec != std::errc{} || end != digits.data() + digits.size()) return false;
    }
    if (host.empty() || host.size() >= sizeof g.m_Host || scheme.size() >= sizeof g.m_Scheme)
        return false;
    if (port < 1 || port > 65535) return false;
    SetText(g.m_Scheme, scheme);
    SetText(g.m_Host, host);
    g.m_Port = static_cast<uint16_t>(port);
    return true;
}

}  // namespace nimbrel
