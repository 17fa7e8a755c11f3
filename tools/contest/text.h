// Small text and number helpers (ASCII only, locale-free).
#ifndef YODX_TEXT_H_
#define YODX_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "log/contest_log.h"

namespace yodx {

inline bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}
inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
inline bool IsAlpha(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
inline char ToUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
inline char ToLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

inline std::string Upper(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = ToUpper(c);
  return r;
}

inline std::string Lower(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = ToLower(c);
  return r;
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (ToUpper(a[i]) != ToUpper(b[i])) return false;
  }
  return true;
}

inline bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

// Letters, digits and '/', with at least one letter and one digit.
inline bool LooksLikeCall(std::string_view s) {
  bool letter = false, digit = false;
  for (char c : s) {
    if (IsAlpha(c)) {
      letter = true;
    } else if (IsDigit(c)) {
      digit = true;
    } else if (c != '/') {
      return false;
    }
  }
  return letter && digit;
}

// The blank-separated words of S, in order.
inline std::vector<std::string_view> SplitBlanks(std::string_view s) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && IsBlank(s[i])) ++i;
    const size_t start = i;
    while (i < s.size() && !IsBlank(s[i])) ++i;
    if (i > start) out.push_back(s.substr(start, i - start));
  }
  return out;
}

// The fields of a line of columns, as loggers separate them: by blanks and
// tabs, and by no-break spaces (the byte 0xA0 of the 8-bit code pages, and
// C2 A0 in UTF-8), which some loggers export between fields. A 0xA0 that
// ends a UTF-8 character (Cyrillic "\xD0\xA0") is part of its field.
std::vector<std::string_view> SplitFields(std::string_view s);

// Two-digit field of a date or time text; -1 if not two digits.
inline int TwoDigits(std::string_view s, size_t at) {
  if (at + 2 > s.size() || !IsDigit(s[at]) || !IsDigit(s[at + 1])) return -1;
  return (s[at] - '0') * 10 + (s[at + 1] - '0');
}

// The text with bytes outside printable ASCII written as \xNN and cut to
// about `limit` characters (with "..." when cut): safe to print and bounded.
std::string Printable(std::string_view text, size_t limit = 80);

// JSON string literal for TEXT, pure ASCII: a UTF-8 character is written as
// its \u escape (two for one beyond U+FFFF), any other byte >= 0x80 as the
// Latin-1 character it would be in an 8-bit file.
std::string JsonString(const std::string& text);

// TEXT as Printable gives it (cut to about LIMIT characters), with &, <, >
// and both quotes escaped: safe inside an HTML element or attribute.
std::string HtmlText(std::string_view text, size_t limit = 400);

// TEXT as one cell of a CSV row: in quotes, its quotes doubled, when it
// holds a comma, a quote or a line end; with a ' before it when it begins
// with =, +, -, @, a tab or a carriage return, so that a spreadsheet reads
// it as text and never as a formula.
std::string CsvCell(std::string_view text);

// "155,761": a count as the messages give it, as the plug-in writes it.
using stats::GroupedNumber;

// "1,234": a count as the tool's texts give it, grouped as GroupedNumber
// does; a negative one, which no count should be, as 0.
std::string CountText(long long n);

// "1 QSO", "1,893 QSOs": a count and what it counts, which takes an s for
// any other number than one.
std::string Counted(long long n, const char* what);

// ["AB", "AR"]: TEXTS as a JSON array of JsonString texts, on one line.
std::string JsonStrings(const std::vector<std::string>& texts);

}  // namespace yodx

#endif  // YODX_TEXT_H_
