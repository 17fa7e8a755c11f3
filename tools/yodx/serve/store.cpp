#include "tools/yodx/serve/store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
#include <future>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace yodx {
namespace serve {

namespace {

constexpr int kSchemaVersion = 1;

// Tables, each field explained where it is not plain: see store.h.
constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS logs(
  id INTEGER PRIMARY KEY,
  tag TEXT NOT NULL,
  call TEXT NOT NULL,
  category TEXT NOT NULL,
  qso_lines INTEGER NOT NULL,
  counted INTEGER NOT NULL,
  score INTEGER NOT NULL,
  plugin_score INTEGER NOT NULL,
  warnings INTEGER NOT NULL,
  sha256 TEXT NOT NULL,
  size INTEGER NOT NULL,
  received INTEGER NOT NULL,
  late INTEGER NOT NULL,
  address TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS logs_by_call ON logs(call, id);
CREATE TABLE IF NOT EXISTS log_bytes(
  log INTEGER PRIMARY KEY REFERENCES logs(id),
  bytes BLOB NOT NULL);
CREATE TABLE IF NOT EXISTS current(
  call TEXT PRIMARY KEY,
  log INTEGER NOT NULL REFERENCES logs(id)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS refused(
  id INTEGER PRIMARY KEY,
  received INTEGER NOT NULL,
  address TEXT NOT NULL,
  call TEXT NOT NULL,
  sha256 TEXT NOT NULL,
  size INTEGER NOT NULL,
  status INTEGER NOT NULL,
  reason TEXT NOT NULL,
  findings_total INTEGER NOT NULL);
-- kind 0: the findings of logs.id = owner; kind 1: of refused.id = owner.
CREATE TABLE IF NOT EXISTS findings(
  kind INTEGER NOT NULL,
  owner INTEGER NOT NULL,
  seq INTEGER NOT NULL,
  line INTEGER NOT NULL,
  error INTEGER NOT NULL,
  message TEXT NOT NULL,
  PRIMARY KEY(kind, owner, seq)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS settings(
  key TEXT PRIMARY KEY,
  value TEXT NOT NULL) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS runs(
  id INTEGER PRIMARY KEY,
  created INTEGER NOT NULL,
  logs INTEGER NOT NULL,
  summary TEXT NOT NULL,
  html TEXT NOT NULL,
  csv TEXT NOT NULL,
  json TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS reports(
  run INTEGER NOT NULL REFERENCES runs(id),
  call TEXT NOT NULL,
  report TEXT NOT NULL,
  PRIMARY KEY(run, call)) WITHOUT ROWID;
)";

constexpr const char* kLogColumns =
    "logs.id, tag, logs.call, category, qso_lines, counted, score, plugin_score, warnings, "
    "sha256, size, received, late, address, current.log IS NOT NULL";
constexpr const char* kLogJoin = " FROM logs LEFT JOIN current ON current.log = logs.id";

// A failed SQLite call: its code and message.
struct SqlError : std::runtime_error {
  SqlError(sqlite3* db, int code)
      : std::runtime_error(sqlite3_errmsg(db)),
        code(code),
        system_errno(sqlite3_system_errno(db)) {}
  int code, system_errno;
};

void Check(sqlite3* db, int rc) {
  if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE) throw SqlError(db, rc);
}

void Exec(sqlite3* db, const char* sql) {
  Check(db, sqlite3_exec(db, sql, nullptr, nullptr, nullptr));
}

// One prepared statement, bound by position from 1, stepped row by row.
class Statement {
 public:
  Statement(sqlite3* db, const std::string& sql) : db_(db) {
    Check(db, sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, nullptr));
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int i, long long value) {
    Check(db_, sqlite3_bind_int64(stmt_, i, value));
    return *this;
  }
  Statement& Bind(int i, const std::string& text) {
    Check(db_,
          sqlite3_bind_text64(stmt_, i, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
    return *this;
  }
  Statement& BindBlob(int i, const std::string& bytes) {
    Check(db_, sqlite3_bind_blob64(stmt_, i, bytes.data(), bytes.size(), SQLITE_STATIC));
    return *this;
  }
  // True while there is a row.
  bool Step() {
    const int rc = sqlite3_step(stmt_);
    Check(db_, rc);
    return rc == SQLITE_ROW;
  }
  // Steps to the end, then resets: the statement can be bound and run again.
  void Run() {
    while (Step()) {
    }
    sqlite3_reset(stmt_);
  }
  long long Int(int column) const { return sqlite3_column_int64(stmt_, column); }
  std::string Text(int column) const {
    const void* bytes = sqlite3_column_blob(stmt_, column);
    const int size = sqlite3_column_bytes(stmt_, column);
    return bytes == nullptr ? std::string() : std::string(static_cast<const char*>(bytes), size);
  }

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

sqlite3* OpenConnection(const std::string& path, int flags) {
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    const std::string message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close(db);
    throw std::runtime_error(message);
  }
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_timeout(db, 10000);
  return db;
}

LogRecord ReadLog(const Statement& s) {
  LogRecord r;
  r.id = s.Int(0);
  r.tag = s.Text(1);
  r.call = s.Text(2);
  r.category = s.Text(3);
  r.qso_lines = static_cast<int>(s.Int(4));
  r.counted = s.Int(5) != 0;
  r.score = s.Int(6);
  r.plugin_score = s.Int(7);
  r.warnings = static_cast<int>(s.Int(8));
  r.sha256 = s.Text(9);
  r.size = s.Int(10);
  r.received = s.Int(11);
  r.late = s.Int(12) != 0;
  r.address = s.Text(13);
  r.current = s.Int(14) != 0;
  return r;
}

std::vector<StoredFinding> ReadFindings(sqlite3* db, int kind, long long owner) {
  Statement s(
      db, "SELECT line, error, message FROM findings WHERE kind = ? AND owner = ? ORDER BY seq");
  s.Bind(1, kind).Bind(2, owner);
  std::vector<StoredFinding> findings;
  while (s.Step()) findings.push_back({static_cast<int>(s.Int(0)), s.Int(1) != 0, s.Text(2)});
  return findings;
}

void WriteFindings(sqlite3* db, int kind, long long owner, const std::vector<StoredFinding>& list,
                   size_t most) {
  Statement s(db,
              "INSERT INTO findings(kind, owner, seq, line, error, message) VALUES(?,?,?,?,?,?)");
  for (size_t i = 0; i < list.size() && i < most; ++i) {
    s.Bind(1, kind).Bind(2, owner).Bind(3, static_cast<long long>(i)).Bind(4, list[i].line);
    s.Bind(5, list[i].error ? 1 : 0).Bind(6, list[i].message).Run();
  }
}

// What a write that threw tells its caller: a full disk (SQLite's own
// answer, or a write the system refused for want of room) or a failure.
WriteOutcome Failed(const std::exception& e) {
  const SqlError* sql = dynamic_cast<const SqlError*>(&e);
  const int primary = sql != nullptr ? sql->code & 0xff : SQLITE_ERROR;
  const int system_errno = sql != nullptr ? sql->system_errno : 0;
  const bool full = primary == SQLITE_FULL ||
                    (primary == SQLITE_IOERR &&
                     (system_errno == ENOSPC || system_errno == EDQUOT || system_errno == EFBIG));
  return {full ? WriteStatus::kDiskFull : WriteStatus::kFailed, e.what(), 0};
}

}  // namespace

std::string LogRecord::Receipt() const {
  char number[32];
  std::snprintf(number, sizeof number, "%06lld-", id);
  return number + tag;
}

bool ParseReceipt(const std::string& receipt, long long* id, std::string* tag) {
  const size_t dash = receipt.find('-');
  if (dash == std::string::npos || dash == 0 || dash > 12 || receipt.size() - dash - 1 != 12) {
    return false;
  }
  long long number = 0;
  for (size_t i = 0; i < dash; ++i) {
    if (receipt[i] < '0' || receipt[i] > '9') return false;
    number = number * 10 + (receipt[i] - '0');
  }
  for (size_t i = dash + 1; i < receipt.size(); ++i) {
    const char c = receipt[i];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  *id = number;
  *tag = receipt.substr(dash + 1);
  return true;
}

// The writer thread and its queue, and the readers' connections.
class Store::Impl {
 public:
  explicit Impl(const std::string& path) : path_(path) {
    writer_db_ = OpenConnection(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    try {
      Prepare();
    } catch (...) {
      sqlite3_close(writer_db_);
      throw;
    }
    writer_ = std::thread([this] { WriterLoop(); });
  }

  ~Impl() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    writer_.join();
    sqlite3_close(writer_db_);
    for (sqlite3* db : readers_) sqlite3_close(db);
  }

  // Runs WORK in the writer's next transaction and waits for its commit.
  WriteOutcome Write(std::function<long long(sqlite3*)> work) {
    Job job{std::move(work), {}};
    std::future<WriteOutcome> done = job.done.get_future();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      queue_.push_back(std::move(job));
    }
    wake_.notify_one();
    return done.get();
  }

  // A connection for reading, given back by the lease's end.
  class Lease {
   public:
    explicit Lease(const Impl* impl) : impl_(impl), db_(impl->TakeReader()) {}
    ~Lease() { impl_->GiveBack(db_); }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    sqlite3* db() const { return db_; }

   private:
    const Impl* impl_;
    sqlite3* db_;
  };

 private:
  struct Job {
    std::function<long long(sqlite3*)> work;
    std::promise<WriteOutcome> done;
  };

  void Prepare() {
    {
      Statement version(writer_db_, "PRAGMA user_version");
      version.Step();
      const long long found = version.Int(0);
      if (found > kSchemaVersion) {
        throw std::runtime_error("it was made by a later version of yodx (schema " +
                                 std::to_string(found) + ")");
      }
    }
    {
      Statement mode(writer_db_, "PRAGMA journal_mode=WAL");
      if (!mode.Step() || mode.Text(0) != "wal") {
        throw std::runtime_error("the database cannot be put in WAL mode");
      }
    }
    // FULL: each commit syncs the WAL, so a receipt outlives a power cut
    // too, not only the process.
    Exec(writer_db_, "PRAGMA synchronous=FULL");
    Exec(writer_db_, "PRAGMA foreign_keys=ON");
    // Checkpoints every 16 MiB of WAL rather than every 4 MiB: a log is
    // about 40 pages, and each checkpoint syncs the database file too.
    Exec(writer_db_, "PRAGMA wal_autocheckpoint=4000");
    Exec(writer_db_, "BEGIN IMMEDIATE");
    try {
      Exec(writer_db_, kSchema);
      Exec(writer_db_, ("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
      Exec(writer_db_, "COMMIT");
    } catch (...) {
      sqlite3_exec(writer_db_, "ROLLBACK", nullptr, nullptr, nullptr);
      throw;
    }
  }

  void WriterLoop() {
    for (;;) {
      std::vector<Job> batch;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) return;  // stopping, and nothing left to write
        while (!queue_.empty() && batch.size() < kBatch) {
          batch.push_back(std::move(queue_.front()));
          queue_.pop_front();
        }
      }
      Commit(&batch);
    }
  }

  // Writes BATCH in one transaction, each job in a savepoint of its own, and
  // tells each job the outcome of the commit.
  void Commit(std::vector<Job>* batch) {
    std::vector<WriteOutcome> outcomes(batch->size());
    std::vector<bool> own_failure(batch->size(), false);
    try {
      Exec(writer_db_, "BEGIN IMMEDIATE");
      for (size_t i = 0; i < batch->size(); ++i) {
        Exec(writer_db_, "SAVEPOINT job");
        try {
          outcomes[i].id = (*batch)[i].work(writer_db_);
          Exec(writer_db_, "RELEASE job");
        } catch (const std::exception& e) {
          outcomes[i] = Failed(e);
          own_failure[i] = true;
          // Some errors (a full disk among them) end the whole transaction.
          if (sqlite3_get_autocommit(writer_db_)) throw;
          Exec(writer_db_, "ROLLBACK TO job");
          Exec(writer_db_, "RELEASE job");
        }
      }
      Exec(writer_db_, "COMMIT");
      for (size_t i = 0; i < batch->size(); ++i) {
        if (!own_failure[i]) outcomes[i].status = WriteStatus::kCommitted;
      }
    } catch (const std::exception& e) {
      if (!sqlite3_get_autocommit(writer_db_)) {
        sqlite3_exec(writer_db_, "ROLLBACK", nullptr, nullptr, nullptr);
      }
      const WriteOutcome failed = Failed(e);
      for (size_t i = 0; i < outcomes.size(); ++i) {
        if (!own_failure[i]) outcomes[i] = failed;
      }
    }
    for (size_t i = 0; i < batch->size(); ++i) (*batch)[i].done.set_value(outcomes[i]);
  }

  sqlite3* TakeReader() const {
    {
      std::lock_guard<std::mutex> lock(readers_mutex_);
      if (!readers_.empty()) {
        sqlite3* db = readers_.back();
        readers_.pop_back();
        return db;
      }
    }
    sqlite3* db = OpenConnection(path_, SQLITE_OPEN_READWRITE);
    sqlite3_exec(db, "PRAGMA query_only=1", nullptr, nullptr, nullptr);
    return db;
  }

  void GiveBack(sqlite3* db) const {
    std::lock_guard<std::mutex> lock(readers_mutex_);
    readers_.push_back(db);
  }

  static constexpr size_t kBatch = 64;

  const std::string path_;
  sqlite3* writer_db_ = nullptr;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> queue_;
  bool stopping_ = false;
  std::thread writer_;
  mutable std::mutex readers_mutex_;
  mutable std::vector<sqlite3*> readers_;
};

Store::Store(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Store::~Store() = default;

std::unique_ptr<Store> Store::Open(const std::string& path, std::string* error) {
  try {
    return std::unique_ptr<Store>(new Store(std::make_unique<Impl>(path)));
  } catch (const std::exception& e) {
    *error = "cannot open the database " + path + ": " + e.what();
    return nullptr;
  }
}

WriteOutcome Store::AddLog(const LogRecord& r, const std::string& bytes) {
  return impl_->Write([&](sqlite3* db) {
    Statement insert(db,
                     "INSERT INTO logs(tag, call, category, qso_lines, counted, score, "
                     "plugin_score, warnings, sha256, size, received, late, address) "
                     "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?)");
    insert.Bind(1, r.tag).Bind(2, r.call).Bind(3, r.category).Bind(4, r.qso_lines);
    insert.Bind(5, r.counted ? 1 : 0).Bind(6, r.score).Bind(7, r.plugin_score);
    insert.Bind(8, r.warnings).Bind(9, r.sha256).Bind(10, static_cast<long long>(bytes.size()));
    insert.Bind(11, r.received).Bind(12, r.late ? 1 : 0).Bind(13, r.address).Run();
    const long long id = sqlite3_last_insert_rowid(db);
    Statement(db, "INSERT INTO log_bytes(log, bytes) VALUES(?,?)")
        .Bind(1, id)
        .BindBlob(2, bytes)
        .Run();
    Statement(db, "INSERT OR REPLACE INTO current(call, log) VALUES(?,?)")
        .Bind(1, r.call)
        .Bind(2, id)
        .Run();
    WriteFindings(db, 0, id, r.findings, r.findings.size());
    return id;
  });
}

WriteOutcome Store::AddRefused(const RefusedRecord& r) {
  return impl_->Write([&](sqlite3* db) {
    Statement insert(db,
                     "INSERT INTO refused(received, address, call, sha256, size, status, reason, "
                     "findings_total) VALUES(?,?,?,?,?,?,?,?)");
    insert.Bind(1, r.received).Bind(2, r.address).Bind(3, r.call).Bind(4, r.sha256);
    insert.Bind(5, r.size).Bind(6, r.status).Bind(7, r.reason).Bind(8, r.findings_total).Run();
    const long long id = sqlite3_last_insert_rowid(db);
    WriteFindings(db, 1, id, r.findings, RefusedRecord::kKeptFindings);
    return id;
  });
}

WriteOutcome Store::SetSetting(const std::string& key, const std::string& value) {
  return SetSettings({{key, value}});
}

WriteOutcome Store::SetSettings(const std::vector<std::pair<std::string, std::string>>& settings) {
  return impl_->Write([&](sqlite3* db) {
    Statement set(db, "INSERT OR REPLACE INTO settings(key, value) VALUES(?,?)");
    for (const auto& [key, value] : settings) set.Bind(1, key).Bind(2, value).Run();
    return 0LL;
  });
}

WriteOutcome Store::AddRun(const RunRecord& run,
                           const std::vector<std::pair<std::string, std::string>>& reports) {
  return impl_->Write([&](sqlite3* db) {
    Statement insert(
        db, "INSERT INTO runs(created, logs, summary, html, csv, json) VALUES(?,?,?,?,?,?)");
    insert.Bind(1, run.created).Bind(2, run.logs).Bind(3, run.summary).Bind(4, run.html);
    insert.Bind(5, run.csv).Bind(6, run.json).Run();
    const long long id = sqlite3_last_insert_rowid(db);
    Statement report(db, "INSERT OR REPLACE INTO reports(run, call, report) VALUES(?,?,?)");
    for (const auto& [call, text] : reports) {
      report.Bind(1, id).Bind(2, call).Bind(3, text).Run();
    }
    return id;
  });
}

std::vector<LogRecord> Store::CurrentLogs() const {
  Impl::Lease lease(impl_.get());
  Statement s(lease.db(),
              std::string("SELECT ") + kLogColumns +
                  " FROM current JOIN logs ON logs.id = current.log ORDER BY current.call");
  std::vector<LogRecord> logs;
  while (s.Step()) logs.push_back(ReadLog(s));
  return logs;
}

std::vector<std::pair<LogRecord, std::string>> Store::CurrentLogsWithBytes() const {
  Impl::Lease lease(impl_.get());
  Statement s(lease.db(), std::string("SELECT ") + kLogColumns +
                              ", log_bytes.bytes FROM current JOIN logs ON logs.id = current.log "
                              "JOIN log_bytes ON log_bytes.log = logs.id ORDER BY current.call");
  std::vector<std::pair<LogRecord, std::string>> logs;
  while (s.Step()) logs.emplace_back(ReadLog(s), s.Text(15));
  return logs;
}

std::vector<LogRecord> Store::Versions() const {
  Impl::Lease lease(impl_.get());
  Statement s(lease.db(),
              std::string("SELECT ") + kLogColumns + kLogJoin + " ORDER BY logs.id DESC");
  std::vector<LogRecord> logs;
  while (s.Step()) logs.push_back(ReadLog(s));
  return logs;
}

std::vector<RefusedRecord> Store::Refused(int limit) const {
  Impl::Lease lease(impl_.get());
  Statement s(lease.db(),
              "SELECT id, received, address, call, sha256, size, status, reason, findings_total "
              "FROM refused ORDER BY id DESC LIMIT ?");
  s.Bind(1, limit);
  std::vector<RefusedRecord> list;
  while (s.Step()) {
    RefusedRecord r;
    r.id = s.Int(0);
    r.received = s.Int(1);
    r.address = s.Text(2);
    r.call = s.Text(3);
    r.sha256 = s.Text(4);
    r.size = s.Int(5);
    r.status = static_cast<int>(s.Int(6));
    r.reason = s.Text(7);
    r.findings_total = static_cast<int>(s.Int(8));
    list.push_back(std::move(r));
  }
  if (list.empty()) return list;
  // The attempts listed are every id from the last one to the first: their
  // findings in one query, not one a row.
  Statement f(lease.db(),
              "SELECT owner, line, error, message FROM findings "
              "WHERE kind = 1 AND owner BETWEEN ? AND ? ORDER BY owner, seq");
  f.Bind(1, list.back().id).Bind(2, list.front().id);
  size_t at = list.size();  // list is newest first: walked from its end
  while (f.Step()) {
    const long long owner = f.Int(0);
    while (at > 0 && list[at - 1].id < owner) --at;
    if (at > 0 && list[at - 1].id == owner) {
      list[at - 1].findings.push_back({static_cast<int>(f.Int(1)), f.Int(2) != 0, f.Text(3)});
    }
  }
  return list;
}

bool Store::FindLog(long long id, const std::string& tag, LogRecord* record,
                    std::string* bytes) const {
  Impl::Lease lease(impl_.get());
  Statement s(lease.db(),
              std::string("SELECT ") + kLogColumns + kLogJoin + " WHERE logs.id = ? AND tag = ?");
  s.Bind(1, id).Bind(2, tag);
  if (!s.Step()) return false;
  *record = ReadLog(s);
  record->findings = ReadFindings(lease.db(), 0, id);
  if (bytes != nullptr) {
    Statement b(lease.db(), "SELECT bytes FROM log_bytes WHERE log = ?");
    b.Bind(1, id);
    *bytes = b.Step() ? b.Text(0) : std::string();
  }
  return true;
}

std::string Store::Setting(const std::string& key) const {
  Impl::Lease lease(impl_.get());
  Statement s(lease.db(), "SELECT value FROM settings WHERE key = ?");
  s.Bind(1, key);
  return s.Step() ? s.Text(0) : std::string();
}

bool Store::FindRun(long long id, RunRecord* run, bool pages) const {
  Impl::Lease lease(impl_.get());
  Statement s(lease.db(), std::string("SELECT id, created, logs, summary") +
                              (pages ? ", html, csv, json" : "") + " FROM runs " +
                              (id == 0 ? "ORDER BY id DESC LIMIT 1" : "WHERE id = ?"));
  if (id != 0) s.Bind(1, id);
  if (!s.Step()) return false;
  run->id = s.Int(0);
  run->created = s.Int(1);
  run->logs = static_cast<int>(s.Int(2));
  run->summary = s.Text(3);
  run->html = pages ? s.Text(4) : std::string();
  run->csv = pages ? s.Text(5) : std::string();
  run->json = pages ? s.Text(6) : std::string();
  return true;
}

bool Store::FindReport(long long run, const std::string& call, std::string* text) const {
  Impl::Lease lease(impl_.get());
  Statement s(lease.db(), "SELECT report FROM reports WHERE run = ? AND call = ?");
  s.Bind(1, run).Bind(2, call);
  if (!s.Step()) return false;
  *text = s.Text(0);
  return true;
}

std::vector<std::string> Store::ReportCalls(long long run) const {
  Impl::Lease lease(impl_.get());
  Statement s(lease.db(), "SELECT call FROM reports WHERE run = ? ORDER BY call");
  s.Bind(1, run);
  std::vector<std::string> calls;
  while (s.Step()) calls.push_back(s.Text(0));
  return calls;
}

long long Store::CountRows(const char* table) const {
  Impl::Lease lease(impl_.get());
  Statement s(lease.db(), std::string("SELECT COUNT(*) FROM ") + table);
  s.Step();
  return s.Int(0);
}

long long Store::CountCurrent() const {
  return CountRows("current");
}
long long Store::CountVersions() const {
  return CountRows("logs");
}
long long Store::CountRefused() const {
  return CountRows("refused");
}

bool SyncFolderOf(const std::string& file) {
  const std::filesystem::path folder = std::filesystem::path(file).parent_path();
  const std::string name = folder.empty() ? std::string(".") : folder.string();
  const int fd = ::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  const int why = errno;  // the fsync's, for the caller's message
  ::close(fd);
  errno = why;
  return synced;
}

bool Store::Backup(const std::string& path, const std::string& file, std::string* error) {
  // Renamed over the database or its WAL, the copy would take the place of
  // the file the server writes, and what it commits after would be lost.
  std::error_code ec;
  const std::filesystem::path target = std::filesystem::weakly_canonical(file, ec);
  bool own = false;
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
    std::error_code same;
    own = own || (!ec && target == std::filesystem::weakly_canonical(path + suffix, same) && !same);
  }
  if (own) {
    *error = "cannot back up " + path + " to " + file + ": that is the database's own file";
    return false;
  }
  const std::string partial = file + ".partial";
  sqlite3* from = nullptr;
  sqlite3* to = nullptr;
  try {
    from = OpenConnection(path, SQLITE_OPEN_READONLY);
    std::remove(partial.c_str());
    to = OpenConnection(partial, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
    if (backup == nullptr) throw SqlError(to, sqlite3_errcode(to));
    // All pages in one step: one read transaction, so the copy is of one
    // commit, whatever the server writes meanwhile.
    const int rc = sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) throw SqlError(to, rc);
    // The copy is a plain database of its own, with no WAL beside it.
    Exec(to, "PRAGMA journal_mode=DELETE");
    Statement check(to, "PRAGMA integrity_check");
    if (!check.Step() || check.Text(0) != "ok") {
      throw std::runtime_error("the copy fails its integrity check: " + check.Text(0));
    }
  } catch (const std::exception& e) {
    *error = "cannot back up " + path + " to " + file + ": " + e.what();
    sqlite3_close(to);
    sqlite3_close(from);
    std::remove(partial.c_str());
    return false;
  }
  sqlite3_close(to);
  sqlite3_close(from);
  if (std::rename(partial.c_str(), file.c_str()) != 0) {
    *error = "cannot back up " + path + ": cannot rename " + partial + " to " + file;
    std::remove(partial.c_str());
    return false;
  }
  // Done is said only of a copy whose name survives a power cut too.
  if (!SyncFolderOf(file)) {
    *error = "cannot back up " + path + ": cannot sync the folder of " + file + ": " +
             std::generic_category().message(errno);
    return false;
  }
  return true;
}

}  // namespace serve
}  // namespace yodx
