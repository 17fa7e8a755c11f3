// The log robot's parts without HTTP: what an upload is judged, what the
// store keeps and copies, the organiser's token, the limits per address, and
// the escaping of what a log says. The server itself is driven by real
// clients in tests/check_serve.py.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <set>
#include <thread>

#include "tests/support/scratch_dir.h"
#include "tests/support/small_country_file.h"
#include "tools/contest/text.h"
#include "tools/yodx/serve/admin.h"
#include "tools/yodx/serve/crypto.h"
#include "tools/yodx/serve/intake.h"
#include "tools/yodx/serve/pages.h"
#include "tools/yodx/serve/rate.h"
#include "tools/yodx/serve/store.h"

namespace yodx {
namespace serve {
namespace {

using stats::testing::ScratchDir;

// A Romanian station's log that lint takes without a finding.
constexpr char kCleanLog[] =
    "START-OF-LOG: 3.0\r\nCONTEST: YO-DX-HF\r\nCALLSIGN: YO3ABC\r\n"
    "CATEGORY-OPERATOR: SINGLE-OP\r\nCATEGORY-BAND: ALL\r\nCATEGORY-TRANSMITTER: ONE\r\n"
    "CLAIMED-SCORE: 80\r\n"
    "QSO: 14025 CW 2021-08-28 1200 YO3ABC  579 BU DL1ABC  599 001\r\n"
    "QSO:  7150 PH 2021-08-28 2300 YO3ABC  59  BU YO9BBB  57  CT\r\n"
    "END-OF-LOG:\r\n";

// TEXT (ASCII) as a Windows logger saves a "Unicode" file.
std::string Utf16(const std::string& text) {
  std::string out = "\xFF\xFE";
  for (char c : text) {
    out += c;
    out += '\0';
  }
  return out;
}

const CtyFile& Countries() {
  static const CtyFile countries = [] {
    CtyFile cty;
    EXPECT_TRUE(cty.Parse(stats::testing::kSmallCountryFile));
    return cty;
  }();
  return countries;
}

LogRecord Record(const std::string& call, UnixSeconds received) {
  LogRecord r;
  r.tag = RandomHex(6);
  r.call = call;
  r.category = "SINGLE-OP ALL";
  r.qso_lines = 2;
  r.counted = true;
  r.score = 80;
  r.plugin_score = 120;
  r.sha256 = Sha256Hex(call);
  r.received = received;
  r.address = "192.0.2.7";
  r.findings = {{9, false, "a warning of " + call}};
  return r;
}

TEST(ServeIntakeTest, EachUploadGetsItsVerdict) {
  constexpr UnixSeconds kNow = 1800000000;
  const UploadWindow open, closed{true, kNow - 1, false}, late{true, kNow - 1, true};
  std::string version2 = kCleanLog;  // as a logger of Cabrillo 2.0 writes it
  version2.replace(version2.find("3.0"), 3, "2.0");
  const std::string categories = "CATEGORY-OPERATOR: SINGLE-OP\r\nCATEGORY-BAND: ALL\r\n";
  version2.replace(version2.find(categories), categories.size(), "CATEGORY: single-op all\r\n");
  std::string wrong_contest = kCleanLog;
  wrong_contest.replace(wrong_contest.find("YO-DX-HF"), 8, "CQ-WW-CW");
  const struct {
    const char* what;
    std::string bytes;
    UploadWindow window;
    Verdict verdict;
    int status;
    const char* sentence;
  } kCases[] = {
      {"clean", kCleanLog, open, Verdict::kAccepted, 201, "The log of YO3ABC is accepted."},
      {"UTF-16", Utf16(kCleanLog), open, Verdict::kAccepted, 201, "is accepted"},
      {"Cabrillo 2.0", version2, open, Verdict::kAccepted, 201, "with 1 warning"},
      {"late", kCleanLog, late, Verdict::kAccepted, 201, "as a late log"},
      {"closed", kCleanLog, closed, Verdict::kClosed, 403, "Uploads closed at the deadline"},
      {"empty", " \r\n\t", open, Verdict::kRefused, 422, "The log is empty"},
      {"zip", std::string("PK\x03\x04\x14\x00\x00\x00", 8) + "xl/workbook.xml", open,
       Verdict::kRefused, 422, "not a text file"},
      {"control bytes", std::string(40, '\x01') + kCleanLog, open, Verdict::kRefused, 422,
       "not a text file"},
      {"lint error", wrong_contest, open, Verdict::kRefused, 422, "The log is refused: 1 error"},
  };
  for (const auto& c : kCases) {
    const Assessment a = Assess(c.bytes, Countries(), LintOptions{}, c.window, kNow);
    EXPECT_EQ(a.verdict, c.verdict) << c.what;
    EXPECT_EQ(a.status, c.status) << c.what;
    EXPECT_NE(a.sentence.find(c.sentence), std::string::npos) << c.what << ": " << a.sentence;
    EXPECT_EQ(a.sha256, Sha256Hex(c.bytes)) << c.what;
    EXPECT_EQ(a.late, c.window.late_allowed) << c.what;
  }
  const Assessment utf16 = Assess(Utf16(kCleanLog), Countries(), LintOptions{}, open, kNow);
  EXPECT_EQ(utf16.call, "YO3ABC");
  EXPECT_EQ(utf16.lint.qso_lines, 2);
  EXPECT_EQ(utf16.lint.claim.organiser.score(), 10 * 2);  // 2 + 8 points, a DXCC and a county
  EXPECT_EQ(Assess(version2, Countries(), LintOptions{}, open, kNow).category, "SINGLE-OP ALL");
  const Assessment refused = Assess(wrong_contest, Countries(), LintOptions{}, open, kNow);
  ASSERT_EQ(refused.lint.findings.size(), 1u);
  EXPECT_EQ(refused.lint.findings[0].line, 2);
}

// A store of its own in a scratch folder.
class ServeStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    store_ = Store::Open(path_, &error);
    ASSERT_TRUE(store_) << error;
  }
  ScratchDir dir_;
  const std::string path_ = (dir_.path() / "logs.sqlite").string();
  std::unique_ptr<Store> store_;
};

TEST_F(ServeStoreTest, EveryVersionIsKeptAndTheLatestCounts) {
  const std::string first = std::string("first\0bytes", 11), second = "second", other = "other";
  const WriteOutcome a = store_->AddLog(Record("YO3ABC", 100), first);
  const WriteOutcome b = store_->AddLog(Record("DL1ABC", 200), other);
  LogRecord again = Record("YO3ABC", 300);
  const WriteOutcome c = store_->AddLog(again, second);
  for (const WriteOutcome& w : {a, b, c}) ASSERT_EQ(w.status, WriteStatus::kCommitted) << w.message;

  const std::vector<LogRecord> current = store_->CurrentLogs();
  ASSERT_EQ(current.size(), 2u);
  EXPECT_EQ(current[0].call, "DL1ABC");
  EXPECT_EQ(current[1].id, c.id);
  const std::vector<LogRecord> versions = store_->Versions();
  ASSERT_EQ(versions.size(), 3u);
  EXPECT_EQ(versions[2].id, a.id);
  EXPECT_FALSE(versions[2].current);

  // A receipt finds its version and the bytes exactly as they were sent.
  again.id = c.id;
  long long id = 0;
  std::string tag, bytes;
  LogRecord found;
  ASSERT_TRUE(ParseReceipt(versions[2].Receipt(), &id, &tag));
  ASSERT_TRUE(store_->FindLog(id, tag, &found, &bytes));
  EXPECT_EQ(bytes, first);
  ASSERT_EQ(found.findings.size(), 1u);
  EXPECT_EQ(found.findings[0].message, "a warning of YO3ABC");
  EXPECT_FALSE(store_->FindLog(id, RandomHex(6), &found, &bytes)) << "a receipt's tag is its key";
  EXPECT_FALSE(ParseReceipt("42-../../etc", &id, &tag));
  EXPECT_EQ(store_->CurrentLogsWithBytes()[1].second, second);
}

TEST_F(ServeStoreTest, RefusedAttemptKeepsItsRecordNotTheLog) {
  RefusedRecord r;
  r.received = 500;
  r.address = "198.51.100.4";
  r.call = "F5XYZ";
  r.status = 422;
  r.reason = "The log is refused: 600 errors";
  for (int line = 1; line <= 600; ++line) r.findings.push_back({line, true, "bad"});
  r.findings_total = 600;
  ASSERT_EQ(store_->AddRefused(r).status, WriteStatus::kCommitted);
  const std::vector<RefusedRecord> kept = store_->Refused(10);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].findings.size(), RefusedRecord::kKeptFindings);
  EXPECT_EQ(kept[0].findings_total, 600);
  EXPECT_EQ(store_->CountVersions(), 0);

  // Later attempts, one without findings: each listed with its own.
  for (const char* reason : {"two", "none", "one"}) {
    RefusedRecord next;
    next.reason = reason;
    const int n = reason[0] == 't' ? 2 : reason[0] == 'o' ? 1 : 0;
    for (int line = 1; line <= n; ++line) next.findings.push_back({line, true, reason});
    ASSERT_EQ(store_->AddRefused(next).status, WriteStatus::kCommitted);
  }
  const std::vector<RefusedRecord> newest = store_->Refused(3);
  ASSERT_EQ(newest.size(), 3u);
  EXPECT_EQ(newest[0].reason, "one");
  EXPECT_EQ(newest[0].findings.size(), 1u);
  EXPECT_TRUE(newest[1].findings.empty());
  ASSERT_EQ(newest[2].findings.size(), 2u);
  EXPECT_EQ(newest[2].findings[1].line, 2);
  EXPECT_EQ(newest[2].findings[1].message, "two");
  EXPECT_EQ(store_->CountRefused(), 4);
}

// A run's reports are those of the logs it checked: a call that sent its
// first log after the run has none in it.
TEST_F(ServeStoreTest, RunKeepsItsOwnReports) {
  RunRecord run;
  run.created = 700;
  run.logs = 2;
  run.summary = "2 logs checked";
  run.html = "<html>";
  ASSERT_EQ(store_->AddRun(run, {{"YO3ABC", "a"}, {"DL1ABC", "b"}}).status,
            WriteStatus::kCommitted);
  RunRecord found;
  ASSERT_TRUE(store_->FindRun(0, &found, false));
  EXPECT_EQ(found.summary, "2 logs checked");
  EXPECT_TRUE(found.html.empty());
  ASSERT_TRUE(store_->FindRun(found.id, &found));
  EXPECT_EQ(found.html, "<html>");
  EXPECT_EQ(store_->ReportCalls(found.id), (std::vector<std::string>{"DL1ABC", "YO3ABC"}));
  EXPECT_TRUE(store_->ReportCalls(found.id + 1).empty());
}

// Uploads from many threads at once are committed in groups: each gets its
// own number and finds its own bytes, and a backup taken meanwhile is one
// whole commit of them.
TEST_F(ServeStoreTest, ConcurrentWritesAndABackupMeanwhile) {
  std::string error;
  constexpr int kThreads = 8, kEach = 15;
  std::vector<std::thread> threads;
  std::vector<long long> ids(kThreads * kEach);
  std::atomic<int> failed{0};
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) {
        const std::string call = "DL" + std::to_string(t) + "A" + std::string(1, 'A' + i);
        const WriteOutcome w = store_->AddLog(Record(call, i), "bytes of " + call);
        failed += w.status == WriteStatus::kCommitted ? 0 : 1;
        ids[t * kEach + i] = w.id;
      }
    });
  }
  const std::string copy = (dir_.path() / "copy.sqlite").string();
  const bool backed_up = Store::Backup(path_, copy, &error);
  for (std::thread& t : threads) t.join();
  ASSERT_TRUE(backed_up) << error;
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(std::set<long long>(ids.begin(), ids.end()).size(), ids.size());
  EXPECT_EQ(store_->CurrentLogs().size(), ids.size());

  std::unique_ptr<Store> restored = Store::Open(copy, &error);
  ASSERT_TRUE(restored) << error;
  for (const auto& [record, bytes] : restored->CurrentLogsWithBytes()) {
    EXPECT_EQ(bytes, "bytes of " + record.call);
  }
  EXPECT_LE(restored->CountVersions(), static_cast<long long>(ids.size()));

  // Never over the database's own files, as written or by another way there.
  for (const std::string& own :
       {path_, path_ + "-wal", (dir_.path() / "." / "logs.sqlite").string()}) {
    EXPECT_FALSE(Store::Backup(path_, own, &error)) << own;
  }
  EXPECT_EQ(store_->CurrentLogs().size(), ids.size());
}

TEST(ServeAdminTest, TheTokenIsWrittenOnceForItsOwnerAndOnlyItsHashKept) {
  ScratchDir dir;
  std::string error, note;
  std::unique_ptr<Store> store = Store::Open((dir.path() / "logs.sqlite").string(), &error);
  ASSERT_TRUE(store) << error;
  const std::string path = (dir.path() / "admin.token").string();
  ASSERT_TRUE(PrepareToken(store.get(), path, false, &note, &error)) << error;
  EXPECT_NE(note.find(path), std::string::npos);
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  std::string token = stats::testing::ReadFileBytes(path);
  ASSERT_EQ(token.size(), 65u);
  token.pop_back();
  EXPECT_EQ(TokenHash(*store), Sha256Hex(token));

  ASSERT_TRUE(PrepareToken(store.get(), path, false, &note, &error));
  EXPECT_EQ(note, "") << "a second start keeps the token";
  Organiser organiser(TokenHash(*store));
  EXPECT_TRUE(organiser.IsToken(token));
  EXPECT_FALSE(organiser.IsToken(token.substr(1)));
  EXPECT_FALSE(organiser.IsToken(TokenHash(*store))) << "the hash is no token";
  const std::string session = organiser.OpenSession();
  EXPECT_TRUE(organiser.IsSession(session));
  organiser.CloseSession(session);
  EXPECT_FALSE(organiser.IsSession(session));

  ASSERT_TRUE(PrepareToken(store.get(), path, true, &note, &error)) << error;
  EXPECT_NE(stats::testing::ReadFileBytes(path), token + "\n");
  EXPECT_NE(TokenHash(*store), Sha256Hex(token));
}

TEST(ServeRateTest, EachAddressHasItsMinute) {
  RateLimit limit(3);
  const RateLimit::Clock::time_point t0{};
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(limit.Allow("192.0.2.1", t0 + std::chrono::seconds(i)));
  EXPECT_FALSE(limit.Allow("192.0.2.1", t0 + std::chrono::seconds(59)));
  EXPECT_TRUE(limit.Allow("192.0.2.2", t0 + std::chrono::seconds(59)));
  EXPECT_TRUE(limit.Allow("192.0.2.1", t0 + std::chrono::seconds(60)));
  EXPECT_TRUE(RateLimit(0).Allow("192.0.2.1"));

  // An IPv6 machine may take any address of its /64: the limit counts the /64.
  const struct {
    const char* address;
    const char* key;
  } kKeys[] = {{"192.0.2.1", "192.0.2.1"},
               {"::ffff:192.0.2.1", "192.0.2.1"},
               {"2001:db8:1:2:a:b:c:d", "2001:db8:1:2::/64"},
               {"2001:db8:1:3::1", "2001:db8:1:3::/64"},
               {"::1", "::/64"},
               {"not an address", "not an address"}};
  for (const auto& k : kKeys) EXPECT_EQ(LimitKey(k.address), k.key) << k.address;
  RateLimit v6(1);
  EXPECT_TRUE(v6.Allow("2001:db8:1:2::1", t0));
  EXPECT_FALSE(v6.Allow("2001:db8:1:2:ffff::2", t0));
  EXPECT_TRUE(v6.Allow("2001:db8:1:3::1", t0));
}

TEST(ServePagesTest, WhatALogSaysIsEscapedEverywhere) {
  const std::string script = "<script>alert('x')</script>";
  LogRecord r = Record("YO3ABC", 100);
  r.call = script;
  r.category = "=HYPERLINK(\"http://x\",\"y\")";
  r.address = "\"><img src=x>";
  RefusedRecord refused;
  refused.call = script;
  refused.reason = script;
  refused.findings = {{1, true, script}};
  const RobotState state;
  for (const std::string& page :
       {LogsPage({r}, state), VersionsPage({r}), RefusedPage({refused})}) {
    EXPECT_EQ(page.find("<script"), std::string::npos) << page;
    EXPECT_EQ(page.find("<img"), std::string::npos) << page;
    EXPECT_NE(page.find("&lt;script&gt;"), std::string::npos);
  }
  const std::string csv = LogsCsv({r});
  EXPECT_NE(csv.find(",\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\","), std::string::npos) << csv;

  const struct {
    const char* cell;
    const char* written;
  } kCells[] = {{"YO3ABC", "YO3ABC"}, {"+1", "'+1"},      {"-2", "'-2"}, {"@SUM(A1)", "'@SUM(A1)"},
                {"\tx", "'\tx"},      {"a,b", "\"a,b\""}, {"", ""},      {"1-2", "1-2"}};
  for (const auto& c : kCells) EXPECT_EQ(CsvCell(c.cell), c.written) << c.cell;
}

}  // namespace
}  // namespace serve
}  // namespace yodx
