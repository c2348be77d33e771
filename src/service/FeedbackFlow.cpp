#include "service/FeedbackFlow.h"

#include <cstdint>

#include "platform/FixedText.h"
#include "platform/Log.h"
#include "service/ServiceCipher.h"
#include "service/ServiceRequest.h"
#include "service/StatusWord.h"
#include "text/Translation.h"

namespace nimbrel {
namespace {

// Length of the UTF-8 sequence at `text[i]` and its code point; 0 when it is malformed
// (bad lead or continuation byte, overlong form, surrogate, beyond U+10FFFF, cut short).
std::size_t Utf8Sequence(std::string_view text, std::size_t i, uint32_t& cp) {
    const auto byte = [&](std::size_t k) { return static_cast<uint8_t>(text[k]); };
    const uint8_t lead = byte(i);
    std::size_t len;
    uint32_t min;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        len = 2, cp = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        len = 3, cp = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        len = 4, cp = lead & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - i < len) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

}  // namespace

FeedbackFlow::FeedbackFlow(const GlobalSettings& g, const AppRecord& app, UserNotifier& notifier,
                           HttpOptions http)
    : g_(g), app_(app), notifier_(notifier), http_(http) {}

FeedbackFlow::~FeedbackFlow() {
    worker_.CancelAndWait();  // the worker reads this flow
}

std::optional<std::string> FeedbackFlow::EncodeMessage(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    std::size_t units = 0, bytes = 0;
    bool keep = true;
    const auto append = [&](uint8_t b) {
        encoded += '%';
        encoded += kHex[b >> 4];
        encoded += kHex[b & 0x0F];
    };
    for (std::size_t i = 0; i < text.size();) {
        uint32_t cp = 0;
        std::size_t len = Utf8Sequence(text, i, cp);
        if (len == 0) return std::nullopt;
        // A line break goes out as CR LF, as the text box holds it: a lone LF gains its CR, a
        // CR LF stays one break. A break counts two units and two bytes and is kept or dropped
        // whole.
        const bool lineBreak = cp == '\n' || (cp == '\r' && text.substr(i + 1, 1) == "\n");
        if (cp == '\r' && lineBreak) len = 2;
        const std::size_t sentBytes = lineBreak ? 2 : len;
        // Characters beyond the box's 299 units or the 260 bytes are dropped whole (never half
        // a character); the rest is still checked, so that a bad tail is refused like a bad head.
        units += lineBreak || cp >= 0x10000 ? 2 : 1;
        keep = keep && units <= kMaxTextUnits && bytes + sentBytes <= kMaxUtf8Bytes;
        if (keep) {
            if (lineBreak) {
                append('\r');
                append('\n');
            } else {
                for (std::size_t k = 0; k < len; ++k) append(static_cast<uint8_t>(text[i + k]));
            }
            bytes += sentBytes;
        }
        i += len;
    }
    return encoded;
}

UserMessage FeedbackFlow::MessageFor(FeedbackOutcome outcome) {
    switch (outcome) {
        case FeedbackOutcome::Sent:
            return {NIMBREL_TR_NOOP("Core", "Сообщение отправлено успешно"), kCaption};
        case FeedbackOutcome::Failed:
            return {NIMBREL_TR_NOOP("Core", "Не удалось отправить сообщение"), kCaption};
        case FeedbackOutcome::Empty:
        case FeedbackOutcome::InvalidText:
            break;
    }
    return {};
}

FeedbackOutcome FeedbackFlow::Request(const std::string& encoded, const HttpOptions& http) const {
    const std::string user(GetText(app_.m_UserName));
    std::string payload =
        "uid:" + user + "&appAdvise:" + encoded + "&token:" + HmacSha1Hex(g_, user);
    NLOG_DEBUG("Feedback::Send " << encoded.size() / 3 << " bytes");
    const auto reply =
        SendTokenSigned(g_, ServiceOp::SaveAdvise, std::move(payload), kReply64K, http);
    if (reply && StatusIs(ReplyStatus(*reply), kStatusOk)) return FeedbackOutcome::Sent;
    return FeedbackOutcome::Failed;
}

FeedbackOutcome FeedbackFlow::Send(std::string_view text) {
    if (text.empty()) return FeedbackOutcome::Empty;
    const auto encoded = EncodeMessage(text);
    if (!encoded) return FeedbackOutcome::InvalidText;
    return Request(*encoded, http_);
}

FeedbackFlow::StartResult FeedbackFlow::StartSend(std::string_view text) {
    if (text.empty()) {
        notifier_.ShowTip(kEmptyHint, kEmptyHintMs);
        return StartResult::Empty;
    }
    auto encoded = EncodeMessage(text);
    if (!encoded) return StartResult::Invalid;
    HttpOptions http = http_;
    http.cancel = &worker_.CancelFlag();
    const bool started = worker_.Start<FeedbackOutcome>(
        [this, encoded = std::move(*encoded), http] { return Request(encoded, http); },
        [this](FeedbackOutcome& outcome) {
            std::lock_guard guard(lock_);
            if (listener_) listener_(outcome);
            MessageFor(outcome).ShowIn(notifier_);
        });
    return started ? StartResult::Started : StartResult::Busy;
}

void FeedbackFlow::SetListener(Listener listener) {
    std::lock_guard guard(lock_);
    listener_ = std::move(listener);
}

void FeedbackFlow::Close() {
    // Not under the flow's lock: cancelling waits out a delivery, which takes that lock.
    worker_.Cancel();
}

}  // namespace nimbrel
