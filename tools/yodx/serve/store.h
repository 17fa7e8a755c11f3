// The robot's storage: one SQLite database with every accepted log's bytes
// as uploaded, its receipt and what the checks said, a record of every
// refused attempt, the organiser's settings and the cross-check's runs.
//
// WAL mode with synchronous=FULL: once a write has returned kCommitted it is
// in the synced WAL, and a kill -9 or a power cut cannot take it back. Every
// write goes through one thread and one connection, which commits whatever
// is waiting as one transaction (a SAVEPOINT each, one sync for all); a
// write that fails, or whose commit fails, leaves nothing of itself behind.
// Reads use connections of their own and see the last commit.
#ifndef YODX_SERVE_STORE_H_
#define YODX_SERVE_STORE_H_

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace yodx {
namespace serve {

// Seconds since 1970-01-01 00:00:00 UTC.
using UnixSeconds = long long;

struct StoredFinding {
  int line = 0;
  bool error = false;  // else a warning
  std::string message;
};

// One accepted version of a station's log, without its bytes.
struct LogRecord {
  long long id = 0;  // the store's number, from 1
  std::string tag;   // 12 random hex digits: a receipt cannot be guessed from its number
  std::string call;  // CALLSIGN:, upper case: the station whose current log it may be
  std::string category;
  int qso_lines = 0;
  bool counted = false;                   // false when the country file cannot place the station
  long long score = 0, plugin_score = 0;  // the organiser's count, the plug-in's claim
  int warnings = 0;
  std::string sha256;  // of the bytes kept
  long long size = 0;
  UnixSeconds received = 0;
  bool late = false;  // received after the deadline, with late logs allowed
  std::string address;
  bool current = false;                 // the call's log that counts (reads set it)
  std::vector<StoredFinding> findings;  // where a read says it fills them

  // "000042-3f9a1c7b2d10".
  std::string Receipt() const;
};

// Splits RECEIPT into the store's number and the tag; false when it is not one.
bool ParseReceipt(const std::string& receipt, long long* id, std::string* tag);

// Syncs the folder that holds FILE, so that a file just made or renamed in it
// is still there after a power cut; false when it could not.
bool SyncFolderOf(const std::string& file);

// An upload that was refused: what was answered, never the log.
struct RefusedRecord {
  long long id = 0;
  UnixSeconds received = 0;
  std::string address;
  std::string call;  // as the log names it, "" when it names none
  std::string sha256;
  long long size = 0;
  int status = 0;      // the HTTP status answered
  std::string reason;  // the sentence answered
  int findings_total = 0;
  std::vector<StoredFinding> findings;  // the first kKeptFindings of them
  static constexpr size_t kKeptFindings = 500;
};

// One run of the cross-check over the current logs.
struct RunRecord {
  long long id = 0;
  UnixSeconds created = 0;
  int logs = 0;
  std::string summary;  // the classes of the whole contest, as crosscheck prints them
  std::string html, csv, json;
};

enum class WriteStatus { kCommitted, kDiskFull, kFailed };

struct WriteOutcome {
  WriteStatus status = WriteStatus::kFailed;
  std::string message;  // SQLite's, when not committed
  long long id = 0;     // the new row's number, when committed
};

class Store {
 public:
  // Opens the database at PATH, creating it and its tables when missing.
  // Null with *error when it cannot be opened, is not a database of ours, or
  // was made by a later version.
  static std::unique_ptr<Store> Open(const std::string& path, std::string* error);
  // Finishes the writes that are queued, then closes every connection.
  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  // Keeps RECORD (id and current ignored) with BYTES and makes it its call's
  // current log. Returns once committed, or once it is certain it was not.
  WriteOutcome AddLog(const LogRecord& record, const std::string& bytes);
  WriteOutcome AddRefused(const RefusedRecord& record);
  WriteOutcome SetSetting(const std::string& key, const std::string& value);
  // Several settings in one commit: all of them, or none.
  WriteOutcome SetSettings(const std::vector<std::pair<std::string, std::string>>& settings);
  // Keeps RUN with REPORTS, (call, report text) pairs.
  WriteOutcome AddRun(const RunRecord& run,
                      const std::vector<std::pair<std::string, std::string>>& reports);

  // Reads. Each throws std::runtime_error when the database cannot be read.
  // The current log of every call, by call; no findings.
  std::vector<LogRecord> CurrentLogs() const;
  // With their bytes, for the cross-check and the zip.
  std::vector<std::pair<LogRecord, std::string>> CurrentLogsWithBytes() const;
  // Every version, newest first; no findings.
  std::vector<LogRecord> Versions() const;
  // The refused attempts, newest first, at most LIMIT, with their findings.
  std::vector<RefusedRecord> Refused(int limit) const;
  // The version of receipt ID and TAG with its findings, and its bytes into
  // *BYTES when given; false when there is none.
  bool FindLog(long long id, const std::string& tag, LogRecord* record, std::string* bytes) const;
  // The value of a setting, "" when it was never set.
  std::string Setting(const std::string& key) const;
  // Run ID, or the latest when ID is 0; false when there is none. Without
  // PAGES, its html, csv and json are left empty.
  bool FindRun(long long id, RunRecord* run, bool pages = true) const;
  // The report of CALL in run RUN; false when the run has none.
  bool FindReport(long long run, const std::string& call, std::string* text) const;
  // The calls that run RUN holds a report of, in order.
  std::vector<std::string> ReportCalls(long long run) const;
  // How many calls have a current log, and how many versions and refused
  // attempts are kept.
  long long CountCurrent() const;
  long long CountVersions() const;
  long long CountRefused() const;

  // A consistent copy of the database at PATH, taken through SQLite's online
  // backup API while a server may be writing it, into FILE (written beside
  // it, checked with integrity_check, then renamed into place). False with
  // *error.
  static bool Backup(const std::string& path, const std::string& file, std::string* error);

 private:
  class Impl;
  explicit Store(std::unique_ptr<Impl> impl);
  long long CountRows(const char* table) const;
  std::unique_ptr<Impl> impl_;
};

}  // namespace serve
}  // namespace yodx

#endif  // YODX_SERVE_STORE_H_
