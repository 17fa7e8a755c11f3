// The INI layer on arbitrary file contents: reading never fails badly, and
// a written value reads back as written while other keys keep their values.
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>

#include "fuzz/fuzz_support.h"
#include "platform/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string section = in.ConsumeBool() ? "Settings" : in.ConsumeRandomLengthString(12);
  const std::string key = in.ConsumeBool() ? "Start" : in.ConsumeRandomLengthString(12);
  const std::string other = in.ConsumeBool() ? "Claimed" : in.ConsumeRandomLengthString(12);
  const std::string value = in.ConsumeRandomLengthString(40);
  const std::string text = in.ConsumeRemainingBytesAsString();

  std::string before, after, written;
  const bool hadOther = stats::IniTextRead(text, section, other, &before);
  const std::string changed = stats::IniTextWrite(text, section, key, value);
  // Names and values the file can hold: one line each, no "=" or "]" in names,
  // no blanks around them (which the format trims).
  auto plain = [](const std::string& s, bool name) {
    if (s.empty() || s.front() == ' ' || s.back() == ' ') return false;
    for (char c : s) {
      const unsigned char u = static_cast<unsigned char>(c);
      if (u < 0x20 || u == 0x7f || (name && (c == '=' || c == ']' || c == '[' || c == ';'))) {
        return false;
      }
    }
    return true;
  };
  if (plain(section, true) && plain(key, true) && plain(value, false) && value.front() != '"' &&
      value.front() != '\'') {
    STATS_FUZZ_CHECK(stats::IniTextRead(changed, section, key, &written));
    STATS_FUZZ_CHECK(written == value);
    std::string a = key, b = other;
    for (char& c : a) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (char& c : b) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (hadOther && a != b && plain(other, true)) {
      STATS_FUZZ_CHECK(stats::IniTextRead(changed, section, other, &after) && after == before);
    }
  }
  return 0;
}
