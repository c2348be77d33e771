#include "service/AccountStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <system_error>
#include <thread>

#include "platform/AtomicFile.h"
#include "platform/Log.h"
#include "platform/PrivateFolders.h"

namespace nimbrel {
namespace {

// Absolute and normalised, so that two spellings of one path share an owner.
std::filesystem::path Key(const std::filesystem::path& path) {
    if (path.empty()) return path;
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(path, ec);
    return (ec ? path : absolute).lexically_normal();
}

constexpr auto kTurnWait = std::chrono::seconds(10);
constexpr auto kTurnLook = std::chrono::milliseconds(10);

// The file's turn among the user's programs: an advisory lock on "<file>.lock" (the account file
// itself is replaced at every save, so its own lock would not hold), waited for at most
// kTurnWait. Where no lock file can be made the save goes ahead alone (it may still work, and
// nothing else can lock that file either). Released when the object goes.
class ProgramTurn {
  public:
    explicit ProgramTurn(const std::filesystem::path& file) {
        std::filesystem::path lockFile = file;
        lockFile += ".lock";
        fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd_ < 0) {
            NLOG_WARN("AccountStore: " << lockFile << ": " << std::strerror(errno));
            return;
        }
        const auto until = std::chrono::steady_clock::now() + kTurnWait;
        while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) ||
                std::chrono::steady_clock::now() >= until) {
                NLOG_WARN("AccountStore: no turn at " << lockFile << ": " << std::strerror(errno));
                refused_ = true;
                return;
            }
            std::this_thread::sleep_for(kTurnLook);
        }
    }
    ~ProgramTurn() {
        if (fd_ >= 0) ::close(fd_);  // closing releases the lock
    }
    ProgramTurn(const ProgramTurn&) = delete;
    ProgramTurn& operator=(const ProgramTurn&) = delete;
    // Another program kept the file for longer than the wait.
    bool Refused() const { return refused_; }

  private:
    int fd_ = -1;
    bool refused_ = false;
};

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
    const ProgramTurn programs(path_);
    if (programs.Refused()) return false;
    AccountFile file;
    return file.Load(path_) && edit(file) && file.Save();
}

bool AccountStore::ChangeOrCreate(const AccountFileDefaults& defaults, const Edit& edit) {
    std::lock_guard turn(lock_);
    std::error_code ec;
    if (const auto folder = path_.parent_path();
        !folder.empty() && !std::filesystem::is_directory(folder, ec)) {
        std::string why;
        if (!MakeFolders(folder, why)) {
            NLOG_WARN("AccountStore: " << why);
            return false;
        }
    }
    const ProgramTurn programs(path_);
    if (programs.Refused()) return false;
    AccountFile file;
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
