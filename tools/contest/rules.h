// The YO-DX HF Contest's rules as the organiser publishes them, in the terms
// of the readers' contacts: the name the upload robot takes, the period, the
// bands and modes, who is a Romanian station and what each station sends;
// and the upload page's size limit.
#ifndef YODX_RULES_H_
#define YODX_RULES_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "log/contest_log.h"
#include "tools/contest/cty.h"
#include "tools/contest/dates.h"

namespace yodx {

// The CONTEST: value the robot takes.
constexpr std::string_view kContestName = "YO-DX-HF";

// The largest file the contest's upload page takes.
using stats::kUploadLimitBytes;

// The contest period of YEAR: Saturday 12:00:00 to Sunday 11:59:59 UTC of
// the last full weekend of August (the Saturday whose Sunday is still in
// August), both ends inclusive.
void ContestPeriod(int year, UtcSeconds* start, UtcSeconds* end);

// 80, 40, 20, 15 and 10 m, named as the readers name bands ("20m").
constexpr std::string_view kContestBands[] = {"80m", "40m", "20m", "15m", "10m"};
bool IsContestBand(std::string_view band);

// CW and SSB, named as the readers name modes.
bool IsContestMode(std::string_view mode);

// A station the country file places in Romania (primary prefix YO; YP, YQ
// and YR are Romanian too).
bool IsRomanian(const CtyMatch& where);

// A station as the rules see it, placed by the country file.
struct Station {
  std::string prefix;  // the entity's primary prefix, as the host is given it; "" unplaced
  std::string
      country;  // its DXCC country's prefix ("I" for IT9); "" unplaced (maritime mobile, unknown)
  std::string continent;  // "EU", ...; "" unplaced
  bool romanian = false;
};
Station PlaceStation(const CtyFile& countries, const std::string& call);

// The exchange of a Romanian station: its county code, here normalised
// ("cj " -> "CJ"); "" when the text is not one of the 42 codes.
std::string CountyCode(std::string_view exchange);

// The exchange of every other station: a serial number, digits counting
// from 001.
bool IsSerialNumber(std::string_view exchange);

// Whether EXCHANGE is what the station must send.
inline bool ExchangeFits(std::string_view exchange, bool romanian) {
  return romanian ? !CountyCode(exchange).empty() : IsSerialNumber(exchange);
}

// An exchange as two logs are compared on it: a county code whatever its
// case and blanks ("cj " -> "CJ"), a serial number by its value ("030",
// "30" and "0030" -> "30"), and so each number within any other exchange
// ("013ep" -> "13EP"). Two logs hold the same exchange when these are equal.
std::string ComparableExchange(std::string_view exchange);

}  // namespace yodx

#endif  // YODX_RULES_H_
