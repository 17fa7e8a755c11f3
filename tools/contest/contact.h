// One contact as the log readers deliver it, and the diagnostics they give
// for input they could not use.
#ifndef YODX_CONTACT_H_
#define YODX_CONTACT_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/contest/dates.h"
#include "tools/contest/text.h"

namespace yodx {

struct Contact {
  std::string own_call;  // the station that made the contact; may be empty
  std::string call;      // worked station, upper case
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;  // UTC
  uint32_t freq_hz = 0;
  std::string band;  // "20m", as the host names bands; "" if unknown
  std::string mode;  // "CW", "SSB", or the log's own mode name
  std::string rst_sent, rst_rcvd;
  std::string exch_sent, exch_rcvd;  // as logged: no trimming, no case change
  int line = 0;                      // line of the record in the log file
};

// The contact's UTC time, to the second.
inline UtcSeconds ContactTime(const Contact& c) {
  return ToUtcSeconds(c.year, c.month, c.day, c.hour, c.minute, c.second);
}

struct Diagnostic {
  std::string file;
  int line = 0;
  std::string field;  // field or column name; empty for the whole record
  std::string message;
  bool warning = false;  // the record was read, with what it holds; else left out

  // "file:line: [warning: ]field FIELD: message", bytes outside printable
  // ASCII escaped as \xNN.
  std::string ToString() const;
};

enum class LogFormat { kUnknown, kAdif, kCabrillo };

struct LogData {
  LogFormat format = LogFormat::kUnknown;
  std::string own_call;  // from the log's header, when it names one
  std::vector<Contact> contacts;
  std::vector<Diagnostic> diagnostics;  // the first kKeptDiagnostics
  int diagnostics_dropped = 0;          // diagnosed beyond those
  int skipped = 0;                      // records or lines that were diagnosed and left out
  int warned = 0;                       // records read with a warning: read, not left out

  // Keeps the first diagnostics and counts the rest, so that memory follows
  // the useful content of a log, not its garbage.
  static constexpr size_t kKeptDiagnostics = 100;
  void Diagnose(Diagnostic d);
};

// The station whose log it is: the header's call, else the first own call
// of a contact; "" when the log names none.
std::string OwnCall(const LogData& log);

// Band name for a frequency in kHz ("20m"); "" outside the amateur bands.
std::string BandFromKhz(double khz);

// A decimal frequency ("14.025", "14025.5") given in units of 10^unit_digits
// hertz, as whole hertz (finer digits are dropped). False for anything but
// digits with at most one point, or a value beyond 32 bits.
bool ParseDecimalHertz(std::string_view text, int unit_digits, uint32_t* hz);

// Lower edge of a band in kHz, 0 for a name it does not know.
uint32_t BandLowerEdgeKhz(const std::string& band);

// Whether band A comes before band B: in frequency order, the names of no
// known band after all others, by name.
bool BandBefore(const std::string& a, const std::string& b);

// Guesses the format from the text itself.
LogFormat DetectFormat(const std::string& text);

// The text of a log file as DecodeLogText gives it (UTF-16 as UTF-8, no
// byte-order mark). Returns false, with *error set, when the file cannot be
// opened or read.
bool ReadLogText(const std::string& path, std::string* text, std::string* error);

// The text of a Cabrillo log file, as ReadLogText gives it: false, with *error set, when the file
// cannot be read or is not a Cabrillo log at all.
bool ReadCabrilloText(const std::string& path, std::string* text, std::string* error);

// Reads FILE whole and parses it in the detected format. Returns false, with
// *error set, when the file cannot be read or is neither ADIF nor Cabrillo.
bool ReadLogFile(const std::string& path, LogData* out, std::string* error);

}  // namespace yodx

#endif  // YODX_CONTACT_H_
