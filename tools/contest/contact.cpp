#include "tools/contest/contact.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/contest/adif.h"
#include "tools/contest/cabrillo_reader.h"
#include "tools/contest/text_encoding.h"

namespace yodx {

std::string Diagnostic::ToString() const {
  std::string s = Printable(file, 200) + ":" + std::to_string(line) + ": ";
  if (warning) s += "warning: ";
  if (!field.empty()) s += "field " + Printable(field, 40) + ": ";
  return s + Printable(message, 200);
}

void LogData::Diagnose(Diagnostic d) {
  if (diagnostics.size() >= kKeptDiagnostics) {
    ++diagnostics_dropped;
    return;
  }
  // What a diagnostic echoes of the input is bounded too.
  if (d.message.size() > 300) d.message = d.message.substr(0, 300) + "...";
  diagnostics.push_back(std::move(d));
}

namespace {

struct BandEdge {
  double low, high;
  const char* name;
};

// The amateur bands that loggers use, edges in kHz (IARU regions together).
constexpr BandEdge kBands[] = {
    {1800, 2000, "160m"},   {3500, 4000, "80m"},       {5250, 5450, "60m"},
    {7000, 7300, "40m"},    {10100, 10150, "30m"},     {14000, 14350, "20m"},
    {18068, 18168, "17m"},  {21000, 21450, "15m"},     {24890, 24990, "12m"},
    {28000, 29700, "10m"},  {50000, 54000, "6m"},      {70000, 71000, "4m"},
    {144000, 148000, "2m"}, {222000, 225000, "1.25m"}, {420000, 450000, "70cm"},
};

}  // namespace

std::string BandFromKhz(double khz) {
  for (const BandEdge& b : kBands) {
    if (khz >= b.low && khz <= b.high) return b.name;
  }
  return "";
}

uint32_t BandLowerEdgeKhz(const std::string& band) {
  for (const BandEdge& b : kBands) {
    if (band == b.name) return static_cast<uint32_t>(b.low);
  }
  return 0;
}

bool BandBefore(const std::string& a, const std::string& b) {
  const uint32_t ka = BandLowerEdgeKhz(a), kb = BandLowerEdgeKhz(b);
  if ((ka == 0) != (kb == 0)) return kb == 0;
  return ka != kb ? ka < kb : a < b;
}

std::string OwnCall(const LogData& log) {
  if (!log.own_call.empty()) return log.own_call;
  for (const Contact& c : log.contacts) {
    if (!c.own_call.empty()) return c.own_call;
  }
  return "";
}

LogFormat DetectFormat(const std::string& text) {
  size_t i = 0;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) i = 3;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  auto starts_with_ci = [&](size_t at, const char* word) {
    for (size_t k = 0; word[k]; ++k) {
      if (at + k >= text.size() ||
          std::toupper(static_cast<unsigned char>(text[at + k])) != word[k]) {
        return false;
      }
    }
    return true;
  };
  if (starts_with_ci(i, "START-OF-LOG:")) return LogFormat::kCabrillo;
  // ADIF: a tag that ends the header or a record, or a field with a length.
  bool line_start = true;
  bool has_qso_line = false;
  for (size_t k = i; k < text.size(); ++k) {
    const char c = text[k];
    if (c == '<' &&
        (starts_with_ci(k, "<EOH>") || starts_with_ci(k, "<EOR>") || starts_with_ci(k, "<CALL:"))) {
      return LogFormat::kAdif;
    }
    if (line_start && starts_with_ci(k, "QSO:")) has_qso_line = true;
    line_start = c == '\n';
  }
  return has_qso_line ? LogFormat::kCabrillo : LogFormat::kUnknown;
}

bool ReadLogText(const std::string& path, std::string* text, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot open log file " + path;
    return false;
  }
  std::ostringstream buf;
  buf << in.rdbuf();
  if (in.bad()) {
    *error = "cannot read log file " + path;
    return false;
  }
  *text = DecodeLogText(buf.str());
  return true;
}

bool ReadCabrilloText(const std::string& path, std::string* text, std::string* error) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    *error = "cannot read log file " + path + ": it is a folder";
    return false;
  }
  if (!ReadLogText(path, text, error)) return false;
  if (DetectFormat(*text) != LogFormat::kCabrillo) {
    *error = path + " is not a Cabrillo log (no START-OF-LOG: line and no QSO: lines)";
    return false;
  }
  return true;
}

bool ReadLogFile(const std::string& path, LogData* out, std::string* error) {
  std::string text;
  if (!ReadLogText(path, &text, error)) return false;
  switch (DetectFormat(text)) {
    case LogFormat::kAdif:
      ParseAdif(text, path, out);
      return true;
    case LogFormat::kCabrillo:
      ParseCabrillo(text, path, out);
      return true;
    case LogFormat::kUnknown:
      break;
  }
  *error = path + ": neither an ADIF nor a Cabrillo log";
  return false;
}

bool ParseDecimalHertz(std::string_view text, int unit_digits, uint32_t* hz) {
  uint64_t unit = 1;
  for (int i = 0; i < unit_digits; ++i) unit *= 10;
  uint64_t whole = 0, fraction = 0;
  int fraction_digits = 0;
  bool point = false, any_digit = false;
  for (char c : text) {
    if (c == '.') {
      if (point) return false;
      point = true;
    } else if (c >= '0' && c <= '9') {
      any_digit = true;
      if (!point) {
        whole = whole * 10 + static_cast<uint64_t>(c - '0');
        if (whole > 0xFFFFFFFFull / unit) return false;
      } else if (fraction_digits < unit_digits) {
        fraction = fraction * 10 + static_cast<uint64_t>(c - '0');
        ++fraction_digits;
      }
    } else {
      return false;
    }
  }
  if (!any_digit) return false;
  for (; fraction_digits < unit_digits; ++fraction_digits) fraction *= 10;
  const uint64_t total = whole * unit + fraction;
  if (total > 0xFFFFFFFFull) return false;
  *hz = static_cast<uint32_t>(total);
  return true;
}

}  // namespace yodx
