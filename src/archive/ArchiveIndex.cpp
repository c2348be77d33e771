#include "archive/ArchiveIndex.h"

#include <sys/stat.h>

#include <fstream>
#include <map>
#include <system_error>

#include "archive/LocalTime.h"
#include "archive/RecordingName.h"
#include "platform/Log.h"

namespace nimbrel::archive {
namespace {

namespace fs = std::filesystem;

// Rows written per transaction: the lock is held for one batch at a time.
constexpr std::size_t kBatch = 200;
// How far before a window the files are read to find where a recording cut into files runs.
constexpr int64_t kChainContextMs = 2 * 3600 * 1000;

struct DiskFile {
    fs::path path;
    RecordingName name;
    uint64_t bytes = 0;
    int64_t mtimeNs = 0;
    bool kept = false;
};

bool Stat(const fs::path& path, uint64_t& bytes, int64_t& mtimeNs) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    bytes = static_cast<uint64_t>(st.st_size);
    mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return true;
}

bool IsDayFolderName(const std::string& name) {
    const auto day = ParseTimeText(name);
    return day && name.size() == 10;
}

// The recordings below `root`: "<root>/<YYYY-MM-DD>/<recording name>".
std::vector<DiskFile> ListRecordings(const fs::path& root) {
    std::vector<DiskFile> files;
    std::error_code ec;
    for (fs::directory_iterator day(root, ec), end; !ec && day != end; day.increment(ec)) {
        if (!day->is_directory(ec) || !IsDayFolderName(day->path().filename().string())) continue;
        std::error_code inner;
        for (fs::directory_iterator f(day->path(), inner), fend; !inner && f != fend;
             f.increment(inner)) {
            const auto name = ParseRecordingName(f->path().filename().string());
            if (!name) continue;
            DiskFile d{f->path(), *name};
            if (!Stat(d.path, d.bytes, d.mtimeNs)) continue;
            d.kept = fs::exists(KeptMarkOf(d.path), inner);
            inner.clear();
            files.push_back(std::move(d));
        }
    }
    return files;
}

}  // namespace

std::string RootKey(const fs::path& folder) {
    std::string key = folder.lexically_normal().string();
    while (key.size() > 1 && key.back() == '/') key.pop_back();
    return key;
}

std::string RootOfFile(const fs::path& file) {
    return RootKey(file.lexically_normal().parent_path().parent_path());
}

fs::path KeptMarkOf(const fs::path& file) {
    fs::path mark = file;
    mark += ".keep";
    return mark;
}

bool ArchiveIndex::Open(const fs::path& databaseFile, std::string& error) {
    std::lock_guard guard(lock_);
    if (databaseFile != ":memory:") {
        std::error_code ec;
        fs::create_directories(databaseFile.parent_path(), ec);
    }
    return db_.Open(databaseFile, error);
}

FileRow ArchiveIndex::ReadFile(const fs::path& file, const std::string& root,
                               const std::string& sid, int64_t startMs) const {
    const RecordingFacts facts = ProbeRecording(file);
    FileRow row;
    row.path = file.string();
    row.root = root;
    row.sid = sid;
    row.startMs = startMs;
    row.durationMs = facts.durationMs;
    row.frames = facts.frames;
    row.bytes = facts.bytes;
    row.validBytes = facts.validBytes;
    row.state = facts.state;
    row.audio = facts.audio;
    row.width = facts.width;
    row.height = facts.height;
    row.keyFramesMs = facts.keyFramesMs;
    uint64_t bytes = 0;
    Stat(file, bytes, row.mtimeNs);
    std::error_code ec;
    row.kept = fs::exists(KeptMarkOf(file), ec);
    if (facts.state == RecordingState::Damaged)
        NLOG_DEBUG("archive: " << file << " is damaged: " << facts.problem);
    return row;
}

ArchiveIndex::SyncReport ArchiveIndex::Sync(const fs::path& rootFolder, Progress* progress,
                                            const std::atomic<bool>* stop) {
    SyncReport report;
    const std::string root = RootKey(rootFolder);
    if (progress) {
        progress->running = true;
        progress->done = 0;
        progress->total = 0;
    }
    const std::vector<DiskFile> disk = ListRecordings(root);
    std::map<std::string, FileStamp> known;
    {
        std::lock_guard guard(lock_);
        known = db_.Stamps(root);
    }
    report.files = static_cast<int64_t>(disk.size());

    // What must be read: new files, files changed since, and files left "being written" by a
    // program that did not close them (killed): they are read up to their last fragment.
    std::vector<const DiskFile*> toRead;
    std::vector<std::pair<std::string, bool>> keptChanges;
    std::set<std::string> present;
    for (const DiskFile& d : disk) {
        const std::string path = d.path.string();
        present.insert(path);
        const auto k = known.find(path);
        bool writing = false;
        {
            std::lock_guard guard(lock_);
            writing = open_.count(path) > 0;
        }
        if (writing) continue;
        if (k == known.end() || k->second.bytes != d.bytes || k->second.mtimeNs != d.mtimeNs ||
            k->second.state == RecordingState::Open) {
            toRead.push_back(&d);
        } else {
            if (k->second.kept != d.kept) keptChanges.emplace_back(path, d.kept);
            if (k->second.state == RecordingState::Damaged) ++report.damaged;
        }
    }
    if (progress) progress->total = static_cast<int64_t>(toRead.size());

    std::vector<FileRow> batch;
    const auto flush = [&] {
        std::lock_guard guard(lock_);
        db_.Begin();
        for (const FileRow& row : batch)
            // A file the recorder opened meanwhile keeps its "being written" row.
            if (!open_.count(row.path)) db_.Put(row);
        db_.Commit();
        batch.clear();
    };
    for (const DiskFile* d : toRead) {
        if (stop && *stop) {
            report.stopped = true;
            break;
        }
        batch.push_back(ReadFile(d->path, root, d->name.sid, d->name.startMs));
        if (batch.back().state == RecordingState::Damaged) ++report.damaged;
        ++report.read;
        if (progress) ++progress->done;
        if (batch.size() >= kBatch) flush();
    }
    flush();
    {
        std::lock_guard guard(lock_);
        db_.Begin();
        for (const auto& [path, kept] : keptChanges) db_.SetKept(path, kept);
        if (!report.stopped)
            for (const auto& [path, stamp] : known)
                if (!present.count(path) && !open_.count(path)) {
                    db_.Remove(path);
                    ++report.removed;
                }
        db_.Commit();
    }
    if (progress) progress->running = false;
    return report;
}

void ArchiveIndex::FileOpened(const fs::path& file, const std::string& sid) {
    const auto name = ParseRecordingName(file.filename().string());
    FileRow row;
    row.path = file.string();
    row.root = RootOfFile(file);
    row.sid = sid;
    row.startMs = name ? name->startMs : LocalNowMs();
    row.state = RecordingState::Open;
    std::lock_guard guard(lock_);
    open_.insert(row.path);
    db_.Put(row);
}

void ArchiveIndex::FileClosed(const fs::path& file) {
    {
        std::lock_guard guard(lock_);
        open_.erase(file.string());
    }
    Refresh(file);
}

bool ArchiveIndex::IsOpen(const std::string& path) const {
    std::lock_guard guard(lock_);
    return open_.count(path) > 0;
}

void ArchiveIndex::Refresh(const fs::path& file) {
    std::error_code ec;
    const auto name = ParseRecordingName(file.filename().string());
    if (!name || !fs::is_regular_file(file, ec)) {
        Forget(file.string());
        return;
    }
    std::string sid = name->sid;
    {
        std::lock_guard guard(lock_);
        if (const auto known = db_.Find(file.string())) sid = known->sid;
    }
    const FileRow row = ReadFile(file, RootOfFile(file), sid, name->startMs);
    std::lock_guard guard(lock_);
    if (!open_.count(row.path)) db_.Put(row);
}

void ArchiveIndex::Forget(const std::string& path) {
    std::lock_guard guard(lock_);
    open_.erase(path);
    db_.Remove(path);
}

bool ArchiveIndex::SetKept(const std::string& path, bool kept) {
    if (!Find(path)) return false;
    const fs::path mark = KeptMarkOf(path);
    std::error_code ec;
    if (kept) {
        std::ofstream(mark).flush();
        if (!fs::exists(mark, ec)) return false;
    } else if (!fs::remove(mark, ec) && fs::exists(mark, ec)) {
        return false;
    }
    std::lock_guard guard(lock_);
    return db_.SetKept(path, kept);
}

std::vector<FileRow> ArchiveIndex::Files(const fs::path& root, const std::string& sid,
                                         int64_t fromMs, int64_t toMs) const {
    std::vector<FileRow> rows;
    const int64_t now = LocalNowMs();
    {
        std::lock_guard guard(lock_);
        // The files just before the window too: the start of a file that continues another
        // depends on where that one ends.
        const int64_t context = fromMs > INT64_MIN + kChainContextMs ? fromMs - kChainContextMs
                                                                     : INT64_MIN;
        rows = db_.Files(RootKey(root), sid, context, toMs);
        for (FileRow& row : rows)
            if (row.state == RecordingState::Open && open_.count(row.path))
                row.durationMs = std::max<int64_t>(row.durationMs, now - row.startMs);
    }
    // A file name has whole seconds, so a file that continues another after a cut is named up
    // to a second before the other ends: it starts where the other ends, and the recording's
    // times run on evenly across the cut.
    std::map<std::string, int64_t> ends;  // per camera, where its last file ends
    for (FileRow& row : rows) {
        if (row.state == RecordingState::Damaged || row.frames == 0) continue;
        const auto end = ends.find(row.sid);
        if (end != ends.end() && row.startMs < end->second && row.startMs > end->second - 1000)
            row.startMs = end->second;
        ends[row.sid] = std::max(end != ends.end() ? end->second : INT64_MIN, row.EndMs());
    }
    std::erase_if(rows, [&](const FileRow& r) {
        return r.startMs >= toMs || (r.EndMs() <= fromMs && r.state != RecordingState::Open);
    });
    return rows;
}

std::optional<FileRow> ArchiveIndex::Find(const std::string& path) const {
    std::lock_guard guard(lock_);
    return db_.Find(path);
}

std::vector<FileBrief> ArchiveIndex::Briefs(const fs::path& root) const {
    std::lock_guard guard(lock_);
    std::vector<FileBrief> briefs = db_.Briefs(RootKey(root));
    for (FileBrief& b : briefs)
        if (open_.count(b.path)) b.state = RecordingState::Open;
    return briefs;
}

}  // namespace nimbrel::archive
