// The header's rules: the version, the contest's name, the call sign, the
// categories, the claimed score and the tags the format knows.
#include <string_view>
#include <utility>

#include "tools/contest/rules.h"
#include "tools/contest/text.h"
#include "tools/yodx/lint/rules.h"

namespace yodx {
namespace lint {

namespace {

// Header tags of the format; any "X-" tag is the log author's own and is
// known too.
constexpr std::string_view kKnownTags =
    "START-OF-LOG END-OF-LOG CALLSIGN CONTEST CATEGORY CATEGORY-ASSISTED CATEGORY-BAND "
    "CATEGORY-MODE "
    "CATEGORY-OPERATOR CATEGORY-POWER CATEGORY-STATION CATEGORY-TIME CATEGORY-TRANSMITTER "
    "CATEGORY-OVERLAY CERTIFICATE CLAIMED-SCORE CLUB CREATED-BY EMAIL GRID-LOCATOR LOCATION NAME "
    "ADDRESS ADDRESS-CITY ADDRESS-STATE-PROVINCE ADDRESS-POSTALCODE ADDRESS-COUNTRY OPERATORS "
    "OFFTIME SOAPBOX DEBUG QSO X-QSO";

// The values each CATEGORY- tag may take: the format's lists (OVER-50 from
// its first overlay list, which loggers still write), the band narrowed to
// this contest's bands. The categories the contest does not use are
// rebuilt by the upload page from its own form: a value off their list is
// only a warning.
struct CategoryValues {
  std::string_view tag;
  bool used;                // by this contest
  std::string_view values;  // blank-separated
};
constexpr CategoryValues kCategories[] = {
    {"CATEGORY-ASSISTED", false, "ASSISTED NON-ASSISTED"},
    {"CATEGORY-BAND", true, "ALL 80M 40M 20M 15M 10M"},
    {"CATEGORY-MODE", true, "CW DIGI FM RTTY SSB MIXED"},
    {"CATEGORY-OPERATOR", true, "SINGLE-OP MULTI-OP CHECKLOG"},
    {"CATEGORY-POWER", true, "HIGH LOW QRP"},
    {"CATEGORY-STATION", false,
     "DISTRIBUTED FIXED MOBILE PORTABLE ROVER ROVER-LIMITED ROVER-UNLIMITED EXPEDITION HQ SCHOOL "
     "EXPLORER"},
    {"CATEGORY-TIME", false, "6-HOURS 8-HOURS 12-HOURS 24-HOURS"},
    {"CATEGORY-TRANSMITTER", true, "ONE TWO LIMITED UNLIMITED SWL"},
    {"CATEGORY-OVERLAY", false, "CLASSIC ROOKIE TB-WIRES YOUTH NOVICE-TECH YL OVER-50"},
};

bool InList(std::string_view values, std::string_view word) {
  for (std::string_view v : SplitBlanks(values)) {
    if (v == word) return true;
  }
  return false;
}

std::string ListForMessage(std::string_view values) {
  std::string out;
  for (std::string_view v : SplitBlanks(values)) {
    out += (out.empty() ? "" : ", ") + std::string(v);
  }
  return out;
}

bool IsKnownTag(const std::string& tag) {
  if (tag.compare(0, 2, "X-") == 0) return true;
  return InList(kKnownTags, tag);
}

}  // namespace

void HeaderRules::Line(int line, bool first, const std::string& tag, std::string_view value) {
  const std::string upper = Upper(value);
  if (tag == "START-OF-LOG") {
    if (!first) {
      findings_->Error(line, "start-of-log", "START-OF-LOG: must be the first line");
    } else if (upper == "2.0") {
      // Loggers still write the older version, and the readers take it.
      findings_->Warning(line, "start-of-log",
                         "START-OF-LOG version '2.0': an older Cabrillo, read as 3.0 (3.0 is "
                         "the current version)");
    } else if (upper != "3.0") {
      findings_->Error(line, "start-of-log",
                       "START-OF-LOG version " + Quote(value) + ", expected 3.0");
    }
  } else if (tag == "END-OF-LOG") {
    // The log's end: the whole log's rules read it.
  } else if (tag == "CONTEST") {
    if (header_.contest_line == 0) {
      header_.contest = upper;
      header_.contest_line = line;
    }
  } else if (tag == "CALLSIGN") {
    if (header_.callsign_line == 0) {
      header_.callsign = upper;
      header_.callsign_line = line;
    }
  } else if (tag == "CLAIMED-SCORE") {
    header_.claimed_score = true;
    if (!AllDigits(value)) {
      findings_->Warning(line, "claimed-score",
                         "CLAIMED-SCORE " + Quote(value) + " is not a whole number");
    }
  } else if (!IsKnownTag(tag)) {
    findings_->Warning(line, "unknown-tag", "unknown header tag " + Quote(tag + ":"));
  }
  Category(line, tag, value);
}

void HeaderRules::Category(int line, const std::string& tag, std::string_view value) {
  const std::string upper = Upper(value);
  for (const CategoryValues& c : kCategories) {
    if (tag != c.tag) continue;
    if (!InList(c.values, upper)) {
      std::string message = tag + " " + Quote(value) + " is not one of " + ListForMessage(c.values);
      if (c.used) {
        findings_->Error(line, "category", std::move(message));
      } else {
        findings_->Warning(line, "category", message + " (a category this contest does not use)");
      }
    }
    if (tag == "CATEGORY-TRANSMITTER") header_.two_transmitters = upper == "TWO";
  }
}

void HeaderRules::Finish(int top) {
  if (header_.contest_line == 0) {
    findings_->Error(top, "contest",
                     "no CONTEST: line; expected 'CONTEST: " + std::string(kContestName) + "'");
  } else if (header_.contest != kContestName) {
    findings_->Error(header_.contest_line, "contest",
                     "CONTEST " + Quote(header_.contest) + " is not " + std::string(kContestName));
  }
  if (header_.callsign_line == 0) {
    findings_->Error(top, "callsign", "no CALLSIGN: line");
  } else if (!IsCallSign(header_.callsign)) {
    findings_->Error(header_.callsign_line, "callsign",
                     "CALLSIGN " + Quote(header_.callsign) + " is not a call sign");
  }
  if (!header_.claimed_score) findings_->Warning(top, "claimed-score", "no CLAIMED-SCORE: line");
}

}  // namespace lint
}  // namespace yodx
