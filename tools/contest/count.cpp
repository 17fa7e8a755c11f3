#include "tools/contest/count.h"

#include <algorithm>
#include <memory_resource>
#include <unordered_set>

#include "log/contest_log.h"

namespace yodx {

namespace {

Outcome Judge(const Contact& c, const Station& worked, const Entrant& entrant,
              const CountRules& rules) {
  if (rules.every_band ? stats::IsWarcBand(c.band) : !IsContestBand(c.band)) {
    return Outcome::kNotContestBand;
  }
  if (!IsContestMode(c.mode)) return Outcome::kNotContestMode;
  if (!rules.any_time) {
    const UtcSeconds t = ContactTime(c);
    if (t < entrant.start || t > entrant.end) return Outcome::kOutsidePeriod;
  }
  const bool exchanges = rules.any_exchange ? !c.exch_sent.empty() && !c.exch_rcvd.empty()
                                            : ExchangeFits(c.exch_sent, entrant.station.romanian) &&
                                                  ExchangeFits(c.exch_rcvd, worked.romanian);
  return exchanges ? Outcome::kCounted : Outcome::kBadExchange;
}

// Points by the class of the worked station; the first class that applies.
int Points(const Station& worked, const Station& own, const CountRules& rules) {
  if (worked.romanian) return 8;
  const bool own_country = rules.prefix_is_dxcc
                               ? stats::MapPrefix(worked.prefix) == own.prefix
                               : !worked.country.empty() && worked.country == own.country;
  if (own_country) return 1;
  if (!worked.continent.empty() && worked.continent == own.continent) return 2;
  return 4;
}

// Texts as one key of a set, each but the last led by its length (seven
// bits a byte, the last byte's high bit clear), so that no two lists of
// texts give the same key; made in one buffer.
void AppendLed(std::string* key, std::string_view text) {
  size_t n = text.size();
  for (; n >= 0x80; n >>= 7) *key += static_cast<char>(0x80 | (n & 0x7f));
  *key += static_cast<char>(n);
  key->append(text.data(), text.size());
}

std::string Key(std::string_view a, std::string_view b) {
  std::string key;  // most keys fit in the string itself, with no allocation
  AppendLed(&key, a);
  key += b;
  return key;
}

std::string Key(std::string_view a, std::string_view b, std::string_view c) {
  std::string key;
  AppendLed(&key, a);
  AppendLed(&key, b);
  key += c;
  return key;
}

void Add(CountTotals* totals, const ContactCount& c) {
  ++totals->qsos;
  totals->points += c.points;
  totals->dxcc += c.new_dxcc ? 1 : 0;
  totals->counties += c.new_county ? 1 : 0;
}

bool operator!=(const CountTotals& a, const CountTotals& b) {
  return a.qsos != b.qsos || a.points != b.points || a.dxcc != b.dxcc || a.counties != b.counties;
}

// "160m" -> "160 m".
std::string BandWords(const std::string& band) {
  const size_t unit = band.find_first_not_of("0123456789.");
  return unit == std::string::npos ? band : band.substr(0, unit) + " " + band.substr(unit);
}

}  // namespace

std::vector<Station> PlaceStations(const std::vector<Contact>& contacts, const CtyFile& countries) {
  std::vector<Station> stations;
  stations.reserve(contacts.size());
  for (const Contact& c : contacts) stations.push_back(PlaceStation(countries, c.call));
  return stations;
}

CountResult CountLog(const std::vector<Contact>& contacts, const std::vector<Station>& stations,
                     const Entrant& entrant, const CountRules& rules,
                     const std::vector<bool>& struck) {
  CountResult result;
  result.contacts.resize(contacts.size());
  // Call, band and mode of the counted contacts; band and DXCC country, band
  // and county of the multipliers.
  // The sets take their memory from one arena, given back at once: the
  // count runs six times over a log for the plug-in's claim, and asking the
  // heap for each key's node, and growing the tables, was most of it.
  std::pmr::monotonic_buffer_resource arena;
  std::pmr::unordered_set<std::string> worked(&arena), dxcc(&arena), counties(&arena);
  worked.reserve(contacts.size());
  dxcc.reserve(contacts.size());
  counties.reserve(contacts.size());
  for (size_t i = 0; i < contacts.size(); ++i) {
    const Contact& c = contacts[i];
    const Station& station = stations[i];
    ContactCount& out = result.contacts[i];
    if (station.romanian) out.county = CountyCode(c.exch_rcvd);
    out.outcome = Judge(c, station, entrant, rules);
    if (out.outcome == Outcome::kCounted && i < struck.size() && struck[i]) {
      out.outcome = Outcome::kStruck;
    }
    if (out.outcome != Outcome::kCounted) continue;
    if (!worked.insert(Key(c.call, c.band, c.mode)).second) {
      out.outcome = Outcome::kDupe;
      continue;
    }
    out.points = Points(station, entrant.station, rules);
    if (rules.prefix_is_dxcc) {
      if (!station.romanian || rules.romania_is_dxcc) {
        out.new_dxcc = dxcc.insert(Key(c.band, stats::MapPrefix(station.prefix))).second;
      }
    } else if (!station.country.empty() && (!station.romanian || rules.romania_is_dxcc)) {
      out.new_dxcc = dxcc.insert(Key(c.band, station.country)).second;
    }
    if (!out.county.empty()) out.new_county = counties.insert(Key(c.band, out.county)).second;

    auto band = std::find_if(result.bands.begin(), result.bands.end(),
                             [&](const BandCount& b) { return b.band == c.band; });
    if (band == result.bands.end()) band = result.bands.insert(band, BandCount{c.band, {}});
    Add(&band->totals, out);
    Add(&result.total, out);
  }
  std::stable_sort(result.bands.begin(), result.bands.end(),
                   [](const BandCount& a, const BandCount& b) {
                     return BandLowerEdgeKhz(a.band) < BandLowerEdgeKhz(b.band);
                   });
  return result;
}

Claim CompareWithPlugin(const std::vector<Contact>& contacts, const std::vector<Station>& stations,
                        const Entrant& entrant, CountResult* organiser_count) {
  // The plug-in's rules switched on one at a time: each that changes the
  // count on its turn is a difference that applies to this log.
  static const struct {
    bool CountRules::*rule;
    const char* words;  // nullptr: the bands it adds
  } kSteps[] = {{&CountRules::every_band, nullptr},
                {&CountRules::any_time, "outside the period"},
                {&CountRules::any_exchange, "wrong exchanges"},
                {&CountRules::romania_is_dxcc, "YO as DXCC"},
                {&CountRules::prefix_is_dxcc, "DXCC by prefix"}};
  CountRules rules = kOrganiserRules;
  CountResult before = CountLog(contacts, stations, entrant, rules);
  Claim claim;
  claim.organiser = before.total;
  if (organiser_count != nullptr) *organiser_count = before;
  for (const auto& step : kSteps) {
    rules.*step.rule = true;
    CountResult after = CountLog(contacts, stations, entrant, rules);
    if (after.total != before.total) {
      ClaimStep taken{step.rule, step.words != nullptr ? step.words : "", after.total};
      if (step.words != nullptr) {
        claim.differences.emplace_back(step.words);
      } else {
        for (const BandCount& b : after.bands) {
          if (IsContestBand(b.band)) continue;
          claim.differences.push_back(BandWords(b.band));
          taken.words += (taken.words.empty() ? "" : ", ") + claim.differences.back();
        }
      }
      claim.steps.push_back(std::move(taken));
    }
    before = std::move(after);
  }
  claim.plugin = before.total;
  return claim;
}

}  // namespace yodx
