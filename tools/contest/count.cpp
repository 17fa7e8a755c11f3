#include "tools/contest/count.h"

#include <algorithm>
#include <functional>
#include <memory_resource>
#include <string_view>
#include <unordered_map>

#include "log/contest_log.h"

namespace yodx {

namespace {

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

// A key of the count: a number (a band's, a band and mode's, or none: 0) and
// a text.
struct Key {
  int32_t number = 0;
  std::string_view text;
  bool operator==(const Key& other) const { return number == other.number && text == other.text; }
};

struct KeyHash {
  size_t operator()(const Key& key) const {
    return std::hash<std::string_view>()(key.text) ^
           static_cast<size_t>(key.number) * 0x9e3779b97f4a7c15u;
  }
};

// Small numbers for keys, 0, 1, 2, ... in the order they are first asked
// for, so that equal keys get the same number.
class Numbering {
 public:
  Numbering(std::pmr::memory_resource* arena, size_t expected) : numbers_(arena) {
    numbers_.reserve(expected);
  }
  int32_t Of(int32_t number, std::string_view text) {
    return numbers_.try_emplace(Key{number, text}, static_cast<int32_t>(numbers_.size()))
        .first->second;
  }
  size_t size() const { return numbers_.size(); }

 private:
  std::pmr::unordered_map<Key, int32_t, KeyHash> numbers_;
};

// What the count reads of one contact, the same under every set of rules:
// how each rule judges it, its points either way of telling the own
// country, and its keys (call, band and mode; band and DXCC country; band
// and prefix; band and county) as numbers.
struct Facts {
  int32_t band = 0;      // the band's number, in the order the bands first come
  int32_t worked = 0;    // call, band and mode
  int32_t country = -1;  // band and DXCC country; -1 when unplaced
  int32_t prefix = 0;    // band and prefix, as the plug-in maps it ("" when unplaced)
  int32_t county = -1;   // band and county code; -1 for none
  uint8_t points_by_country = 0, points_by_prefix = 0;
  bool warc_band = false, contest_band = false, contest_mode = false, in_period = false;
  bool exchanges_fit = false, exchanges_given = false, romanian = false;
  std::string county_code;  // a Romanian station's, normalised; "" for none
};

// A log made ready to be counted under several sets of rules: the facts
// of each contact are worked out once, and each count then compares
// numbers. The plug-in's claim counts a log six times; with the texts
// looked up and hashed on every count, that was most of a log's check.
class Basis {
 public:
  Basis(const std::vector<Contact>& contacts, const std::vector<Station>& stations,
        const Entrant& entrant);

  // The count under RULES with STRUCK as CountLog takes it; the contacts'
  // own counts only when EACH is set.
  CountResult Count(const CountRules& rules, const std::vector<bool>& struck, bool each) const;

 private:
  const std::vector<Contact>& contacts_;
  std::vector<Facts> facts_;
  size_t bands_ = 0, worked_ = 0, countries_ = 0, prefixes_ = 0, counties_ = 0;
};

Basis::Basis(const std::vector<Contact>& contacts, const std::vector<Station>& stations,
             const Entrant& entrant)
    : contacts_(contacts), facts_(contacts.size()) {
  std::pmr::monotonic_buffer_resource arena;
  const size_t n = contacts.size();
  // A log works a few hundred countries and counties on each band.
  Numbering bands(&arena, 16), band_modes(&arena, 16), worked(&arena, n), countries(&arena, 1024),
      prefixes(&arena, 1024), counties(&arena, 256);
  const CountRules by_prefix{false, false, false, false, true};
  for (size_t i = 0; i < n; ++i) {
    const Contact& c = contacts[i];
    const Station& station = stations[i];
    Facts& f = facts_[i];
    f.romanian = station.romanian;
    if (station.romanian) f.county_code = CountyCode(c.exch_rcvd);
    f.warc_band = stats::IsWarcBand(c.band);
    f.contest_band = IsContestBand(c.band);
    f.contest_mode = IsContestMode(c.mode);
    const UtcSeconds t = ContactTime(c);
    f.in_period = t >= entrant.start && t <= entrant.end;
    f.exchanges_fit = ExchangeFits(c.exch_sent, entrant.station.romanian) &&
                      ExchangeFits(c.exch_rcvd, station.romanian);
    f.exchanges_given = !c.exch_sent.empty() && !c.exch_rcvd.empty();
    f.points_by_country = static_cast<uint8_t>(Points(station, entrant.station, kOrganiserRules));
    f.points_by_prefix = static_cast<uint8_t>(Points(station, entrant.station, by_prefix));

    f.band = bands.Of(0, c.band);
    f.worked = worked.Of(band_modes.Of(f.band, c.mode), c.call);
    if (!station.country.empty()) f.country = countries.Of(f.band, station.country);
    f.prefix = prefixes.Of(f.band, stats::MapPrefix(station.prefix));
    if (!f.county_code.empty()) f.county = counties.Of(f.band, f.county_code);
  }
  bands_ = bands.size();
  worked_ = worked.size();
  countries_ = countries.size();
  prefixes_ = prefixes.size();
  counties_ = counties.size();
}

CountResult Basis::Count(const CountRules& rules, const std::vector<bool>& struck,
                         bool each) const {
  CountResult result;
  if (each) result.contacts.resize(facts_.size());
  // The sets of the counted contacts' keys, a flag for each number: call,
  // band and mode; band and DXCC country, or band and prefix; band and
  // county.
  std::vector<uint8_t> seen(worked_ + countries_ + prefixes_ + counties_);
  uint8_t* const worked = seen.data();
  uint8_t* const by_country = worked + worked_;
  uint8_t* const by_prefix = by_country + countries_;
  uint8_t* const by_county = by_prefix + prefixes_;
  const auto first = [](uint8_t* set, int32_t key) {
    if (set[key] != 0) return false;
    set[key] = 1;
    return true;
  };
  std::vector<int32_t> slot(bands_, -1);  // band -> its place in result.bands
  for (size_t i = 0; i < facts_.size(); ++i) {
    const Facts& f = facts_[i];
    ContactCount out;
    if (rules.every_band ? f.warc_band : !f.contest_band) {
      out.outcome = Outcome::kNotContestBand;
    } else if (!f.contest_mode) {
      out.outcome = Outcome::kNotContestMode;
    } else if (!rules.any_time && !f.in_period) {
      out.outcome = Outcome::kOutsidePeriod;
    } else if (!(rules.any_exchange ? f.exchanges_given : f.exchanges_fit)) {
      out.outcome = Outcome::kBadExchange;
    } else if (i < struck.size() && struck[i]) {
      out.outcome = Outcome::kStruck;
    } else if (!first(worked, f.worked)) {
      out.outcome = Outcome::kDupe;
    } else {
      out.points = rules.prefix_is_dxcc ? f.points_by_prefix : f.points_by_country;
      if (rules.prefix_is_dxcc) {
        if (!f.romanian || rules.romania_is_dxcc) out.new_dxcc = first(by_prefix, f.prefix);
      } else if (f.country >= 0 && (!f.romanian || rules.romania_is_dxcc)) {
        out.new_dxcc = first(by_country, f.country);
      }
      if (f.county >= 0) out.new_county = first(by_county, f.county);
      int32_t& band = slot[static_cast<size_t>(f.band)];
      if (band < 0) {
        band = static_cast<int32_t>(result.bands.size());
        result.bands.push_back(BandCount{contacts_[i].band, {}});
      }
      Add(&result.bands[static_cast<size_t>(band)].totals, out);
      Add(&result.total, out);
    }
    if (each) {
      out.county = f.county_code;
      result.contacts[i] = std::move(out);
    }
  }
  std::stable_sort(result.bands.begin(), result.bands.end(),
                   [](const BandCount& a, const BandCount& b) {
                     return BandLowerEdgeKhz(a.band) < BandLowerEdgeKhz(b.band);
                   });
  return result;
}

}  // namespace

std::vector<Station> PlaceStations(const std::vector<Contact>& contacts, const CtyFile& countries) {
  // A log works most stations more than once: each call is placed once.
  std::vector<Station> stations;
  stations.reserve(contacts.size());
  std::pmr::monotonic_buffer_resource arena;
  std::pmr::unordered_map<std::string_view, size_t> first(&arena);  // call -> its first contact
  first.reserve(contacts.size());
  for (size_t i = 0; i < contacts.size(); ++i) {
    const auto [at, new_call] = first.try_emplace(contacts[i].call, i);
    stations.push_back(new_call ? PlaceStation(countries, contacts[i].call) : stations[at->second]);
  }
  return stations;
}

CountResult CountLog(const std::vector<Contact>& contacts, const std::vector<Station>& stations,
                     const Entrant& entrant, const CountRules& rules,
                     const std::vector<bool>& struck) {
  return Basis(contacts, stations, entrant).Count(rules, struck, true);
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
  const Basis basis(contacts, stations, entrant);
  CountRules rules = kOrganiserRules;
  CountResult before = basis.Count(rules, {}, organiser_count != nullptr);
  Claim claim;
  claim.organiser = before.total;
  if (organiser_count != nullptr) *organiser_count = before;
  for (const auto& step : kSteps) {
    rules.*step.rule = true;
    CountResult after = basis.Count(rules, {}, false);
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
