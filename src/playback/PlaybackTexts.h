// The texts the playback window shows: its captions, the messages of the index request and of
// the start checks, and the transport buttons' tool tips.
// Threading: constants.
#pragma once

#include "text/Translation.h"

namespace nimbrel::playback_text {

inline constexpr const char* kCaption = NIMBREL_TR_NOOP("Core", "подсказки");
inline constexpr const char* kLoadingTitle = NIMBREL_TR_NOOP("Core", " Загрузка видеоархива...");

inline constexpr const char* kOffline = NIMBREL_TR_NOOP("Core", "Устройство не в сети");
inline constexpr const char* kNoList =
    NIMBREL_TR_NOOP("Core", "Устройство не имеет видео для воспроизведения");
inline constexpr const char* kNoCard = NIMBREL_TR_NOOP("Core", "Отсутствует карта памяти");

inline constexpr const char* kChooseYear = NIMBREL_TR_NOOP("Core", "Пожалуйста, выберите год");
inline constexpr const char* kChooseMonth = NIMBREL_TR_NOOP("Core", "Пожалуйста, выберите месяц");
inline constexpr const char* kChooseDay = NIMBREL_TR_NOOP("Core", "Пожалуйста, выберите день");
inline constexpr const char* kChooseHour = NIMBREL_TR_NOOP("Core", "Пожалуйста, выберите час");

inline constexpr const char* kPlaybackFailed =
    NIMBREL_TR_NOOP("Core", "Воспроизведение не удалось");

inline constexpr const char* kYearCaption = NIMBREL_TR_NOOP("Core", "Год");
inline constexpr const char* kMonthCaption = NIMBREL_TR_NOOP("Core", "Месяц");
inline constexpr const char* kDayCaption = NIMBREL_TR_NOOP("Core", "День");
inline constexpr const char* kHourCaption = NIMBREL_TR_NOOP("Core", "Час");
inline constexpr const char* kZeroTime = "00:00:00";

inline constexpr const char* kTipRewind = NIMBREL_TR_NOOP("Core", "Перемотка");
inline constexpr const char* kTipPause = NIMBREL_TR_NOOP("Core", "Пауза");
inline constexpr const char* kTipForward = NIMBREL_TR_NOOP("Core", "Быстрее");
inline constexpr const char* kTipResume = NIMBREL_TR_NOOP("Core", "Продолжить воспроизведение");

}  // namespace nimbrel::playback_text
