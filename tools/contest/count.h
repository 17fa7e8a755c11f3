// The organiser's count of a log: which contacts score, and their points;
// the DXCC countries and the Romanian counties worked on each band; the
// score, points times multipliers. Counted once more under the plug-in's own
// rules it gives the score that the plug-in claims.
#ifndef YODX_COUNT_H_
#define YODX_COUNT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "tools/contest/contact.h"
#include "tools/contest/cty.h"
#include "tools/contest/dates.h"
#include "tools/contest/rules.h"

namespace yodx {

// Where the plug-in counts otherwise than the organiser: each switch is one
// of the plug-in's own rules.
struct CountRules {
  bool every_band = false;       // every band but 30, 17 and 12 m counts, 160 m among them
  bool any_time = false;         // contacts outside the contest period count
  bool any_exchange = false;     // any exchange that is there counts (a wrong county: no county)
  bool romania_is_dxcc = false;  // a Romanian station is a DXCC multiplier too
  bool prefix_is_dxcc = false;   // DXCC multipliers, and the own country, are prefix texts
};
constexpr CountRules kOrganiserRules{};
constexpr CountRules kPluginRules{true, true, true, true, true};

// The station whose log is counted, and the contest period it is counted
// against (both ends inclusive).
struct Entrant {
  Station station;
  UtcSeconds start = 0, end = 0;
};

enum class Outcome : uint8_t {
  kCounted,
  kDupe,            // the same call, band and mode as an earlier counted contact
  kNotContestBand,  // 160 m, the WARC bands, ...
  kNotContestMode,
  kOutsidePeriod,
  kBadExchange,  // an exchange missing, or not what that station must send
  kStruck,       // left out by the caller
};

// What one contact earned.
struct ContactCount {
  Outcome outcome = Outcome::kCounted;
  int points = 0;           // 8, 4, 2 or 1 when counted, else 0
  bool new_dxcc = false;    // the first counted contact with its DXCC country on its band
  bool new_county = false;  // the first counted contact with its county on its band
  std::string county;       // the county code a Romanian station sent, normalised; "" for none
};

struct CountTotals {
  int qsos = 0, points = 0, dxcc = 0, counties = 0;
  int multipliers() const { return dxcc + counties; }
  long long score() const { return static_cast<long long>(points) * multipliers(); }
};

struct BandCount {
  std::string band;
  CountTotals totals;
};

struct CountResult {
  std::vector<ContactCount> contacts;  // one per contact, in the same order
  std::vector<BandCount> bands;        // the bands with a counted contact, lowest first
  CountTotals total;
};

// Each contact's worked station, placed by the country file.
std::vector<Station> PlaceStations(const std::vector<Contact>& contacts, const CtyFile& countries);

// Counts CONTACTS in their order (a log's is the time order), each worked
// with its station of STATIONS. STRUCK is empty or holds one flag per
// contact: a contact flagged scores nothing and makes no later one a dupe.
CountResult CountLog(const std::vector<Contact>& contacts, const std::vector<Station>& stations,
                     const Entrant& entrant, const CountRules& rules = kOrganiserRules,
                     const std::vector<bool>& struck = {});

// One of the plug-in's own rules that changes this log's count, and the
// count once it is taken on, after those before it.
struct ClaimStep {
  bool CountRules::*rule = nullptr;
  std::string words;  // as differences names it; the bands a rule adds joined by ", "
  CountTotals totals;
};

// The organiser's count beside the plug-in's claim, and the plug-in's own
// rules that set the two apart on this log ("160 m", "YO as DXCC", ...).
struct Claim {
  CountTotals organiser, plugin;
  std::vector<std::string> differences;
  std::vector<ClaimStep> steps;  // the rules that change the count, in the order named
};
// ORGANISER_COUNT, when given, receives the organiser's count contact by
// contact (the comparison's first step).
Claim CompareWithPlugin(const std::vector<Contact>& contacts, const std::vector<Station>& stations,
                        const Entrant& entrant, CountResult* organiser_count = nullptr);

}  // namespace yodx

#endif  // YODX_COUNT_H_
