#include "tools/contest/text_encoding.h"

#include <cstdint>

namespace yodx {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

void AppendUtf8(uint32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | c >> 6));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | c >> 12));
    out->push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | c >> 18));
    out->push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

std::string Utf16ToUtf8(const std::string& bytes, bool big_endian) {
  std::string out;
  out.reserve(bytes.size() / 2 + bytes.size() / 8);
  auto unit = [&](size_t at) {
    const uint32_t first = static_cast<unsigned char>(bytes[at]);
    const uint32_t second = static_cast<unsigned char>(bytes[at + 1]);
    return big_endian ? first << 8 | second : second << 8 | first;
  };
  size_t at = 2;  // after the byte-order mark
  for (; at + 1 < bytes.size(); at += 2) {
    const uint32_t u = unit(at);
    if (u >= 0xD800 && u < 0xDC00 && at + 3 < bytes.size()) {
      const uint32_t low = unit(at + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        AppendUtf8(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00), &out);
        at += 2;
        continue;
      }
    }
    AppendUtf8(u >= 0xD800 && u < 0xE000 ? kReplacement : u, &out);
  }
  if (at < bytes.size()) AppendUtf8(kReplacement, &out);
  return out;
}

}  // namespace

std::string DecodeLogText(std::string bytes) {
  if (bytes.compare(0, 2, "\xFF\xFE") == 0) return Utf16ToUtf8(bytes, false);
  if (bytes.compare(0, 2, "\xFE\xFF") == 0) return Utf16ToUtf8(bytes, true);
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
  return bytes;
}

}  // namespace yodx
