// lint's rules, grouped by what they read: the header's lines, each QSO line,
// and the log as a whole. Each group adds its findings to one list, in the
// order it finds them; LintCabrillo puts the list in line order.
#ifndef YODX_LINT_RULES_H_
#define YODX_LINT_RULES_H_

#include <memory_resource>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tools/contest/contact.h"
#include "tools/contest/cty.h"
#include "tools/contest/dates.h"
#include "tools/contest/rules.h"
#include "tools/yodx/lint/linter.h"

namespace yodx {
namespace lint {

class Findings {
 public:
  explicit Findings(std::vector<Finding>* list) : list_(list) {}
  void Error(int line, const char* rule, std::string message) {
    list_->push_back({line, Severity::kError, rule, std::move(message)});
  }
  void Warning(int line, const char* rule, std::string message) {
    list_->push_back({line, Severity::kWarning, rule, std::move(message)});
  }

 private:
  std::vector<Finding>* list_;
};

// A text as a message quotes it: printable, bounded.
std::string Quote(std::string_view text);

// Letters, digits and '/', parts between the slashes not empty, and at least
// one letter and one digit: what a call sign can look like.
bool IsCallSign(std::string_view call);

// What the header says that the QSO lines are read against.
struct Header {
  std::string contest, callsign;  // upper case, the first of each
  int contest_line = 0, callsign_line = 0;
  bool claimed_score = false;
  bool two_transmitters = false;  // CATEGORY-TRANSMITTER: TWO
};

// The header: each "TAG: value" line that is not a QSO line, then the tags
// the log must have.
class HeaderRules {
 public:
  explicit HeaderRules(Findings* findings) : findings_(findings) {}
  void Line(int line, bool first, const std::string& tag, std::string_view value);
  // TOP is the line a missing tag is reported on.
  void Finish(int top);
  const Header& header() const { return header_; }

 private:
  void Category(int line, const std::string& tag, std::string_view value);

  Findings* findings_;
  Header header_;
};

// A QSO line: its number and its blank-separated fields after "QSO:".
struct QsoLine {
  int line = 0;
  std::vector<std::string_view> fields;
  // The contact that the Cabrillo reader took from the line, and the
  // station it worked as the country file placed it; null when the reader
  // left the line out.
  const Contact* contact = nullptr;
  const Station* worked = nullptr;
};

// The log's contacts as the Cabrillo reader takes its QSO lines, and the
// station each worked, placed once for the exchange rule and the count.
struct ReadLog {
  std::vector<Contact> contacts;
  std::vector<Station> stations;
};

// The station a QSO line worked, on which band and in which mode.
struct Worked {
  std::string call, band, mode;
};

// Each QSO line on its own: the fields, the frequency and band, the mode, the
// date and time within the period, the calls, the reports, the exchanges.
class QsoRules {
 public:
  QsoRules(const Header& header, const CtyFile& countries, const LintResult& period,
           Findings* findings)
      : header_(header), countries_(countries), period_(period), findings_(findings) {}

  // Checks Q; true with *worked when its call, band and mode are readable
  // and the band is a contest band or 160 m.
  bool Check(const QsoLine& q, Worked* worked);

 private:
  // A "-" field: reported as missing, true.
  bool Missing(int line, const char* rule, const char* field, std::string_view value);
  // The band of the frequency, "" when it is missing, unreadable or off the contest's bands.
  std::string Band(int line, std::string_view freq);
  void Time(int line, std::string_view date, std::string_view time);
  // The own call as the exchange rule reads it, "" when it is not a call sign.
  std::string SentCall(int line, const std::string& sent_call);
  void Reports(const QsoLine& q, const std::string& mode);
  // PLACED, when given, is STATION as the country file placed it.
  void Exchange(int line, const char* field, std::string_view value, std::string_view station,
                const Station* placed = nullptr);
  bool IsRomanianStation(std::string_view call);

  const Header& header_;
  const CtyFile& countries_;
  const LintResult& period_;
  Findings* findings_;
  // The last two stations looked up, the latest at LATEST_, and whether
  // each is Romanian: a line looks up its own station and the worked one
  // in turn.
  struct Looked {
    std::string call;
    bool romanian = false;
  };
  Looked looked_[2];
  int latest_ = 0;
};

// The log as a whole: where it begins and ends, its lines' form, its size,
// the period its contacts are read against, and contacts repeated.
class LogRules {
 public:
  explicit LogRules(Findings* findings) : findings_(findings) {}

  // Reads the next non-blank LINE: false when it is not a "TAG: value" line
  // of the log, which the other rules then leave alone.
  bool Line(int number, std::string_view line, std::string* tag, std::string_view* value);
  // After the lines: an empty log, or no END-OF-LOG.
  void Finish();
  int top() const { return first_line_ > 0 ? first_line_ : 1; }
  int first_line() const { return first_line_; }

  void Size(size_t bytes);
  // The period of OPTIONS, or the contest's in the year of the first QSO
  // line's date, into RESULT.
  static void ChoosePeriod(const LintOptions& options, const std::vector<QsoLine>& qsos,
                           LintResult* result);
  // The same call, band and mode as an earlier line.
  void Duplicate(int line, const Worked& worked);
  // The contacts of QSOS, the log's QSO lines, into *READ, and each line
  // pointed at its own.
  static void Read(std::vector<QsoLine>* qsos, const CtyFile& countries, ReadLog* read);
  // The organiser's count of READ's contacts, for the station of HEADER's
  // CALLSIGN within RESULT's period, into RESULT.
  static void Count(const ReadLog& read, const Header& header, const CtyFile& countries,
                    LintResult* result);

 private:
  Findings* findings_;
  int first_line_ = 0, last_line_ = 0;  // non-blank
  bool ended_ = false, after_end_reported_ = false;
  // Call, band and mode -> line; the nodes from one arena, given back at once.
  std::pmr::monotonic_buffer_resource arena_;
  std::pmr::unordered_map<std::string, int> first_of_{&arena_};
};

}  // namespace lint
}  // namespace yodx

#endif  // YODX_LINT_RULES_H_
