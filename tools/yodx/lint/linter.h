// Checks a Cabrillo 3.0 log against the YO-DX HF Contest's published rules,
// as the contest's upload robot applies them, before the operator sends it:
// the header (START-OF-LOG: 3.0, CONTEST: YO-DX-HF, CALLSIGN, the CATEGORY-
// lists, END-OF-LOG:), every QSO line's fields (frequency, mode, date, time,
// calls, reports, exchanges), the contest period, duplicates and the upload
// page's size limit. Then it counts the log as the organiser will, beside
// the score that the plug-in claims for it.
//
// Errors are what the robot refuses (the log or the contact); warnings are
// accepted but cost points or look wrong: duplicates, 160 m contacts,
// unknown header tags, a missing or odd CLAIMED-SCORE. Letter case never
// matters ("cw", "ct" and "yo-dx-hf" are read as "CW", "CT", "YO-DX-HF"),
// and a field written as "-" is a missing value.
#ifndef YODX_LINT_LINTER_H_
#define YODX_LINT_LINTER_H_

#include <cstddef>
#include <string>
#include <vector>

#include "tools/contest/count.h"
#include "tools/contest/cty.h"
#include "tools/contest/dates.h"
#include "tools/contest/rules.h"

namespace yodx {

enum class Severity { kError, kWarning };

struct Finding {
  int line = 0;  // 1-based; findings about the whole file are on line 1
  Severity severity = Severity::kError;
  std::string rule;     // short id: "contest", "exchange", "duplicate", ...
  std::string message;  // names the field, what it holds and what was expected
};

struct LintOptions {
  // The period to check the contacts against; when unset, ContestPeriod of
  // the year of the log's first valid contact date.
  bool period_given = false;
  UtcSeconds start = 0, end = 0;
};

struct LintResult {
  std::vector<Finding> findings;  // in line order; on one line, in the order found
  int errors = 0, warnings = 0;
  int qso_lines = 0;          // the log's QSO: lines, read or not
  bool period_known = false;  // false when no contact gave a year
  UtcSeconds start = 0, end = 0;
  // The organiser's count of the contacts that the Cabrillo reader takes,
  // and the plug-in's claim; none, with the reason, when the country file
  // cannot place the log's own station.
  bool counted = false;
  Claim claim;
  std::string not_counted;
};

// Lints TEXT, the bytes of a Cabrillo log; COUNTRIES tells which stations
// are Romanian (the entity whose primary prefix is YO).
LintResult LintCabrillo(const std::string& text, const CtyFile& countries,
                        const LintOptions& options);

// One line per finding, "LOG:LINE: error: message" (or "warning:"), then
// "N errors, M warnings", then the organiser's count ("organiser's count:
// 4 QSOs, 20 points, 4 multipliers, score 80 (the plug-in claims 120: YO as
// DXCC)"). LOG_NAME and the messages are printed with bytes outside
// printable ASCII escaped.
std::string FormatFindings(const std::string& log_name, const LintResult& result);

// {"errors": N, "warnings": M, "findings": [{"line": L, "severity": ...,
// "rule": ..., "message": ...}, ...], "organiser_count": {"qsos": ...,
// "points": ..., "dxcc": ..., "counties": ..., "multipliers": ...,
// "score": ..., "plugin_claims": ..., "differences": [...]} or null}
std::string FindingsJson(const LintResult& result);
}  // namespace yodx

#endif  // YODX_LINT_LINTER_H_
