#include "VersionOperations.h"

#include <cstdio>

#include "ServiceRouter.h"
#include "ServiceSigning.h"

namespace nimbrel::sim {
namespace {

using R = Result<ServiceReply>;

// "major.minor" with plain decimal numbers.
bool ParseVersion(const std::string& text, int& major, int& minor) {
    const std::size_t dot = text.find('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == text.size() || dot > 5 ||
        text.size() - dot - 1 > 5)
        return false;
    const std::string a = text.substr(0, dot), b = text.substr(dot + 1);
    if (a.find_first_not_of("0123456789") != std::string::npos ||
        b.find_first_not_of("0123456789") != std::string::npos)
        return false;
    major = std::stoi(a);
    minor = std::stoi(b);
    return true;
}

}  // namespace

void VersionOperations::Register(ServiceRouter& router) {
    router.Add("checkVersion.do", WrapKind::HandshakeStyle, {"client", "version", "token"},
               [this](const DecodedRequest& r) { return Check(r); });
    router.Add("saveAdvise.do", WrapKind::TokenSigned, {"uid", "appAdvise", "token"},
               [this](const DecodedRequest& r) { return Advise(r); });
}

Result<ServiceReply> VersionOperations::Check(const DecodedRequest& request) {
    const PayloadPairs& p = request.payload;
    if (p.Get("token") != SignHex(p.Get("client") + p.Get("version")))
        return R::Ok(ServiceReply::Status("ERROR", "token does not sign client+version"));
    int major = 0, minor = 0, newestMajor = 0, newestMinor = 0;
    if (!ParseVersion(p.Get("version"), major, minor))
        return R::Ok(ServiceReply::Status("ERROR", "version is not major.minor"));
    ParseVersion(newest_.newest, newestMajor, newestMinor);
    const bool newer = newestMajor > major || (newestMajor == major && newestMinor > minor);
    if (!newer) return R::Ok(ServiceReply::Status("OK"));
    ServiceReply reply = ServiceReply::Status("UPDATE");
    reply.body.Set("version", OrderedJson::Object()
                                  .Set("resourceUrl", newest_.resourceUrl)
                                  .Set("updateStatus", newest_.updateStatus));
    return R::Ok(std::move(reply));
}

Result<ServiceReply> VersionOperations::Advise(const DecodedRequest& request) {
    const PayloadPairs& p = request.payload;
    const std::string uid = p.Get("uid");
    if (p.Get("token") != SignHex(uid))
        return R::Ok(ServiceReply::Status("ERROR", "token does not sign uid"));
    if (!book_.HasAccount(uid)) return R::Ok(ServiceReply::Status("NOUSR"));
    std::string text;
    if (!DecodeAllPercent(p.Get("appAdvise"), text))
        return R::Ok(ServiceReply::Status("ERROR", "appAdvise is not %XX for every byte"));
    book_.SaveAdvice(uid, text);
    ServiceReply reply = ServiceReply::Status("OK");
    reply.decoded.emplace_back("appAdvise", text);
    return R::Ok(std::move(reply));
}

}  // namespace nimbrel::sim
