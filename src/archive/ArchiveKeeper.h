// The archive of one account while the program runs: its index (opened from the database beside
// the account files and brought in step with the recording folder on a worker thread, at start
// and whenever the folder changes), the recorder's news (the cameras' RecordingEvents), and
// retention — every minute, before each new file, and when a disk fills, by the limits of the
// settings. Deleting a file and forgetting its row go together.
// Threading: every call from any thread. The worker (`arc-index`) reads files and runs the
// minute's retention; BeforeNewFile and MakeRoom run retention on the caller's thread (a
// recording's writer thread; one pass at a time), quickly when there is nothing to delete.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "archive/ArchiveIndex.h"
#include "archive/RetentionPolicy.h"
#include "live/RecordingEvents.h"

namespace nimbrel::archive {

// The free and total space of the disk that holds `folder` (or its nearest existing parent).
DiskSpace DiskSpaceOf(const std::filesystem::path& folder);

class ArchiveKeeper : public RecordingEvents {
  public:
    // The index's database beside an account file "<folder>/<user>_config.xml":
    // "<folder>/<user>_archive.sqlite".
    static std::filesystem::path DatabaseFor(const std::filesystem::path& accountFile);

    struct Options {
        std::filesystem::path database;  // the index's file (":memory:" in tests)
        std::string user;                // the account's folder below the recording folder
        std::function<RetentionLimits()> limits;  // read afresh at every check
        std::chrono::milliseconds period = std::chrono::minutes(1);
        std::function<DiskSpace(const std::filesystem::path&)> disk = DiskSpaceOf;
        std::function<int64_t()> nowMs;  // local milliseconds; empty: the clock
        // A disk that has less free than this is full; MakeRoom frees up to twice as much.
        uint64_t fullBelow = 256ull << 20;
    };

    struct PruneReport {
        std::vector<std::string> deleted;
        std::vector<std::string> failed;  // could not be deleted (kept in the index)
        uint64_t bytes = 0;
    };

    explicit ArchiveKeeper(Options options);
    ~ArchiveKeeper() override;
    ArchiveKeeper(const ArchiveKeeper&) = delete;
    ArchiveKeeper& operator=(const ArchiveKeeper&) = delete;

    // Opens the index and starts the worker. False, with the reason, when the database cannot
    // be opened.
    bool Start(std::string& error);
    void Stop();

    // The recording folder of the settings (ending in "/" or not, "~" for the home folder): its
    // "<user>/" is indexed; a change brings the index in step with the new folder. An empty or
    // relative folder names no place: nothing is indexed.
    void SetFolder(const std::string& recordingFolder);
    std::filesystem::path Root() const;
    // Asks the worker for a sync of the folder (the archive window opens, a user asks).
    void SyncSoon();
    // Asks the worker for retention now rather than at the minute (the limits changed).
    void PruneSoon();
    // Counts the changes of the index's files (a sync, a file read again, a file deleted), so
    // that a window showing them knows when to look again.
    uint64_t Changes() const { return changes_; }
    // Waits until the worker has nothing left to do (for tests and nimbrelctl); false on time-out.
    bool WaitIdle(std::chrono::milliseconds limit);

    ArchiveIndex& Index() { return index_; }
    const ArchiveIndex::Progress& SyncProgress() const { return progress_; }
    ArchiveIndex::SyncReport LastSync() const;

    // Runs retention now by the settings' limits (and `needFree` bytes of free disk).
    PruneReport Prune(uint64_t needFree = 0, bool dryRun = false);
    // Deletes `path` and its kept mark, and forgets its row; false when it is kept, open or
    // cannot be deleted.
    bool DeleteRecording(const std::string& path);

    // RecordingEvents
    void BeforeNewFile(const std::string& folder) override;
    void FileOpened(const File& file) override;
    void FileClosed(const File& file) override;
    bool MakeRoom(const std::string& folder) override;

  private:
    PruneReport PruneRoot(const std::filesystem::path& root, uint64_t needFree, bool dryRun);
    std::filesystem::path RootOf(const std::string& recordingFolder) const;
    void Work();
    int64_t Now() const;

    Options options_;
    ArchiveIndex index_;
    ArchiveIndex::Progress progress_;
    std::mutex pruneLock_;  // one retention pass at a time

    mutable std::mutex lock_;
    std::condition_variable wake_;
    std::filesystem::path root_;                  // under lock_
    bool syncWanted_ = false;                     // under lock_
    bool pruneWanted_ = false;                    // under lock_
    std::deque<std::filesystem::path> closed_;    // files to read again (under lock_)
    bool busy_ = false;                           // the worker does something (under lock_)
    ArchiveIndex::SyncReport lastSync_;           // under lock_
    std::atomic<bool> stop_{false};
    std::atomic<uint64_t> changes_{0};
    std::thread worker_;
};

}  // namespace nimbrel::archive
