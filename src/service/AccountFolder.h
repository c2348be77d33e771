// Where the account files live, which file belongs to an account, and the accounts used most
// recently on this computer.
// Threading: immutable after construction; callable from any thread.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel {

class AccountFolder {
  public:
    // The suffix that turns an account name into its file name.
    static constexpr std::string_view kFileSuffix = "_config.xml";
    // How many accounts the login offers.
    static constexpr std::size_t kRecentLimit = 20;

    explicit AccountFolder(std::filesystem::path folder) : folder_(std::move(folder)) {}

    // "config/" beside the executable when that folder is writable (or can be made in a
    // writable executable folder), else ConfigHome()/nimbrel/config.
    static AccountFolder Default();
    // The choice of Default() for a given executable folder and configuration home.
    static std::filesystem::path ChooseLocation(const std::filesystem::path& executableDir,
                                                const std::filesystem::path& configHome);

    const std::filesystem::path& Folder() const { return folder_; }

    // The account file of `accountName`; nothing for a name that cannot be a file name (empty,
    // ".", "..", containing "/" or a NUL byte).
    std::optional<std::filesystem::path> FileFor(std::string_view accountName) const;

    // Makes the folder (owner-only when it is new). False when it cannot be made.
    bool Ensure() const;

    struct Recent {
        std::string name;
        std::filesystem::file_time_type written;
    };
    // The accounts whose files are in the folder, at most `limit` of them, the most recently
    // written first: the first `limit` files fill the table, each further file replaces the
    // oldest entry when it is newer.
    std::vector<Recent> RecentAccounts(std::size_t limit = kRecentLimit) const;

  private:
    std::filesystem::path folder_;
};

}  // namespace nimbrel
