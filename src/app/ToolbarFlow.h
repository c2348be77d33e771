// The main window's toolbar without its window: which of each stack of buttons shows, the checks
// every action makes on the selected camera (with the hint it shows when one fails), and the
// state the stacks take for a newly selected camera.
// Threading: the UI thread.
#pragma once

#include <string>

#include "platform/UserNotifier.h"
#include "service/AppRecord.h"
#include "text/Translation.h"

namespace nimbrel {

class CCamera;

namespace toolbar_text {
inline constexpr const char* kCaption = NIMBREL_TR_NOOP("Core", "подсказки");
inline constexpr const char* kSelectPane =
    NIMBREL_TR_NOOP("Core", "Пожалуйста, выберите окно воспроизведения видео");
inline constexpr const char* kSnapshotFolder =
    NIMBREL_TR_NOOP("Core", "Выберите папку, куда сохранить скриншот");
inline constexpr const char* kSelectToStop =
    NIMBREL_TR_NOOP("Core", "Пожалуйста, выберите закрыл видео");
inline constexpr const char* kSelectToTalk =
    NIMBREL_TR_NOOP("Core", "Пожалуйста, выберите окно для беседы");
inline constexpr const char* kTalkNotSupported = NIMBREL_TR_NOOP("Core", "Z系列不支持该功能");
inline constexpr const char* kVideoFolder =
    NIMBREL_TR_NOOP("Core", "Пожалуйста, выберите папку для сохранения видеофайлов");
inline constexpr const char* kSelectToRecord =
    NIMBREL_TR_NOOP("Core", "Пожалуйста, выберите устройство, чтобы открыть видео");
inline constexpr const char* kSelectDevice =
    NIMBREL_TR_NOOP("Core", "Пожалуйста, выберите устройство");
inline constexpr const char* kNotWorking = NIMBREL_TR_NOOP("Core", "Устройство не работает");
inline constexpr const char* kNoAlarm =
    NIMBREL_TR_NOOP("Core", "Данное устройство не поддерживает функцию “Сигнал тревоги”");
}  // namespace toolbar_text

inline constexpr int kSelectionHintMs = 1300;
inline constexpr int kFolderHintMs = 2000;

// What a refused action shows: nothing, a fading notice, or a message box.
struct ToolbarHint {
    enum class Kind { None, Tip, Message };
    Kind kind = Kind::None;
    std::string text;
    int durationMs = 0;
    UserNotifier::Icon icon = UserNotifier::Icon::None;

    bool Refused() const { return kind != Kind::None; }
    void ShowIn(UserNotifier& notifier) const;
};

// The checks of a toolbar button before it acts on `selected` (null: no pane is selected).
// Buttons without checks always pass.
ToolbarHint CheckToolbarAction(int id, const CCamera* selected, const AppRecord& app);

// What the stacked buttons show for a camera.
struct CameraToolbarState {
    std::string deviceType;
    bool audioPlaying = false;  // its device audio plays
    bool talking = false;       // it receives talk
    bool recording = false;     // m_bRecord
    int bitRate = -1;
};

// The four stacks (device audio, talk, recording, bit rate): the id of the visible button of
// each, and whether the audio and talk buttons wear their fixed single picture.
class ToolbarFlow {
  public:
    // The start: 1009, 1010, 1136 and 1212.
    void Reset();
    // The stacks follow the camera just selected (the "z2" devices show 1193 and 1011 with one
    // picture for every state; a bit rate outside the three choices keeps the rate button).
    void FollowCamera(const CameraToolbarState& camera);

    // Switching one stack to `id` (one of its buttons); false for an id of no stack.
    bool Show(int id);
    bool IsVisible(int id) const;

    int Audio() const { return audio_; }
    int Talk() const { return talk_; }
    int Record() const { return record_; }
    int BitRate() const { return bitRate_; }
    bool FixedAudioTalkPictures() const { return fixedPictures_; }

    // The rate button that stands for bits per second `bitRate`, 0 for another value.
    static int BitRateButton(int bitRate);
    // Of the three rates, the one nearest to what a camera announced (it may send any value);
    // 0 when it announced none.
    static int NearestBitRate(int announced);
    // The bit-rate menu command for a rate button, and the rate it asks for.
    static int BitRateOfCommand(int command);

  private:
    int audio_ = 1009;
    int talk_ = 1010;
    int record_ = 1136;
    int bitRate_ = 1212;
    bool fixedPictures_ = false;
};

}  // namespace nimbrel
