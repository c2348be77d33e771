// The settings dialog without its window: what the controls of its two pages show when it opens
// (read afresh from the account file and the autostart entry), the save of both pages into
// "config1" with the application record and autostart following, the automatic folders, the
// folders the open buttons make, and the dialog's texts and control numbers.
// Threading: the UI thread (it changes the application record).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "service/AccountFile.h"
#include "service/AppRecord.h"
#include "settings/InterfaceLanguage.h"
#include "settings/SettingKeys.h"
#include "text/Translation.h"

namespace nimbrel {

namespace settings_text {
inline constexpr const char* kCaption = NIMBREL_TR_NOOP("Core", "подсказки");
inline constexpr const char* kTitle = NIMBREL_TR_NOOP("Core", "Настройки системы");
inline constexpr const char* kVideoLabel = NIMBREL_TR_NOOP("Core", "Сохранять видеоархив");
inline constexpr const char* kImageLabel = NIMBREL_TR_NOOP("Core", "Сохранять скриншоты");
inline constexpr const char* kAutomaticFolder = NIMBREL_TR_NOOP("Core", "Выбирать автоматически");
inline constexpr const char* kFileLengthLabel =
    NIMBREL_TR_NOOP("Core", "Максимальная длина видеофайла");
inline constexpr const char* kMinutes = NIMBREL_TR_NOOP("Core", "Минут");
inline constexpr const char* kCloseLabel = NIMBREL_TR_NOOP("Core", "Нажать кнопку закрыть");
inline constexpr const char* kMinimise = NIMBREL_TR_NOOP("Core", "Свернуть");
inline constexpr const char* kQuit = NIMBREL_TR_NOOP("Core", "Выйти");
inline constexpr const char* kShowClose =
    NIMBREL_TR_NOOP("Core", "При появлении запроса Отключить");
inline constexpr const char* kAutoLogin = NIMBREL_TR_NOOP("Core", "Автоматически");
inline constexpr const char* kAutoPlay = NIMBREL_TR_NOOP("Core", "Открыть все устройства");
inline constexpr const char* kAutostart = NIMBREL_TR_NOOP("Core", "Запустить");
inline constexpr const char* kNoticesLabel = NIMBREL_TR_NOOP("Core", "Уведомления");
inline constexpr const char* kDesktopNotices = NIMBREL_TR_NOOP(
    "Core", "Сообщать о сбоях, пока окно скрыто");
inline constexpr const char* kUpdateGroup = NIMBREL_TR_NOOP("Core", "Обновление системы");
inline constexpr const char* kUpdateAutomatic =
    NIMBREL_TR_NOOP("Core", "Автоматическое обновление (рекомендуется)");
inline constexpr const char* kUpdateNotify =
    NIMBREL_TR_NOOP("Core", "Не обновлять автоматически, уведомить об обновлении");
inline constexpr const char* kUpdateOff =
    NIMBREL_TR_NOOP("Core", "Отключить автоматическое обновление (не рекомендуется)");
inline constexpr const char* kPasswordGroup = NIMBREL_TR_NOOP("Core", "Изменить пароль");
inline constexpr const char* kLanguageLabel = NIMBREL_TR_NOOP("Core", "Язык интерфейса");
inline constexpr const char* kRussian = NIMBREL_TR_NOOP("Core", "Русский");
inline constexpr const char* kEnglish = NIMBREL_TR_NOOP("Core", "English");
inline constexpr const char* kLanguageNote =
    NIMBREL_TR_NOOP("Core", "Применится после перезапуска");
inline constexpr const char* kLanguageFromEnvironment =
    NIMBREL_TR_NOOP("Core", "Задан переменной окружения NIMBREL_LANG");
inline constexpr const char* kChooseFolder = NIMBREL_TR_NOOP("Core", "Пожалуйста, выберите папку");
inline constexpr const char* kNoAutomaticFolder =
    NIMBREL_TR_NOOP("Core", "Не удалось сохранить файл в указанную папку, выбрать папку вручную！");
// A save that could not write the account file (the dialog stays open, nothing changed).
inline constexpr const char* kSaveFailed =
    NIMBREL_TR_NOOP("Core", "Не удалось сохранить информацию, попробуйте еще раз");
}  // namespace settings_text

// The controls by their numbers. The two pages are separate windows: 1053 is the image browse
// button on the basic page and the new password box on the other page.
enum SettingsControl : int {
    kSetSave = 1,
    kSetCancel = 2,
    kSetBasicTabSelected = 1257,
    kSetBasicTab = 1140,
    kSetOtherTab = 1144,
    kSetOtherTabSelected = 1256,
    // The basic page.
    kSetVideoPath = 1051,
    kSetVideoBrowse = 1001,
    kSetVideoOpen = 1055,
    kSetVideoAutomatic = 1057,
    kSetImagePath = 1119,
    kSetImageBrowse = 1053,
    kSetImageOpen = 1056,
    kSetImageAutomatic = 1054,
    kSetFileLength = 1160,
    kSetToTray = 1050,
    kSetQuit = 1084,
    kSetShowClose = 1129,
    kSetAutoLogin = 1061,
    kSetAutoPlay = 1127,
    kSetAutostart = 1126,
    kSetDesktopNotices = 1128,
    // The other page.
    kSetUpdateAutomatic = 1150,
    kSetUpdateNotify = 1151,
    kSetUpdateOff = 1139,
    kSetCheckVersion = 1138,
    kSetVersionText = 1216,
    kSetOldPassword = 1133,
    kSetNewPassword = 1053,
    kSetRepeatPassword = 1135,
    kSetApplyPassword = 1136,
};

enum class FolderKind { Video, Image };

// What the two pages show.
struct SettingsValues {
    bool loaded = false;  // false: the account file could not be read and the pages stay empty
    std::string videoPath;
    std::string imagePath;
    int fileLength = -1;  // index into kFileLengths, -1 when none is selected
    bool toTray = false;  // "Свернуть" rather than "Выйти"
    bool showClose = false;
    bool autoLogin = false;
    bool autoPlay = false;
    bool autostart = false;
    bool desktopNotices = true;  // what the user would miss goes to the desktop's notifications
    int update = -1;  // 0, 1 or 2; -1 when no choice is selected
    // The archive's retention as stored (settings/RetentionSetting.h).
    std::string archiveDays = "0";
    std::string archiveSize = "0";
    // The program's, not the account's: kept beside the account files, used at the next start.
    InterfaceLanguage language = InterfaceLanguage::Russian;
    // The language NIMBREL_LANG chose for this run, which wins over the stored one: the dialog
    // shows it, and a save leaves the stored choice as it was.
    std::optional<InterfaceLanguage> languageFromEnvironment;
};

class SettingsFlow {
  public:
    struct Options {
        std::filesystem::path autostartEntry;  // empty: the user's autostart entry
        std::filesystem::path executable;      // what the entry runs; empty: this program
        AccountFileDefaults folders;           // the automatic folders
    };

    explicit SettingsFlow(AppRecord& app);
    SettingsFlow(AppRecord& app, Options options);

    // The dialog opens: the account file is read afresh. The two automatic-folder checks start
    // unticked.
    SettingsValues Open() const;

    // Save: values that cannot be stored refuse the save, with the reason in Refusal(), before
    // anything is written: a folder that is relative, not UTF-8 or too long once "~" is expanded,
    // and a retention limit that does not read (each checked as `nimbrelctl settings set` checks
    // it). Then a changed language (a failed write of it changes nothing and is NotSaved), then
    // both pages in one write of the account file, the folders ending in "/"; once it is written
    // the record follows (the archive's retention reads its limits from it at every check) and
    // autostart is switched as ticked (its failure is ignored).
    SettingsSaveResult Save(const SettingsValues& values);
    // Why the last save was refused (empty when it was not).
    const std::string& Refusal() const { return refusal_; }
    // The (key, value) pairs Save writes: folders cut to 259 units, the length's text ("" when
    // none is selected), flags "1"/"0", and "Update" only when a choice is selected.
    static std::vector<SettingValue> FileValues(const SettingsValues& values);

    // The folder a ticked "Выбирать автоматически" puts in; nothing when there is none (the view
    // then unticks the check and shows kNoAutomaticFolder).
    std::optional<std::string> AutomaticFolder(FolderKind kind) const;

    // The item of kFileLengths that begins with `stored` (-1 for none).
    static int FileLengthIndex(std::string_view stored);
    // A folder chosen in the browser, ending in "/".
    static std::string WithTrailingSlash(std::string folder);
    // The open button: makes every missing level of `folder` (for its owner only; "~" begins at
    // the home folder). False when it is empty or relative, or a level cannot be made (the button
    // then does nothing).
    static bool MakeFolder(std::string_view folder);
    // "Текущая версия <major>.<minor>".
    static std::string VersionText(int major, int minor);

  private:
    // The first value of `values` that cannot be stored, with its reason; nothing when all can.
    static std::optional<std::string> RefusalOf(const SettingsValues& values);
    std::filesystem::path AutostartEntry() const;

    AppRecord& app_;
    Options options_;
    std::string refusal_;
};

}  // namespace nimbrel
