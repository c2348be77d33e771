#include "playback/RecordIndexRequest.h"

#include "platform/FixedText.h"
#include "platform/Log.h"
#include "playback/PlaybackTexts.h"
#include "service/ServiceRequest.h"
#include "service/StatusWord.h"
#include "text/JsonText.h"

namespace nimbrel {
namespace {

// The room for the opened body of the reply; a longer body is refused by OpenSealed.
constexpr std::size_t kBodyCapacity = 8192;

}  // namespace

std::string RecordIndexPayload(const GlobalSettings& g, const AppRecord& app,
                               std::string_view sid) {
    std::string p = "uid:" + std::string(GetText(app.m_UserName));
    p.append("&sid:").append(sid);
    p.append("&mac:").append(GetText(g.m_Mac));
    p.append("&exp:").append(GetText(g.m_RsaExp));
    p.append("&mod:").append(GetText(g.m_RsaMod));
    p.append("&token:").append(g.SessionText(g.m_Token));
    return p;
}

std::shared_ptr<const RecordIndex> ReadIndexBody(const Json::Value& body) {
    const Json::Value& playBack = body["playBack"];
    if (!playBack.isObject()) return nullptr;
    const auto list = StringMember(playBack, "videoDaylist");
    if (!list) return nullptr;
    return std::make_shared<const RecordIndex>(RecordIndex::FromDayList(*list));
}

IndexReply LoadRecordIndex(const GlobalSettings& g, const AppRecord& app, std::string_view sid,
                           const HttpOptions& http) {
    IndexReply result;
    const auto reply =
        SendSealed(g, ServiceOp::PlayBack, RecordIndexPayload(g, app, sid), kReply256K, http);
    if (!reply) return result;
    result.status = ReplyStatus(*reply);
    if (StatusIs(result.status, kStatusError)) return result;
    if (StatusIs(result.status, kStatusOffline))
        result.message = playback_text::kOffline;
    else if (StatusIs(result.status, kStatusNoList))
        result.message = playback_text::kNoList;
    else if (StatusIs(result.status, kStatusNoSdCard))
        result.message = playback_text::kNoCard;
    if (result.message) {
        result.outcome = IndexReply::Outcome::Message;
        return result;
    }
    const auto body = OpenSealedReply(*reply, kBodyCapacity);
    result.index = body ? ReadIndexBody(*body) : nullptr;
    if (!result.index) {
        NLOG_DEBUG("LoadRecordIndex: the reply's body is not a day list");
        return result;
    }
    result.outcome = IndexReply::Outcome::Loaded;
    return result;
}

}  // namespace nimbrel
