#include "app/ToolbarFlow.h"

#include <cstdlib>

#include "app/MainControls.h"
#include "live/CCamera.h"
#include "platform/FixedText.h"

namespace nimbrel {
namespace {

ToolbarHint Tip(const char* text, int ms) {
    return {ToolbarHint::Kind::Tip, text, ms, UserNotifier::Icon::None};
}
ToolbarHint Message(const char* text, UserNotifier::Icon icon) {
    return {ToolbarHint::Kind::Message, text, 0, icon};
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

void ToolbarHint::ShowIn(UserNotifier& notifier) const {
    switch (kind) {
        case Kind::None:
            break;
        case Kind::Tip:
            notifier.ShowTip(text, durationMs);
            break;
        case Kind::Message:
            notifier.MessageBox(text, toolbar_text::kCaption, icon);
            break;
    }
}

ToolbarHint CheckToolbarAction(int id, const CCamera* selected, const AppRecord& app) {
    using namespace toolbar_text;
    switch (id) {
        case kBtnSnapshot:
            if (app.ImagePath.empty()) return Tip(kSnapshotFolder, kFolderHintMs);
            if (!selected) return Tip(kSelectPane, kSelectionHintMs);
            return {};
        case kBtnStop:
            if (!selected) return Message(kSelectToStop, UserNotifier::Icon::Information);
            return {};
        case kBtnAudioOn:
            if (!selected) return Tip(kSelectToTalk, kSelectionHintMs);
            return {};
        case kBtnTalkOn:
            if (!selected) return Tip(kSelectToTalk, kSelectionHintMs);
            if (StartsWith(GetText(selected->type), "z"))
                return Message(kTalkNotSupported, UserNotifier::Icon::None);
            return {};
        case kBtnRecordOn:
            if (app.VideoPath.empty()) return Tip(kVideoFolder, kFolderHintMs);
            if (!selected) return Tip(kSelectToRecord, kSelectionHintMs);
            return {};
        case kBtnBitRateLow:
        case kBtnBitRateStandard:
        case kBtnBitRateHigh:
            if (!selected) return Tip(kSelectDevice, kSelectionHintMs);
            if (selected->status != 1 || selected->m_nStatus != kStatusPlaying)
                return Tip(kNotWorking, kSelectionHintMs);
            return {};
        case kBtnRotate:
            if (!selected) return Tip(kSelectDevice, kSelectionHintMs);
            return {};
        case kBtnAlarm:
            if (!selected) return Tip(kSelectDevice, kSelectionHintMs);
            if (selected->showAlarm != 1) return Tip(kNoAlarm, kSelectionHintMs);
            return {};
        default:
            return {};
    }
}

void ToolbarFlow::Reset() {
    audio_ = kBtnAudioOn;
    talk_ = kBtnTalkOn;
    record_ = kBtnRecordOn;
    bitRate_ = kBtnBitRateLow;
    fixedPictures_ = false;
}

void ToolbarFlow::FollowCamera(const CameraToolbarState& camera) {
    if (StartsWith(camera.deviceType, "z2")) {
        audio_ = kBtnAudioOff;
        talk_ = kBtnTalkOff;
        fixedPictures_ = true;
    } else {
        audio_ = camera.audioPlaying ? kBtnAudioOff : kBtnAudioOn;
        talk_ = camera.talking ? kBtnTalkOff : kBtnTalkOn;
        fixedPictures_ = false;
    }
    record_ = camera.recording ? kBtnRecordOff : kBtnRecordOn;
    if (const int rate = BitRateButton(camera.bitRate)) bitRate_ = rate;
}

bool ToolbarFlow::Show(int id) {
    switch (id) {
        case kBtnAudioOn:
        case kBtnAudioOff:
            audio_ = id;
            return true;
        case kBtnTalkOn:
        case kBtnTalkOff:
            talk_ = id;
            return true;
        case kBtnRecordOn:
        case kBtnRecordOff:
            record_ = id;
            return true;
        case kBtnBitRateLow:
        case kBtnBitRateStandard:
        case kBtnBitRateHigh:
            bitRate_ = id;
            return true;
        default:
            return false;
    }
}

bool ToolbarFlow::IsVisible(int id) const {
    switch (id) {
        case kBtnAudioOn:
        case kBtnAudioOff:
            return audio_ == id;
        case kBtnTalkOn:
        case kBtnTalkOff:
            return talk_ == id;
        case kBtnRecordOn:
        case kBtnRecordOff:
            return record_ == id;
        case kBtnBitRateLow:
        case kBtnBitRateStandard:
        case kBtnBitRateHigh:
            return bitRate_ == id;
        default:
            return ToolbarColumn(id) >= 0;
    }
}

int ToolbarFlow::BitRateButton(int bitRate) {
    switch (bitRate) {
        case 88000:
            return kBtnBitRateLow;
        case 480000:
            return kBtnBitRateStandard;
        case 1200000:
            return kBtnBitRateHigh;
        default:
            return 0;
    }
}

int ToolbarFlow::NearestBitRate(int announced) {
    if (announced <= 0) return 0;
    int nearest = 0;
    for (const int rate : {88000, 480000, 1200000})
        if (nearest == 0 || std::abs(rate - announced) < std::abs(nearest - announced))
            nearest = rate;
    return nearest;
}

int ToolbarFlow::BitRateOfCommand(int command) {
    switch (command) {
        case kCmdBitRateLow:
            return 88000;
        case kCmdBitRateStandard:
            return 480000;
        case kCmdBitRateHigh:
            return 1200000;
        default:
            return 0;
    }
}

}  // namespace nimbrel
