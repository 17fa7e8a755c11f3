// Reader for Cabrillo 3.0 logs: "TAG: value" header lines and one
// "QSO: freq mode date time own-call rst exch call rst exch [tx]" line per
// contact, the band derived from the frequency.
#ifndef YODX_CABRILLO_READER_H_
#define YODX_CABRILLO_READER_H_

#include <string>
#include <string_view>
#include <vector>

#include "tools/contest/contact.h"

namespace yodx {

// Appends the contacts of TEXT to out->contacts in file order and sets
// out->own_call from the CALLSIGN: tag. Fields are separated by blanks, tabs
// or no-break spaces (SplitFields). A QSO line of ten columns, or eleven with
// the transmitter's, is read by position. Any other line, and one whose
// received call is not where Cabrillo puts it, is read by its two calls: the
// fifth field is the sent call, the next call sign the received one, and
// what stands between and after them is what each side sent (a lone field
// is the exchange, or the report when it reads 59 or 599); such a line is
// kept with a warning that says how it was read, counted in out->warned. A
// QSO line that cannot be read either way is left out with a diagnostic
// naming FILE_NAME, its line and the column, and counted in out->skipped.
void ParseCabrillo(const std::string& text, const std::string& file_name, LogData* out);

// One QSO line as ParseCabrillo reads it, from COL, the fields of its value
// as SplitFields gives them, on line LINE_NO: the contact appended to
// out->contacts, or the line diagnosed and counted as ParseCabrillo does.
void ReadCabrilloQso(const std::vector<std::string_view>& col, int line_no,
                     const std::string& file_name, LogData* out);

// The value of the header tag TAG ("CATEGORY-BAND", upper case) in TEXT, a
// Cabrillo log: its first line of that tag before the first QSO line,
// trimmed; "" when there is none.
std::string CabrilloHeaderValue(std::string_view text, std::string_view tag);

// The host's mode name for a Cabrillo mode column: "CW" and "PH" give "CW"
// and "SSB", "RY" gives "RTTY"; anything else is kept as written.
std::string ModeFromCabrillo(std::string_view code);

}  // namespace yodx

#endif  // YODX_CABRILLO_READER_H_
