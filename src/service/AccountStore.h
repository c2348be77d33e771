// The one owner of each account file in the process. Every load → change → save of a file goes
// through the owner of its path, one at a time, so that no writer's change overwrites another's;
// between programs of the user (the desktop program, nimbrelctl runs) each such turn also holds
// an advisory lock on "<file>.lock" beside the file.
// Threading: any thread. For() may be called concurrently; Change and ChangeOrCreate of one file
// run one after the other.
#pragma once

#include <filesystem>
#include <functional>
#include <mutex>

#include "service/AccountFile.h"

namespace nimbrel {

class AccountStore {
  public:
    using Edit = std::function<bool(AccountFile&)>;

    // How many copies of broken files are kept beside one account file.
    static constexpr int kMaxBrokenCopies = 100;

    // The owner of the file at `path`: the same object for every spelling of the path, for the
    // life of the process.
    static AccountStore& For(const std::filesystem::path& path);

    AccountStore(const AccountStore&) = delete;
    AccountStore& operator=(const AccountStore&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    // Loads the file, lets `edit` change it and saves it. False, with the file as it was, when it
    // cannot be loaded, `edit` returns false, the save fails, or another program kept the file's
    // turn for 10 s.
    bool Change(const Edit& edit);
    // As Change, but a missing file is created first (the skeleton with `defaults`), and one that
    // exists but cannot be loaded is kept beside as "<file>.broken" (then ".broken.2", ...; an
    // earlier copy is never replaced) and made anew.
    bool ChangeOrCreate(const AccountFileDefaults& defaults, const Edit& edit);

  private:
    explicit AccountStore(std::filesystem::path path) : path_(std::move(path)) {}
    // Moves the unreadable file to the first free copy name. Caller holds lock_.
    bool KeepBrokenCopy() const;

    const std::filesystem::path path_;
    std::mutex lock_;
};

}  // namespace nimbrel
