#include "tools/yodx/serve/intake.h"

#include <chrono>

#include "tools/contest/cabrillo_reader.h"
#include "tools/contest/text.h"
#include "tools/contest/text_encoding.h"
#include "tools/yodx/crosscheck/checker.h"
#include "tools/yodx/serve/crypto.h"

namespace yodx {
namespace serve {

namespace {

// Seconds from 1899-12-30, where the readers count from, to 1970-01-01.
constexpr long long kUnixEpoch = 25569LL * 86400;

// A text as loggers write it holds tabs, line ends and now and then a form
// feed or the old end-of-file mark; a file with a NUL, or with more other
// control characters than one in a hundred, is an archive, a spreadsheet or
// a document, not a log.
bool LooksLikeText(const std::string& text) {
  size_t control = 0;
  for (const char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == 0) return false;
    if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1a) || c == 0x7f) {
      ++control;
    }
  }
  return control * 100 <= text.size();
}

}  // namespace

Assessment Assess(const std::string& bytes, const CtyFile& countries,
                  const LintOptions& lint_options, const UploadWindow& window, UnixSeconds now) {
  Assessment a;
  a.size = bytes.size();
  a.sha256 = Sha256Hex(bytes);
  if (window.has_deadline && now > window.deadline) {
    if (!window.late_allowed) {
      a.verdict = Verdict::kClosed;
      a.status = 403;
      a.sentence = "Uploads closed at the deadline, " + MinuteText(window.deadline) +
                   ": this log was not accepted. Write to the organiser if it should be.";
      return a;
    }
    a.late = true;
  }
  const std::string text = DecodeLogText(bytes);
  if (Trim(text).empty()) {
    a.sentence = "The log is empty: choose the Cabrillo file, or paste its text.";
    return a;
  }
  if (!LooksLikeText(text)) {
    a.sentence =
        "This is not a text file: a Cabrillo log is plain text (the .log or .cbr file your "
        "logger writes), not an archive, a spreadsheet or a document.";
    return a;
  }
  a.linted = true;
  a.lint = LintCabrillo(text, countries, lint_options);
  a.call = Upper(CabrilloHeaderValue(text, "CALLSIGN"));
  a.category = crosscheck::CategoryOf(text);
  if (a.lint.errors > 0) {
    a.sentence = "The log is refused: " + Counted(a.lint.errors, "error") +
                 " (listed below with their lines). Mend them and upload the log again.";
    return a;
  }
  if (a.call.empty()) {  // lint refuses a log without a call; kept as a guard
    a.sentence = "The log is refused: it names no station (no CALLSIGN: line).";
    return a;
  }
  a.verdict = Verdict::kAccepted;
  a.status = 201;
  a.sentence = "The log of " + a.call + " is accepted";
  if (a.late)
    a.sentence +=
        " as a late log (it came after the deadline, " + MinuteText(window.deadline) + ")";
  a.sentence += a.lint.warnings == 0
                    ? "."
                    : ", with " + Counted(a.lint.warnings, "warning") + " (listed below).";
  return a;
}

std::vector<StoredFinding> StoredFindings(const Assessment& a) {
  std::vector<StoredFinding> list;
  list.reserve(a.lint.findings.size());
  for (const Finding& f : a.lint.findings) {
    list.push_back({f.line, f.severity == Severity::kError, f.message});
  }
  return list;
}

bool ReadDeadline(const std::string& text, UnixSeconds* deadline) {
  UtcSeconds t = 0;
  if (text.size() > 19 || !ParseUtcTime(text, true, &t)) return false;
  if (text.size() == 16) t += 59;
  *deadline = UnixFromUtc(t);
  return true;
}

std::string MinuteText(UnixSeconds t) {
  return FormatUtc(UtcFromUnix(t)).substr(0, 16) + " UTC";
}

std::string SecondText(UnixSeconds t) {
  return FormatUtc(UtcFromUnix(t)) + " UTC";
}

std::string IsoText(UnixSeconds t) {
  std::string text = FormatUtc(UtcFromUnix(t));
  text[10] = 'T';
  return text + "Z";
}

UnixSeconds Now() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

UnixSeconds UnixFromUtc(UtcSeconds t) {
  return t - kUnixEpoch;
}

UtcSeconds UtcFromUnix(UnixSeconds t) {
  return t + kUnixEpoch;
}

}  // namespace serve
}  // namespace yodx
