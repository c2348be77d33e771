// The texts the playback window shows: its captions, the messages of the index request and of
// the start checks, and the transport buttons' tool tips.
// Threading: constants.
#pragma once

namespace nimbrel::playback_text {

inline constexpr const char* kCaption = "подсказки";
inline constexpr const char* kLoadingTitle = " Загрузка видеоархива...";

inline constexpr const char* kOffline = "Устройство не в сети";
inline constexpr const char* kNoList = "Устройство не имеет видео для воспроизведения";
inline constexpr const char* kNoCard = "Отсутствует карта памяти";

inline constexpr const char* kChooseYear = "Пожалуйста, выберите год";
inline constexpr const char* kChooseMonth = "Пожалуйста, выберите месяц";
inline constexpr const char* kChooseDay = "Пожалуйста, выберите день";
inline constexpr const char* kChooseHour = "Пожалуйста, выберите час";

inline constexpr const char* kPlaybackFailed = "Воспроизведение не удалось";

inline constexpr const char* kYearCaption = "Год";
inline constexpr const char* kMonthCaption = "Месяц";
inline constexpr const char* kDayCaption = "День";
inline constexpr const char* kHourCaption = "Час";
inline constexpr const char* kZeroTime = "00:00:00";

inline constexpr const char* kTipRewind = "Перемотка";
inline constexpr const char* kTipPause = "Пауза";
inline constexpr const char* kTipForward = "Быстрее";
inline constexpr const char* kTipResume = "Продолжить воспроизведение";

}  // namespace nimbrel::playback_text
