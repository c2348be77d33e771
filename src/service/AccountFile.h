// One account's configuration file: its skeleton, the settings it keeps under "config1", the
// remembered account name and password of "config1/User", and the three saves of a login.
// Threading: one AccountFile per thread; the file itself is replaced atomically by every save,
// so a reader never sees a half-written file. Whoever changes a file loads, changes and saves it
// through the file's AccountStore, so that no change overwrites another's.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "service/AppRecord.h"
#include "text/XmlDocument.h"

namespace nimbrel {

// What a new account file starts with beyond its fixed values.
struct AccountFileDefaults {
    std::string videoPath;  // recording folder, ending in "/" (or empty)
    std::string imagePath;  // snapshot folder, ending in "/" (or empty)

    // $XDG_VIDEOS_DIR/VideoFile/ and $XDG_PICTURES_DIR/ImageFile/ (home folder fallbacks).
    static AccountFileDefaults FromUserDirs();
};

class AccountFile {
  public:
    // The value "0" stands for "nothing remembered" in the User attributes.
    static constexpr std::string_view kNone = "0";

    // Loads `path`. False when it is missing, unreadable, not XML or has no "config" root:
    // such a file counts as absent.
    bool Load(const std::filesystem::path& path);
    // The same checks on a file's bytes; Save() then needs a path from Load or Create.
    bool LoadBytes(std::string_view bytes);
    // Saves to the path loaded or created last (atomically, owner-only).
    bool Save() const;
    const std::filesystem::path& Path() const { return path_; }

    // Writes a new file at `path`: first the UTF-16LE text "<config/>" without byte-order mark,
    // then that file loaded, filled to the full skeleton and saved. The folder is made when
    // missing. Leaves this object holding the filled document.
    bool Create(const std::filesystem::path& path, const AccountFileDefaults& defaults);

    // The text of config1/`name` ("AutoLogin", "VideoPath", ...); nothing when it is missing.
    std::optional<std::string> Setting(std::string_view name) const;
    // Sets config1/`name`, adding config1 or the element when missing.
    bool SetSetting(std::string_view name, std::string_view value);
    // An attribute of config1/User ("ID", "Password").
    std::optional<std::string> UserAttribute(std::string_view name) const;
    bool SetUserAttribute(std::string_view name, std::string_view value);

    // Copies the settings of config1 into the application record's fields of the same names;
    // missing or non-numeric values leave a field as it is.
    void ReadSettings(AppRecord& record) const;

    XmlDocument& Document() { return doc_; }
    const XmlDocument& Document() const { return doc_; }

    // The saves of a successful login; each loads the file, changes one value and saves it,
    // through the file's AccountStore. SaveAccountId creates the file (as Create) when it is
    // absent, and sets User/@ID. A file that exists but cannot be loaded is kept beside as
    // "<file>.broken" (".broken.2", ... when earlier copies exist) and made anew.
    static bool SaveAccountId(const std::filesystem::path& path, std::string_view accountName,
                              const AccountFileDefaults& defaults);
    // User/@Password: the stored form, or "0" when the password is not remembered.
    static bool SavePassword(const std::filesystem::path& path, std::string_view storedOrNone);
    // config1/AutoLogin: "1" or "0".
    static bool SaveAutoLogin(const std::filesystem::path& path, bool autoLogin);

  private:
    // False (and an empty document) unless the loaded root is "config".
    bool HasConfigRoot();
    XmlElement Section(std::string_view name, bool create);

    XmlDocument doc_;
    std::filesystem::path path_;
};

}  // namespace nimbrel
