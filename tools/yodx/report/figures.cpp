#include "tools/yodx/report/figures.h"

#include <algorithm>
#include <iterator>
#include <map>

#include "log/contest_log.h"
#include "tools/contest/rules.h"
#include "tools/contest/text.h"

namespace yodx {
namespace report {

namespace {

constexpr UtcSeconds kMinute = 60, kHour = 3600;

// Whether the contact's frequency was logged: a reader that has only the
// band gives its lower edge, as the plug-in writes a contact without one.
bool HasFrequency(const Contact& c) {
  return c.freq_hz != 0 && c.freq_hz != BandLowerEdgeKhz(c.band) * 1000u;
}

// Marks the contacts made while running. In time order a run starts at a
// contact and holds while the next ones are in its mode and within the
// spread of its frequency; with kRunContacts or more it is a run, and the
// contact that leaves it starts the next try.
std::vector<bool> RunContacts(const std::vector<const Contact*>& contacts) {
  std::vector<bool> run(contacts.size(), false);
  size_t i = 0;
  while (i < contacts.size()) {
    const Contact& first = *contacts[i];
    if (!HasFrequency(first)) {
      ++i;
      continue;
    }
    const unsigned spread = first.mode == "SSB" ? kRunSpreadSsbHz : kRunSpreadHz;
    size_t j = i + 1;
    while (j < contacts.size()) {
      const Contact& next = *contacts[j];
      const unsigned apart = next.freq_hz > first.freq_hz ? next.freq_hz - first.freq_hz
                                                          : first.freq_hz - next.freq_hz;
      if (!HasFrequency(next) || next.mode != first.mode || apart > spread) break;
      ++j;
    }
    if (j - i >= static_cast<size_t>(kRunContacts)) {
      for (size_t k = i; k < j; ++k) run[k] = true;
    }
    i = j;
  }
  return run;
}

Rate BestRate(const std::vector<UtcSeconds>& minutes, int length) {
  Rate best;
  best.minutes = length;
  size_t end = 0;
  for (size_t i = 0; i < minutes.size(); ++i) {
    if (i > 0 && minutes[i] == minutes[i - 1]) continue;  // the same window again, shorter
    end = std::max(end, i);
    while (end < minutes.size() && minutes[end] < minutes[i] + length * kMinute) ++end;
    const int count = static_cast<int>(end - i);
    if (count > best.qsos) best = {length, count, minutes[i]};
  }
  return best;
}

size_t BandIndex(const std::vector<std::string>& bands, const std::string& band) {
  return static_cast<size_t>(std::find(bands.begin(), bands.end(), band) - bands.begin());
}

size_t ContinentIndex(const std::string& continent) {
  for (size_t k = 0; k < std::size(kContinents); ++k) {
    if (continent == kContinents[k]) return k;
  }
  return kUnplaced;
}

// The organiser's count of the whole log (in time order) and the plug-in's
// claim: the multipliers as they came in, the counties of each band.
void Count(const std::vector<Contact>& contacts, const std::vector<Station>& stations,
           const std::string& own_call, const CtyFile& countries, Figures* f) {
  if (own_call.empty()) {
    f->not_counted = "the log names no own station";
    return;
  }
  Entrant entrant;
  entrant.station = PlaceStation(countries, own_call);
  if (entrant.station.country.empty()) {
    f->not_counted = "the country file does not place " + Printable(own_call, 20);
    return;
  }
  entrant.start = f->start;
  entrant.end = f->end;
  f->counted = true;
  CountResult count;
  f->claim = CompareWithPlugin(contacts, stations, entrant, &count);

  std::vector<int> dxcc(f->hours.size()), counties(f->hours.size());
  std::map<std::string, std::vector<std::string>> worked;  // band -> counties
  const UtcSeconds first_hour = f->hours.empty() ? 0 : f->hours[0].start;
  for (size_t i = 0; i < contacts.size(); ++i) {
    const ContactCount& c = count.contacts[i];
    if (!c.new_dxcc && !c.new_county) continue;
    // A counted contact lies in the period, so in one of its hours.
    const size_t hour = static_cast<size_t>((ContactTime(contacts[i]) - first_hour) / kHour);
    dxcc[hour] += c.new_dxcc ? 1 : 0;
    counties[hour] += c.new_county ? 1 : 0;
    if (c.new_county) worked[contacts[i].band].push_back(c.county);
  }
  int d = 0, k = 0;
  for (size_t h = 0; h < f->hours.size(); ++h) {
    f->hours[h].dxcc = d += dxcc[h];
    f->hours[h].counties = k += counties[h];
  }
  std::vector<std::string> codes(stats::g_CountyCodes.begin(), stats::g_CountyCodes.end());
  std::sort(codes.begin(), codes.end());
  for (const std::string_view band : kContestBands) {
    BandCounties b;
    b.band = std::string(band);
    b.worked = std::move(worked[b.band]);
    std::sort(b.worked.begin(), b.worked.end());
    std::set_difference(codes.begin(), codes.end(), b.worked.begin(), b.worked.end(),
                        std::back_inserter(b.missing));
    f->counties.push_back(std::move(b));
  }
}

}  // namespace

std::string IsoMinute(UtcSeconds t) {
  std::string text = FormatUtc(t);  // "2021-08-28 12:00:00"
  text[10] = 'T';
  text.resize(16);
  return text + "Z";
}

std::string Explanation(const ClaimStep& step) {
  if (step.rule == &CountRules::every_band) {
    const bool several = step.words.find(',') != std::string::npos;
    return "the plug-in counts the contacts on " + step.words +
           (several ? ", not contest bands" : ", not a contest band");
  }
  if (step.rule == &CountRules::any_time) {
    return "the plug-in counts the contacts outside the contest period";
  }
  if (step.rule == &CountRules::any_exchange) {
    return "the plug-in counts contacts whose exchange is not what the station must send "
           "(a wrong county code scores its points, but no county)";
  }
  if (step.rule == &CountRules::romania_is_dxcc) {
    return "the plug-in counts Romania as a DXCC multiplier on each band; the organiser "
           "counts Romanian stations by their counties only";
  }
  return "the plug-in counts a DXCC multiplier for each prefix as the host gives it "
         "(Sicily or Shetland on their own, an unplaced call as one more); the organiser "
         "by DXCC country";
}

Figures ComputeFigures(std::vector<Contact> contacts, const std::string& own_call,
                       const CtyFile& countries, const Period& period) {
  Figures f;
  f.own_call = own_call;
  if (period.given) {
    f.period_known = true;
    f.start = period.start;
    f.end = period.end;
  } else if (!contacts.empty()) {
    f.period_known = true;  // as lint: the year of the log's first contact
    ContestPeriod(contacts.front().year, &f.start, &f.end);
  }
  for (Contact& c : contacts) c.second = 0;
  std::stable_sort(contacts.begin(), contacts.end(), [](const Contact& a, const Contact& b) {
    return ContactTime(a) < ContactTime(b);
  });
  for (const Rate& r : {Rate{kRateMinutes[0]}, Rate{kRateMinutes[1]}, Rate{kRateMinutes[2]}}) {
    f.best.push_back(r);
  }
  const std::vector<Station> stations = PlaceStations(contacts, countries);
  if (!f.period_known) {
    Count(contacts, stations, own_call, countries, &f);
    return f;
  }
  const UtcSeconds first_minute = (f.start + kMinute - 1) / kMinute, last_minute = f.end / kMinute;
  f.period_minutes = static_cast<int>(std::max<UtcSeconds>(0, last_minute - first_minute + 1));
  const UtcSeconds first_hour = f.start / kHour, last_hour = f.end / kHour;
  for (UtcSeconds h = first_hour; h <= last_hour; ++h)
    f.hours.push_back({h * kHour, {}, 0, 0, 0, 0});

  // The contacts of the period, in time order, and the bands they are on.
  std::vector<const Contact*> in;
  std::vector<size_t> index;
  for (size_t i = 0; i < contacts.size(); ++i) {
    const UtcSeconds t = ContactTime(contacts[i]);
    if (t < f.start || t > f.end) {
      ++f.outside;
      continue;
    }
    in.push_back(&contacts[i]);
    index.push_back(i);
    if (BandIndex(f.bands, contacts[i].band) == f.bands.size()) f.bands.push_back(contacts[i].band);
    f.has_frequencies = f.has_frequencies || HasFrequency(contacts[i]);
  }
  std::sort(f.bands.begin(), f.bands.end(), BandBefore);
  f.qsos = static_cast<int>(in.size());
  for (Hour& h : f.hours) h.bands.assign(f.bands.size(), 0);
  f.tens.assign(f.hours.size() * 6, 0);
  f.places.resize(f.bands.size());

  const std::vector<bool> run = RunContacts(in);
  std::vector<UtcSeconds> minutes;
  std::vector<std::map<std::string, int>> worked(f.bands.size());  // country -> contacts
  for (size_t k = 0; k < in.size(); ++k) {
    const Contact& c = *in[k];
    const Station& station = stations[index[k]];
    const UtcSeconds t = ContactTime(c);
    minutes.push_back(t);
    ++f.tens[static_cast<size_t>((t - f.hours[0].start) / 600)];
    Hour& hour = f.hours[static_cast<size_t>(t / kHour - first_hour)];
    const size_t band = BandIndex(f.bands, c.band);
    ++hour.bands[band];
    ++hour.total;
    hour.run += run[k] ? 1 : 0;
    ++f.places[band].continents[ContinentIndex(station.continent)];
    if (!station.country.empty()) ++worked[band][station.country];
  }
  for (size_t b = 0; b < f.bands.size(); ++b) {
    std::vector<Country>& top = f.places[b].countries;
    for (const auto& [country, qsos] : worked[b]) top.push_back({country, qsos});
    std::stable_sort(top.begin(), top.end(),
                     [](const Country& x, const Country& y) { return x.qsos > y.qsos; });
    if (top.size() > 10) top.resize(10);
  }

  for (Rate& r : f.best) r = BestRate(minutes, r.minutes);
  // On-time is the time on the air: the period cut at each contact's
  // minute, less the pieces that make a break. The period's start and the
  // minute after its end bound the first and the last piece, so a late
  // start and an early finish are breaks too.
  int off = 0;
  if (!minutes.empty()) {
    std::vector<UtcSeconds> bounds;
    bounds.reserve(minutes.size() + 2);
    bounds.push_back(first_minute * kMinute);
    bounds.insert(bounds.end(), minutes.begin(), minutes.end());
    bounds.push_back((last_minute + 1) * kMinute);
    for (size_t k = 1; k < bounds.size(); ++k) {
      const int gap = static_cast<int>((bounds[k] - bounds[k - 1]) / kMinute);
      if (gap < kBreakMinutes) continue;
      f.breaks.push_back({bounds[k - 1], bounds[k], gap});
      off += gap;
    }
    f.first = minutes.front();
    f.last = minutes.back();
  }
  // Without a contact nothing was on the air.
  f.on_time_minutes = minutes.empty() ? 0 : f.period_minutes - off;
  Count(contacts, stations, own_call, countries, &f);
  return f;
}

}  // namespace report
}  // namespace yodx
