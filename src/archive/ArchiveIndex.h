// The index of one account's recordings: the database, kept in step with the folder
// "<recording folder><user>/" (a sync finds files added, changed, removed or damaged by hand;
// files unchanged since they were read cost one stat each) and with the recorder (a file opened
// is listed as being written, a file closed is read again). Kept marks live beside the files as
// "<file>.keep", so that a rebuilt index keeps them; the database follows.
// Threading: every call from any thread; one lock guards the database and is held only for
// short steps (a sync reads the files outside it and writes them in batches).
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "archive/ArchiveDatabase.h"

namespace nimbrel::archive {

// The key of a folder in the index: its path made plain, without a trailing "/".
std::string RootKey(const std::filesystem::path& folder);
// The folder a recording lies in by the layout "<root>/<day>/<file>".
std::string RootOfFile(const std::filesystem::path& file);
// The kept mark beside a recording.
std::filesystem::path KeptMarkOf(const std::filesystem::path& file);

class ArchiveIndex {
  public:
    struct SyncReport {
        int64_t files = 0;    // recordings in the folder
        int64_t read = 0;     // read anew (new or changed)
        int64_t removed = 0;  // gone from the folder
        int64_t damaged = 0;  // nothing playable in them
        bool stopped = false;
    };
    struct Progress {
        std::atomic<int64_t> done{0};
        std::atomic<int64_t> total{0};
        std::atomic<bool> running{false};
    };

    bool Open(const std::filesystem::path& databaseFile, std::string& error);

    // Brings the rows of `root` in step with the folder. `stop` ends it early (what was read
    // is kept).
    SyncReport Sync(const std::filesystem::path& root, Progress* progress = nullptr,
                    const std::atomic<bool>* stop = nullptr);

    // The recorder's news.
    void FileOpened(const std::filesystem::path& file, const std::string& sid);
    void FileClosed(const std::filesystem::path& file);
    bool IsOpen(const std::string& path) const;

    // Reads one file again (or drops its row when it is gone).
    void Refresh(const std::filesystem::path& file);
    // A file was deleted on purpose: its row goes.
    void Forget(const std::string& path);
    // Marks a file kept (or not) beside it and in the database. False when the mark cannot be
    // written or the file is not in the index.
    bool SetKept(const std::string& path, bool kept);

    // The files of `root` (of camera `sid` when not empty) overlapping [fromMs, toMs), oldest
    // first; a file being written counts up to now.
    std::vector<FileRow> Files(const std::filesystem::path& root, const std::string& sid = {},
                               int64_t fromMs = INT64_MIN, int64_t toMs = INT64_MAX) const;
    std::optional<FileRow> Find(const std::string& path) const;
    // Every file of `root`, oldest first, those being written marked Open.
    std::vector<FileBrief> Briefs(const std::filesystem::path& root) const;

  private:
    FileRow ReadFile(const std::filesystem::path& file, const std::string& root,
                     const std::string& sid, int64_t startMs) const;

    mutable std::mutex lock_;
    ArchiveDatabase db_;
    std::set<std::string> open_;  // files the recorder writes now (under lock_)
};

}  // namespace nimbrel::archive
