#include "tools/contest/cabrillo_compact.h"

#include <string_view>

#include "log/contest_log.h"
#include "tools/contest/text.h"

namespace yodx {

namespace {

bool IsQsoTag(std::string_view tag) {
  return EqualsNoCase(tag, "QSO") || EqualsNoCase(tag, "X-QSO");
}

}  // namespace

std::string CompactCabrillo(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    const bool has_newline = end != std::string::npos;
    if (!has_newline) end = text.size();
    std::string_view line = std::string_view(text).substr(pos, end - pos);
    pos = end + 1;
    // The line end stays as it was: LF or CR LF.
    const bool cr = !line.empty() && line.back() == '\r';
    if (cr) line.remove_suffix(1);

    const size_t colon = line.find(':');
    const std::string_view tag =
        colon == std::string_view::npos ? std::string_view() : Trim(line.substr(0, colon));
    if (IsQsoTag(tag)) {
      out += tag;
      out += ':';
      out += stats::CompactFields(line.substr(colon + 1));
    } else {
      out += line;
    }
    if (cr) out += '\r';
    if (has_newline) out += '\n';
  }
  return out;
}

}  // namespace yodx
