#include "archive/ArchiveDatabase.h"

#include <sqlite3.h>

#include <cstring>
#include <system_error>

#include "platform/Log.h"

namespace nimbrel::archive {
namespace {

constexpr int kSchemaVersion = 1;

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS files(
  path TEXT PRIMARY KEY,
  root TEXT NOT NULL,
  sid TEXT NOT NULL,
  start_ms INTEGER NOT NULL,
  duration_ms INTEGER NOT NULL,
  frames INTEGER NOT NULL,
  bytes INTEGER NOT NULL,
  valid_bytes INTEGER NOT NULL,
  mtime_ns INTEGER NOT NULL,
  state INTEGER NOT NULL,
  kept INTEGER NOT NULL,
  audio INTEGER NOT NULL,
  width INTEGER NOT NULL,
  height INTEGER NOT NULL,
  key_frames BLOB
) WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS files_by_time ON files(root, sid, start_ms);
CREATE INDEX IF NOT EXISTS files_by_start ON files(root, start_ms);
)";

constexpr const char* kColumns =
    "path, root, sid, start_ms, duration_ms, frames, bytes, valid_bytes, mtime_ns, state, kept, "
    "audio, width, height, key_frames";

// One prepared statement, finalised when it goes.
class Statement {
  public:
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &s_, nullptr) != SQLITE_OK) {
            NLOG_DEBUG("archive db: " << sqlite3_errmsg(db));
            s_ = nullptr;
        }
    }
    ~Statement() { sqlite3_finalize(s_); }
    explicit operator bool() const { return s_ != nullptr; }
    sqlite3_stmt* get() const { return s_; }
    void Text(int i, const std::string& v) {
        sqlite3_bind_text(s_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    }
    void Int(int i, int64_t v) { sqlite3_bind_int64(s_, i, v); }
    void Blob(int i, const void* data, std::size_t size) {
        sqlite3_bind_blob(s_, i, data, static_cast<int>(size), SQLITE_TRANSIENT);
    }
    int Step() { return sqlite3_step(s_); }
    std::string TextAt(int i) const {
        const auto* t = sqlite3_column_text(s_, i);
        return t ? std::string(reinterpret_cast<const char*>(t),
                               static_cast<std::size_t>(sqlite3_column_bytes(s_, i)))
                 : std::string();
    }
    int64_t IntAt(int i) const { return sqlite3_column_int64(s_, i); }

  private:
    sqlite3_stmt* s_ = nullptr;
};

RecordingState StateOf(int64_t value) {
    if (value < 0 || value > static_cast<int>(RecordingState::Damaged))
        return RecordingState::Damaged;
    return static_cast<RecordingState>(value);
}

FileRow ReadRow(const Statement& s) {
    FileRow r;
    r.path = s.TextAt(0);
    r.root = s.TextAt(1);
    r.sid = s.TextAt(2);
    r.startMs = s.IntAt(3);
    r.durationMs = s.IntAt(4);
    r.frames = s.IntAt(5);
    r.bytes = static_cast<uint64_t>(s.IntAt(6));
    r.validBytes = static_cast<uint64_t>(s.IntAt(7));
    r.mtimeNs = s.IntAt(8);
    r.state = StateOf(s.IntAt(9));
    r.kept = s.IntAt(10) != 0;
    r.audio = s.IntAt(11) != 0;
    r.width = static_cast<int>(s.IntAt(12));
    r.height = static_cast<int>(s.IntAt(13));
    // The key-frame times as 32-bit values in the machine's order; a blob of another length
    // (a database from elsewhere) is read as far as it holds whole values.
    const void* blob = sqlite3_column_blob(s.get(), 14);
    const int bytes = sqlite3_column_bytes(s.get(), 14);
    if (blob && bytes >= 4) {
        r.keyFramesMs.resize(static_cast<std::size_t>(bytes) / 4);
        std::memcpy(r.keyFramesMs.data(), blob, r.keyFramesMs.size() * 4);
    }
    return r;
}

}  // namespace

ArchiveDatabase::~ArchiveDatabase() {
    Close();
}

void ArchiveDatabase::Close() {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

bool ArchiveDatabase::Exec(const char* sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK) NLOG_DEBUG("archive db: " << (message ? message : "?"));
    sqlite3_free(message);
    return rc == SQLITE_OK;
}

bool ArchiveDatabase::MakeSchema() {
    // Readers of the window go on while the index worker writes; a commit does not wait for
    // the disk (the index can always be rebuilt from the folder).
    if (!Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA busy_timeout=5000;"))
        return false;
    Statement version(db_, "PRAGMA user_version");
    if (!version || version.Step() != SQLITE_ROW) return false;
    const int64_t found = version.IntAt(0);
    if (found != 0 && found != kSchemaVersion) {
        // Another layout: the index is made again from the folder.
        if (!Exec("DROP TABLE IF EXISTS files;")) return false;
    }
    return Exec(kSchema) &&
           Exec(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str()) &&
           Exec("SELECT count(*) FROM files;");
}

bool ArchiveDatabase::Open(const std::filesystem::path& file, std::string& error) {
    Close();
    const auto attempt = [&] {
        if (sqlite3_open_v2(file.c_str(), &db_,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                            nullptr) == SQLITE_OK &&
            MakeSchema())
            return true;
        error = db_ ? sqlite3_errmsg(db_) : "cannot open";
        Close();
        return false;
    };
    if (attempt()) return true;
    if (file == ":memory:") return false;
    // A damaged database is kept for a look and the index starts again from the folder.
    std::error_code ec;
    std::filesystem::path broken = file;
    broken += ".broken";
    std::filesystem::rename(file, broken, ec);
    for (const char* side : {"-wal", "-shm"}) {
        std::filesystem::path extra = file;
        extra += side;
        std::filesystem::remove(extra, ec);
    }
    NLOG_DEBUG("archive db: " << file << " unusable (" << error << "), made anew");
    return attempt();
}

bool ArchiveDatabase::Begin() {
    return Exec("BEGIN");
}

bool ArchiveDatabase::Commit() {
    return Exec("COMMIT");
}

bool ArchiveDatabase::Put(const FileRow& r) {
    Statement s(db_, (std::string("INSERT OR REPLACE INTO files(") + kColumns +
                      ") VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)")
                         .c_str());
    if (!s) return false;
    s.Text(1, r.path);
    s.Text(2, r.root);
    s.Text(3, r.sid);
    s.Int(4, r.startMs);
    s.Int(5, r.durationMs);
    s.Int(6, r.frames);
    s.Int(7, static_cast<int64_t>(r.bytes));
    s.Int(8, static_cast<int64_t>(r.validBytes));
    s.Int(9, r.mtimeNs);
    s.Int(10, static_cast<int>(r.state));
    s.Int(11, r.kept);
    s.Int(12, r.audio);
    s.Int(13, r.width);
    s.Int(14, r.height);
    s.Blob(15, r.keyFramesMs.data(), r.keyFramesMs.size() * sizeof(int32_t));
    return s.Step() == SQLITE_DONE;
}

bool ArchiveDatabase::Remove(const std::string& path) {
    Statement s(db_, "DELETE FROM files WHERE path = ?");
    if (!s) return false;
    s.Text(1, path);
    return s.Step() == SQLITE_DONE;
}

bool ArchiveDatabase::SetKept(const std::string& path, bool kept) {
    Statement s(db_, "UPDATE files SET kept = ? WHERE path = ?");
    if (!s) return false;
    s.Int(1, kept);
    s.Text(2, path);
    return s.Step() == SQLITE_DONE && sqlite3_changes(db_) == 1;
}

std::optional<FileRow> ArchiveDatabase::Find(const std::string& path) const {
    Statement s(db_, (std::string("SELECT ") + kColumns + " FROM files WHERE path = ?").c_str());
    if (!s) return std::nullopt;
    s.Text(1, path);
    if (s.Step() != SQLITE_ROW) return std::nullopt;
    return ReadRow(s);
}

std::vector<FileRow> ArchiveDatabase::Files(const std::string& root, const std::string& sid,
                                            int64_t fromMs, int64_t toMs) const {
    std::vector<FileRow> rows;
    // A file overlaps the window when it starts before its end and ends after its start; a file
    // being written has no length yet and counts as running on.
    const std::string sql = std::string("SELECT ") + kColumns +
                            " FROM files WHERE root = ?1 AND (?2 = '' OR sid = ?2) AND "
                            "start_ms < ?4 AND (start_ms + duration_ms > ?3 OR state = 1) "
                            "ORDER BY start_ms, path";
    Statement s(db_, sql.c_str());
    if (!s) return rows;
    s.Text(1, root);
    s.Text(2, sid);
    s.Int(3, fromMs);
    s.Int(4, toMs);
    while (s.Step() == SQLITE_ROW) rows.push_back(ReadRow(s));
    return rows;
}

std::map<std::string, FileStamp> ArchiveDatabase::Stamps(const std::string& root) const {
    std::map<std::string, FileStamp> stamps;
    Statement s(db_, "SELECT path, bytes, mtime_ns, state, kept FROM files WHERE root = ?");
    if (!s) return stamps;
    s.Text(1, root);
    while (s.Step() == SQLITE_ROW)
        stamps[s.TextAt(0)] = {static_cast<uint64_t>(s.IntAt(1)), s.IntAt(2), StateOf(s.IntAt(3)),
                               s.IntAt(4) != 0};
    return stamps;
}

std::vector<FileBrief> ArchiveDatabase::Briefs(const std::string& root) const {
    std::vector<FileBrief> briefs;
    Statement s(db_,
                "SELECT path, start_ms, bytes, state, kept FROM files WHERE root = ? "
                "ORDER BY start_ms, path");
    if (!s) return briefs;
    s.Text(1, root);
    while (s.Step() == SQLITE_ROW)
        briefs.push_back({s.TextAt(0), s.IntAt(1), static_cast<uint64_t>(s.IntAt(2)),
                          StateOf(s.IntAt(3)), s.IntAt(4) != 0});
    return briefs;
}

}  // namespace nimbrel::archive
