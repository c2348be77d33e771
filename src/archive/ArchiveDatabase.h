// The database file of the recordings index (SQLite, write-ahead log): one row per recording
// file with its camera, start, length, frames, size, key-frame times, state and kept mark. A
// database that SQLite finds damaged is kept beside as "<file>.broken" and made anew (the
// index is rebuilt from the folder; kept marks live beside the files, not only here).
// Threading: one thread at a time (ArchiveIndex holds a lock around every use).
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "archive/RecordingProbe.h"

struct sqlite3;

namespace nimbrel::archive {

struct FileRow {
    std::string path;
    std::string root;  // the folder of the account's recordings the file lies below
    std::string sid;
    int64_t startMs = 0;  // local milliseconds, from the file's name
    int64_t durationMs = 0;
    int64_t frames = 0;
    uint64_t bytes = 0;
    uint64_t validBytes = 0;
    int64_t mtimeNs = 0;  // the file's modification time when it was read
    RecordingState state = RecordingState::Damaged;
    bool kept = false;
    bool audio = false;
    int width = 0;
    int height = 0;
    std::vector<int32_t> keyFramesMs;

    int64_t EndMs() const { return startMs + durationMs; }
    // Something to play or copy: whole or cut-off frames, or a file the recorder is writing
    // now (its row knows no frames yet; it is read as far as its complete fragments go).
    bool Playable() const {
        return state == RecordingState::Open || (state != RecordingState::Damaged && frames > 0);
    }
};

// What retention weighs of a file.
struct FileBrief {
    std::string path;
    int64_t startMs = 0;
    uint64_t bytes = 0;
    RecordingState state = RecordingState::Damaged;
    bool kept = false;
};

// What the folder sync compares with the disk.
struct FileStamp {
    uint64_t bytes = 0;
    int64_t mtimeNs = 0;
    RecordingState state = RecordingState::Damaged;
    bool kept = false;
};

class ArchiveDatabase {
  public:
    ArchiveDatabase() = default;
    ~ArchiveDatabase();
    ArchiveDatabase(const ArchiveDatabase&) = delete;
    ArchiveDatabase& operator=(const ArchiveDatabase&) = delete;

    // Opens or makes the database at `file` (":memory:" for one in memory). False, with the
    // reason, when it cannot be opened even anew.
    bool Open(const std::filesystem::path& file, std::string& error);
    bool IsOpen() const { return db_ != nullptr; }

    // Several changes as one transaction (much faster for many rows).
    bool Begin();
    bool Commit();

    bool Put(const FileRow& row);
    bool Remove(const std::string& path);
    bool SetKept(const std::string& path, bool kept);
    std::optional<FileRow> Find(const std::string& path) const;

    // The files below `root` (of camera `sid` when not empty) that overlap [fromMs, toMs),
    // oldest first.
    std::vector<FileRow> Files(const std::string& root, const std::string& sid = {},
                               int64_t fromMs = INT64_MIN, int64_t toMs = INT64_MAX) const;
    std::map<std::string, FileStamp> Stamps(const std::string& root) const;
    // Every file below `root`, oldest first, without key frames.
    std::vector<FileBrief> Briefs(const std::string& root) const;

  private:
    bool Exec(const char* sql);
    bool MakeSchema();
    void Close();

    sqlite3* db_ = nullptr;
};

}  // namespace nimbrel::archive
