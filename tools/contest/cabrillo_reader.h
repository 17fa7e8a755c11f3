// Reader for Cabrillo 3.0 logs: "TAG: value" header lines and one
// "QSO: freq mode date time own-call rst exch call rst exch [tx]" line per
// contact, the band derived from the frequency.
#ifndef YODX_CABRILLO_READER_H_
#define YODX_CABRILLO_READER_H_

#include <string>
#include <string_view>

#include "tools/contest/contact.h"

namespace yodx {

// Appends the contacts of TEXT to out->contacts in file order and sets
// out->own_call from the CALLSIGN: tag. A QSO line that cannot be read is
// left out with a diagnostic naming FILE_NAME, its line and the column, and
// counted in out->skipped. A line with nine columns lacks the received
// exchange: it is kept with that exchange empty.
void ParseCabrillo(const std::string& text, const std::string& file_name, LogData* out);

// The value of the header tag TAG ("CATEGORY-BAND", upper case) in TEXT, a
// Cabrillo log: its first line of that tag before the first QSO line,
// trimmed; "" when there is none.
std::string CabrilloHeaderValue(std::string_view text, std::string_view tag);

// The host's mode name for a Cabrillo mode column: "CW" and "PH" give "CW"
// and "SSB", "RY" gives "RTTY"; anything else is kept as written.
std::string ModeFromCabrillo(const std::string& code);

}  // namespace yodx

#endif  // YODX_CABRILLO_READER_H_
