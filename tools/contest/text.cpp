#include "tools/contest/text.h"

#include <cstdio>

namespace yodx {

std::string Printable(std::string_view text, size_t limit) {
  std::string out;
  for (char ch : text) {
    if (out.size() >= limit) return out + "...";
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c >= 0x20 && c < 0x7f) {
      out += ch;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      out += escaped;
    }
  }
  return out;
}

std::vector<std::string_view> SplitFields(std::string_view s) {
  // The length of the separator at I, 0 for none.
  auto separator = [&](size_t i) -> size_t {
    if (IsBlank(s[i])) return 1;
    if (s[i] == '\xC2' && i + 1 < s.size() && s[i + 1] == '\xA0') return 2;
    const bool after_lead = i > 0 && static_cast<unsigned char>(s[i - 1]) >= 0xC0;
    return s[i] == '\xA0' && !after_lead ? 1 : 0;
  };
  std::vector<std::string_view> out;
  out.reserve(12);  // a QSO line's fields, in one allocation
  size_t start = 0;
  for (size_t i = 0; i < s.size();) {
    // Printable ASCII, most of a line, separates nothing.
    if (static_cast<unsigned char>(s[i] - 0x21) < 0x5e) {
      ++i;
      continue;
    }
    const size_t length = separator(i);
    if (length == 0) {
      ++i;
      continue;
    }
    if (i > start) out.push_back(s.substr(start, i - start));
    i += length;
    start = i;
  }
  if (start < s.size()) out.push_back(s.substr(start));
  return out;
}

namespace {

// The length of the well-formed UTF-8 character at TEXT[AT] (2 to 4 bytes:
// no overlong form, no surrogate, nothing past U+10FFFF) and its code point
// in *CODE, or 0.
size_t Utf8Character(const std::string& text, size_t at, unsigned long* code) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || at + length > text.size()) return 0;
  unsigned long value = lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    value = value << 6 | (byte(at + i) & 0x3F);
  }
  static const unsigned long kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kLeast[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return 0;
  }
  *code = value;
  return length;
}

void AppendEscape(std::string* out, unsigned long unit) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "\\u%04lx", unit);
  *out += buf;
}

}  // namespace

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    const unsigned char c = static_cast<unsigned char>(ch);
    switch (ch) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          AppendEscape(&out, c);
        } else if (c < 0x80) {
          out += ch;
        } else {
          unsigned long code = 0;
          const size_t length = Utf8Character(text, i, &code);
          if (length == 0) {
            AppendEscape(&out, c);  // not UTF-8: the byte read as Latin-1
          } else if (code < 0x10000) {
            AppendEscape(&out, code);
          } else {
            AppendEscape(&out, 0xD800 + ((code - 0x10000) >> 10));
            AppendEscape(&out, 0xDC00 + ((code - 0x10000) & 0x3FF));
          }
          if (length > 0) i += length - 1;
        }
    }
  }
  return out + "\"";
}

std::string HtmlText(std::string_view text, size_t limit) {
  std::string out;
  for (const char c : Printable(text, limit)) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string CsvCell(std::string_view text) {
  std::string cell;
  if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos) {
    cell = "'";
  }
  cell += text;
  if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
  std::string quoted = "\"";
  for (char c : cell) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string CountText(long long n) {
  return GroupedNumber(static_cast<unsigned long long>(n < 0 ? 0 : n));
}

std::string Counted(long long n, const char* what) {
  return CountText(n) + " " + what + (n == 1 ? "" : "s");
}

std::string JsonStrings(const std::vector<std::string>& texts) {
  std::string out = "[";
  for (size_t i = 0; i < texts.size(); ++i) out += (i == 0 ? "" : ", ") + JsonString(texts[i]);
  return out + "]";
}

}  // namespace yodx
