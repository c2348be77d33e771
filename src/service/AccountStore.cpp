#include "service/AccountStore.h"

#include <fcntl.h>
#include <stdio.h>

#include <cerrno>
#include <map>
#include <memory>
#include <string>
#include <system_error>

#include "platform/Log.h"

namespace nimbrel {
namespace {

// Absolute and normalised, so that two spellings of one path share an owner.
std::filesystem::path Key(const std::filesystem::path& path) {
    if (path.empty()) return path;
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(path, ec);
    return (ec ? path : absolute).lexically_normal();
}

// Renames `from` to `to` unless `to` exists: 0 when renamed, EEXIST when `to` exists, another
// errno value when the rename failed.
int RenameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno == ENOTEMPTY ? EEXIST : errno;
    // A file system without the no-replace rename: every writer of this process is serialised
    // by the owner, so a check before the rename is enough.
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(to, ec))) return EEXIST;
    std::filesystem::rename(from, to, ec);
    return ec.value();
}

}  // namespace

AccountStore& AccountStore::For(const std::filesystem::path& path) {
    static std::mutex registryLock;
    // Never destroyed: an owner outlives every thread that may still save at exit.
    static auto* owners = new std::map<std::filesystem::path, std::unique_ptr<AccountStore>>();
    const auto key = Key(path);
    std::lock_guard guard(registryLock);
    auto& owner = (*owners)[key];
    if (!owner) owner.reset(new AccountStore(key));
    return *owner;
}

bool AccountStore::Change(const Edit& edit) {
    std::lock_guard turn(lock_);
    AccountFile file;
    return file.Load(path_) && edit(file) && file.Save();
}

bool AccountStore::ChangeOrCreate(const AccountFileDefaults& defaults, const Edit& edit) {
    std::lock_guard turn(lock_);
    AccountFile file;
    std::error_code ec;
    const bool present = std::filesystem::exists(std::filesystem::symlink_status(path_, ec));
    if (!present || !file.Load(path_)) {
        if (present) {
            NLOG_WARN("AccountStore: " << path_ << " cannot be read; kept aside and made anew");
            if (!KeepBrokenCopy()) return false;
        }
        if (!file.Create(path_, defaults)) return false;
    }
    return edit(file) && file.Save();
}

bool AccountStore::KeepBrokenCopy() const {
    for (int n = 1; n <= kMaxBrokenCopies; ++n) {
        auto copy = path_;
        copy += n == 1 ? std::string(".broken") : ".broken." + std::to_string(n);
        const int error = RenameWithoutReplacing(path_, copy);
        if (error == 0) return true;
        if (error != EEXIST) {
            NLOG_WARN("AccountStore: " << path_ << " could not be kept as " << copy);
            return false;
        }
    }
    NLOG_WARN("AccountStore: " << path_ << " has " << kMaxBrokenCopies
                               << " broken copies already; left as it is");
    return false;
}

}  // namespace nimbrel
