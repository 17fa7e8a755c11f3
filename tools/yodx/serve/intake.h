// One upload, judged as the contest's robot judges it: whether uploads are
// open, whether the bytes are a text at all, then lint's rules and the
// organiser's count (LintCabrillo, the very check of `yodx lint`). Knows
// nothing of HTTP or of the store.
#ifndef YODX_SERVE_INTAKE_H_
#define YODX_SERVE_INTAKE_H_

#include <string>

#include "tools/contest/cty.h"
#include "tools/yodx/lint/linter.h"
#include "tools/yodx/serve/store.h"

namespace yodx {
namespace serve {

// When uploads are taken: until the deadline, or after it as late logs
// when the organiser allows them.
struct UploadWindow {
  bool has_deadline = false;
  UnixSeconds deadline = 0;  // the last second uploads are on time
  bool late_allowed = false;
};

enum class Verdict {
  kAccepted,  // warnings at most: kept, with a receipt
  kRefused,   // empty, not a text, or a lint error: only a record of the attempt is kept
  kClosed,    // after the deadline, late logs not allowed: nothing is read
};

struct Assessment {
  Verdict verdict = Verdict::kRefused;
  int status = 422;      // the HTTP status: 201, 422 or 403
  std::string sentence;  // what the station reads first
  bool late = false;
  std::string sha256;  // of the bytes as uploaded
  size_t size = 0;
  // What lint said; empty for a log refused before it was read.
  bool linted = false;
  LintResult lint;
  std::string call;      // CALLSIGN:, upper case; "" when the log names none
  std::string category;  // as the cross-check groups it
};

// Judges BYTES, uploaded at NOW, under WINDOW, with the country file and
// the contest period of LINT_OPTIONS.
Assessment Assess(const std::string& bytes, const CtyFile& countries,
                  const LintOptions& lint_options, const UploadWindow& window, UnixSeconds now);

// The findings of A as the store keeps them.
std::vector<StoredFinding> StoredFindings(const Assessment& a);

// A deadline as the organiser writes it, UTC: "2026-09-05T23:59" is the
// last second of that minute, a date alone its last second, and
// "2026-09-05T23:59:30" that second. False for anything else.
bool ReadDeadline(const std::string& text, UnixSeconds* deadline);

// "2026-09-05 23:59 UTC".
std::string MinuteText(UnixSeconds t);
// "2026-09-05 23:59:07 UTC".
std::string SecondText(UnixSeconds t);
// "2026-09-05T23:59:07Z".
std::string IsoText(UnixSeconds t);

// The time of day now, in Unix seconds.
UnixSeconds Now();

// The Unix seconds of a UTC time that the readers count from 1899-12-30.
UnixSeconds UnixFromUtc(UtcSeconds t);
UtcSeconds UtcFromUnix(UnixSeconds t);

}  // namespace serve
}  // namespace yodx

#endif  // YODX_SERVE_INTAKE_H_
