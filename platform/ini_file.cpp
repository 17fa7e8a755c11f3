#include "platform/ini_file.h"

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <mutex>
#include <vector>

#include "platform/file_system.h"

namespace stats {
namespace {

// What the platform trims around names and values: C white space and the
// old end-of-file mark Ctrl-Z.
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

std::string Trim(const std::string& text, size_t begin, size_t end) {
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string TrimFront(const std::string& text) {
  size_t begin = 0;
  while (begin < text.size() && IsBlank(text[begin])) ++begin;
  return text.substr(begin);
}

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

struct Line {
  enum Kind { kBlank, kSection, kKey };
  size_t start = 0;       // first byte of the line
  size_t contentEnd = 0;  // first byte of its line end (or of the next line)
  size_t next = 0;        // first byte of the next line
  Kind kind = kBlank;
  std::string name;       // section or key name, trimmed
  bool hasValue = false;  // a key line with "="
  std::string value;      // trimmed, quotes kept
};

const char kUtf8Mark[] = "\xEF\xBB\xBF";

Line ParseLine(const std::string& text, size_t start, size_t end) {
  Line line;
  line.start = start;
  line.contentEnd = end;
  size_t first = start;
  while (first < end && IsBlank(text[first])) ++first;
  if (first == end) return line;
  if (text[first] == '[') {
    // The name runs to the last "]"; a line without one is an ordinary line.
    size_t close = end;
    while (close > first + 1 && text[close - 1] != ']') --close;
    if (close > first + 1) {
      line.kind = Line::kSection;
      line.name = Trim(text, first + 1, close - 1);
      return line;
    }
  }
  line.kind = Line::kKey;
  size_t equals = first;
  while (equals < end && text[equals] != '=') ++equals;
  line.name = Trim(text, first, equals);
  if (equals < end) {
    line.hasValue = true;
    line.value = Trim(text, equals + 1, end);
  }
  return line;
}

std::vector<Line> ParseLines(const std::string& text) {
  std::vector<Line> lines;
  size_t pos = text.compare(0, 3, kUtf8Mark) == 0 ? 3 : 0;
  while (pos < text.size()) {
    size_t end = pos;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    Line line = ParseLine(text, pos, end);
    size_t next = end;
    if (next < text.size() && text[next] == '\r') ++next;
    if (next < text.size() && text[next] == '\n') ++next;
    line.next = next;
    lines.push_back(std::move(line));
    pos = next;
  }
  return lines;
}

// Where a key stands in the parsed text: indexes into the lines, -1 for none.
struct Place {
  long header = -1;         // the first section header with the name
  long lastInSection = -1;  // its last line that is not blank
  long key = -1;            // the first line of the section with the key's name
};

Place Locate(const std::vector<Line>& lines, const std::string& section, const std::string& key) {
  Place place;
  bool inside = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    const Line& line = lines[i];
    if (line.kind == Line::kSection) {
      if (inside) break;
      if (SameName(line.name, section)) {
        inside = true;
        place.header = place.lastInSection = static_cast<long>(i);
      }
      continue;
    }
    if (!inside || line.kind == Line::kBlank) continue;
    place.lastInSection = static_cast<long>(i);
    if (place.key < 0 && SameName(line.name, key)) place.key = static_cast<long>(i);
  }
  return place;
}

std::mutex& FileLock() {
  static std::mutex lock;
  return lock;
}

// False when the file exists but could not be read; *missing tells a file
// that is not there.
bool ReadFile(const std::string& path, std::string* text, bool* missing) {
  text->clear();
  *missing = false;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *missing = errno == ENOENT;
    return false;
  }
  char chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) text->append(chunk, got);
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

// The whole file or nothing: a full disk or a failed close leaves the old
// file, every other key in it, as it was. Not flushed to the disk first, as
// the platform's own profile functions do not.
bool WriteFile(const std::string& path, const std::string& text) {
  std::string error;
  return ReplaceFileSafely(path, text, &error, false);
}

}  // namespace

bool IniTextRead(const std::string& text, const std::string& section, const std::string& key,
                 std::string* value) {
  const std::vector<Line> lines = ParseLines(text);
  const Place place = Locate(lines, TrimFront(section), TrimFront(key));
  if (place.key < 0 || !lines[place.key].hasValue) return false;
  const std::string& raw = lines[place.key].value;
  if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') && raw.back() == raw.front()) {
    *value = raw.substr(1, raw.size() - 2);
  } else {
    *value = raw;
  }
  return true;
}

std::string IniTextWrite(const std::string& text, const std::string& section,
                         const std::string& key, const std::string& value) {
  const std::string sectionName = TrimFront(section);
  const std::string keyName = TrimFront(key);
  const std::string newValue = TrimFront(value);
  const std::vector<Line> lines = ParseLines(text);
  const Place place = Locate(lines, sectionName, keyName);

  if (place.key >= 0) {
    const Line& line = lines[place.key];
    if (line.hasValue && line.value == newValue) return text;
    return text.substr(0, line.start) + line.name + "=" + newValue + "\r\n" +
           text.substr(line.next);
  }
  const std::string keyLine = keyName + "=" + newValue + "\r\n";
  if (place.header >= 0) {
    const Line& last = lines[place.lastInSection];
    const std::string lineEnd = last.next == last.contentEnd ? "\r\n" : "";
    return text.substr(0, last.next) + lineEnd + keyLine + text.substr(last.next);
  }
  std::string result = text;
  if (!lines.empty() && lines.back().next == lines.back().contentEnd) result += "\r\n";
  result += "[" + sectionName + "]\r\n" + keyLine;
  return result;
}

bool IniRead(const std::string& path, const std::string& section, const std::string& key,
             std::string* value) {
  std::string text;
  bool missing;
  {
    std::lock_guard<std::mutex> hold(FileLock());
    if (!ReadFile(path, &text, &missing)) return false;
  }
  return IniTextRead(text, section, key, value);
}

bool IniWrite(const std::string& path, const std::string& section, const std::string& key,
              const std::string& value) {
  std::lock_guard<std::mutex> hold(FileLock());
  std::string text;
  bool missing;
  if (!ReadFile(path, &text, &missing) && !missing) return false;
  const std::string updated = IniTextWrite(text, section, key, value);
  if (!missing && updated == text) return true;
  return WriteFile(path, updated);
}

}  // namespace stats
