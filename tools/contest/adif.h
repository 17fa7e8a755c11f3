// Reader for ADIF 3.x logs (.adi): an optional header closed by <EOH>, then
// records of fields <NAME:length[:type]>value, each record closed by <EOR>.
#ifndef YODX_ADIF_H_
#define YODX_ADIF_H_

#include <string>

#include "tools/contest/contact.h"

namespace yodx {

// Appends the usable records of TEXT to out->contacts in file order. A record
// that lacks a needed field or holds an unreadable one is left out with a
// diagnostic naming FILE_NAME, its line and the field, and counted in
// out->skipped. Every length is checked against the text, so no input makes
// it read outside TEXT.
void ParseAdif(const std::string& text, const std::string& file_name, LogData* out);

// "14.025" (MHz) -> 14025000 Hz. False for anything but digits with at most
// one decimal point, or a value beyond 4294 MHz.
bool ParseMegahertz(const std::string& text, uint32_t* hz);

}  // namespace yodx

#endif  // YODX_ADIF_H_
