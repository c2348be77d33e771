#include "archive/ArchiveKeeper.h"

#include <pthread.h>
#include <sys/statvfs.h>

#include <system_error>

#include "archive/LocalTime.h"
#include "platform/Log.h"
#include "platform/UserDirs.h"

namespace nimbrel::archive {

namespace fs = std::filesystem;

DiskSpace DiskSpaceOf(const fs::path& folder) {
    fs::path at = folder;
    std::error_code ec;
    while (!at.empty() && !fs::exists(at, ec)) {
        if (at == at.parent_path()) break;
        at = at.parent_path();
    }
    struct statvfs s {};
    if (at.empty() || ::statvfs(at.c_str(), &s) != 0) return {};
    return {static_cast<uint64_t>(s.f_blocks) * s.f_frsize,
            static_cast<uint64_t>(s.f_bavail) * s.f_frsize};
}

fs::path ArchiveKeeper::DatabaseFor(const fs::path& accountFile) {
    std::string name = accountFile.filename().string();
    constexpr std::string_view kSuffix = "_config.xml";
    if (name.ends_with(kSuffix)) name.resize(name.size() - kSuffix.size());
    return accountFile.parent_path() / (name + "_archive.sqlite");
}

ArchiveKeeper::ArchiveKeeper(Options options) : options_(std::move(options)) {}

ArchiveKeeper::~ArchiveKeeper() {
    Stop();
}

bool ArchiveKeeper::Start(std::string& error) {
    if (worker_.joinable()) return true;
    if (!index_.Open(options_.database, error)) return false;
    stop_ = false;
    worker_ = std::thread([this] { Work(); });
    return true;
}

void ArchiveKeeper::Stop() {
    {
        std::lock_guard guard(lock_);
        stop_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

int64_t ArchiveKeeper::Now() const {
    return options_.nowMs ? options_.nowMs() : LocalNowMs();
}

fs::path ArchiveKeeper::RootOf(const std::string& recordingFolder) const {
    // The folder as the recorder reads it: "~" begins at the home folder, the parts are joined
    // as paths, and a relative folder names no place (nothing is indexed or pruned there).
    const std::optional<fs::path> folder = ExpandFolder(recordingFolder);
    if (!folder) return {};
    return fs::path(RootKey(*folder / options_.user));
}

void ArchiveKeeper::SetFolder(const std::string& recordingFolder) {
    {
        std::lock_guard guard(lock_);
        const fs::path root = recordingFolder.empty() ? fs::path() : RootOf(recordingFolder);
        if (root == root_ && !root_.empty()) return;
        root_ = root;
        syncWanted_ = !root_.empty();
    }
    wake_.notify_all();
}

fs::path ArchiveKeeper::Root() const {
    std::lock_guard guard(lock_);
    return root_;
}

void ArchiveKeeper::SyncSoon() {
    {
        std::lock_guard guard(lock_);
        syncWanted_ = !root_.empty();
    }
    wake_.notify_all();
}

void ArchiveKeeper::PruneSoon() {
    {
        std::lock_guard guard(lock_);
        pruneWanted_ = true;
    }
    wake_.notify_all();
}

bool ArchiveKeeper::WaitIdle(std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
        {
            std::lock_guard guard(lock_);
            if (!busy_ && !syncWanted_ && !pruneWanted_ && closed_.empty()) return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

ArchiveIndex::SyncReport ArchiveKeeper::LastSync() const {
    std::lock_guard guard(lock_);
    return lastSync_;
}

void ArchiveKeeper::Work() {
    pthread_setname_np(pthread_self(), "arc-index");
    auto nextPrune = std::chrono::steady_clock::now() + options_.period;
    std::unique_lock lock(lock_);
    while (!stop_) {
        if (syncWanted_) {
            syncWanted_ = false;
            busy_ = true;
            const fs::path root = root_;
            lock.unlock();
            const auto report = index_.Sync(root, &progress_, &stop_);
            NLOG_DEBUG("archive: " << root << ": " << report.files << " files, " << report.read
                                   << " read, " << report.removed << " gone, " << report.damaged
                                   << " damaged");
            lock.lock();
            lastSync_ = report;
            busy_ = false;
            ++changes_;
            continue;
        }
        if (!closed_.empty()) {
            const fs::path file = closed_.front();
            closed_.pop_front();
            busy_ = true;
            lock.unlock();
            index_.FileClosed(file);
            lock.lock();
            busy_ = false;
            ++changes_;
            continue;
        }
        if (pruneWanted_ || std::chrono::steady_clock::now() >= nextPrune) {
            pruneWanted_ = false;
            nextPrune = std::chrono::steady_clock::now() + options_.period;
            const fs::path root = root_;
            if (!root.empty()) {
                busy_ = true;
                lock.unlock();
                PruneRoot(root, 0, false);
                lock.lock();
                busy_ = false;
            }
            continue;
        }
        wake_.wait_until(lock, nextPrune);
    }
}

ArchiveKeeper::PruneReport ArchiveKeeper::Prune(uint64_t needFree, bool dryRun) {
    return PruneRoot(Root(), needFree, dryRun);
}

ArchiveKeeper::PruneReport ArchiveKeeper::PruneRoot(const fs::path& root, uint64_t needFree,
                                                    bool dryRun) {
    PruneReport report;
    if (root.empty()) return report;
    const RetentionLimits limits = options_.limits ? options_.limits() : RetentionLimits{};
    if (!limits.Any() && needFree == 0) return report;
    std::lock_guard guard(pruneLock_);
    const DiskSpace disk = options_.disk(root);
    const RetentionPlan plan = PlanRetention(index_.Briefs(root), limits, Now(), disk, needFree);
    for (const std::string& path : plan.paths) {
        if (dryRun) {
            report.deleted.push_back(path);
            continue;
        }
        const auto row = index_.Find(path);
        if (DeleteRecording(path)) {
            report.deleted.push_back(path);
            if (row) report.bytes += row->bytes;
        } else {
            report.failed.push_back(path);
        }
    }
    if (dryRun) report.bytes = plan.bytes;
    if (!report.deleted.empty())
        NLOG_DEBUG("archive: retention removed " << report.deleted.size() << " files ("
                                                 << report.bytes << " bytes) below " << root);
    return report;
}

bool ArchiveKeeper::DeleteRecording(const std::string& path) {
    const auto row = index_.Find(path);
    if (!row || row->kept || index_.IsOpen(path)) return false;
    std::error_code ec;
    fs::remove(path, ec);
    if (ec && fs::exists(path)) return false;
    fs::remove(KeptMarkOf(path), ec);
    index_.Forget(path);
    ++changes_;
    // A day folder left empty goes too.
    const fs::path day = fs::path(path).parent_path();
    if (fs::is_empty(day, ec)) fs::remove(day, ec);
    return true;
}

void ArchiveKeeper::BeforeNewFile(const std::string& folder) {
    PruneRoot(RootOf(folder), 0, false);
}

void ArchiveKeeper::FileOpened(const File& file) {
    index_.FileOpened(file.path, file.sid);
}

void ArchiveKeeper::FileClosed(const File& file) {
    {
        std::lock_guard guard(lock_);
        closed_.push_back(file.path);
    }
    wake_.notify_all();
}

bool ArchiveKeeper::MakeRoom(const std::string& folder) {
    const fs::path root = RootOf(folder);
    if (root.empty()) return false;
    const DiskSpace disk = options_.disk(root);
    if (disk.total == 0 || disk.free >= options_.fullBelow) return false;  // not a full disk
    const PruneReport report = PruneRoot(root, 2 * options_.fullBelow, false);
    return !report.deleted.empty();
}

}  // namespace nimbrel::archive
