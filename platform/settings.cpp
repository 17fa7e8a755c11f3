#include "platform/settings.h"

#include <cctype>
#include <limits>

namespace stats {

void WriteSetting(SettingsStore& store, const std::string& key, const std::string& value) {
  std::string escaped;
  escaped.reserve(value.size());
  for (char c : value) {
    if (c == '\r') {
      escaped += "<CR>";
    } else if (c == '\n') {
      escaped += "<LF>";
    } else {
      escaped += c;
    }
  }
  store.WriteRaw(key, escaped);
}

int64_t ReadSettingInt(SettingsStore& store, const std::string& key) {
  return LeadingInteger(store.ReadText(key, ""));
}

void WriteSettingInt(SettingsStore& store, const std::string& key, int64_t value) {
  store.WriteRaw(key, std::to_string(value));
}

int64_t LeadingInteger(const std::string& text) {
  size_t pos = 0;
  while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  // Accumulate towards the sign so that the most negative value fits, and
  // stop at the limit instead of overflowing.
  const int64_t limit =
      negative ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
  int64_t result = 0;
  for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
    const int digit = text[pos] - '0';
    if (negative) {
      if (result < (limit + digit) / 10) return limit;
      result = result * 10 - digit;
    } else {
      if (result > (limit - digit) / 10) return limit;
      result = result * 10 + digit;
    }
  }
  return result;
}

}  // namespace stats
