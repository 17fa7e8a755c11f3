#include "tools/yodx/report/json.h"

#include <iterator>

#include "tools/contest/text.h"
#include "tools/yodx/commands.h"

namespace yodx {
namespace report {

namespace {

std::string Time(UtcSeconds t) {
  return JsonString(IsoMinute(t));
}

std::string Number(long long n) {
  return std::to_string(n);
}

std::string Totals(const CountTotals& t) {
  return "{" + CountJsonMembers(t) + "}";
}

// An object of one member per band of the period: "\"80m\": VALUE(b)".
template <typename Value>
std::string PerBand(const Figures& f, Value value) {
  std::string out = "{";
  for (size_t b = 0; b < f.bands.size(); ++b) {
    out += (b == 0 ? "\n    " : ",\n    ") + JsonString(f.bands[b]) + ": " + value(b);
  }
  return out + (f.bands.empty() ? "}" : "\n  }");
}

std::string Score(const Figures& f) {
  const Claim& claim = f.claim;
  std::string out = "{\n    \"organiser\": " + Totals(claim.organiser) +
                    ",\n    \"plugin\": " + Totals(claim.plugin) + ",\n    \"differences\": [";
  CountTotals before = claim.organiser;
  for (size_t i = 0; i < claim.steps.size(); ++i) {
    const ClaimStep& step = claim.steps[i];
    out += (i == 0 ? "\n      " : ",\n      ") + std::string("{\"rule\": ") +
           JsonString(step.words) + ", \"explanation\": " + JsonString(Explanation(step)) +
           ", \"qsos\": " + Number(step.totals.qsos - before.qsos) +
           ", \"points\": " + Number(step.totals.points - before.points) +
           ", \"multipliers\": " + Number(step.totals.multipliers() - before.multipliers()) +
           ", \"score\": " + Number(step.totals.score()) + "}";
    before = step.totals;
  }
  return out + (claim.steps.empty() ? "]\n  }" : "\n    ]\n  }");
}

}  // namespace

std::string Json(const Figures& f) {
  std::string out = "{\n  \"period\": ";
  out +=
      f.period_known ? "{\"start\": " + Time(f.start) + ", \"end\": " + Time(f.end) + "}" : "null";
  out += ",\n  \"qsos\": " + Number(f.qsos) + ",\n  \"hours\": [";
  for (size_t h = 0; h < f.hours.size(); ++h) {
    const Hour& hour = f.hours[h];
    out += (h == 0 ? "\n    " : ",\n    ") + std::string("{\"start\": ") + Time(hour.start) +
           ", \"bands\": {";
    for (size_t b = 0; b < f.bands.size(); ++b) {
      out += (b == 0 ? "" : ", ") + JsonString(f.bands[b]) + ": " + Number(hour.bands[b]);
    }
    out += "}, \"total\": " + Number(hour.total) + "}";
  }
  out += f.hours.empty() ? "],\n  \"best_rate\": {" : "\n  ],\n  \"best_rate\": {";
  for (size_t r = 0; r < f.best.size(); ++r) {
    const Rate& rate = f.best[r];
    out += (r == 0 ? "" : ", ") + JsonString(std::to_string(rate.minutes)) +
           ": {\"qsos\": " + Number(rate.qsos) +
           ", \"start\": " + (rate.qsos > 0 ? Time(rate.start) : "null") + "}";
  }
  out += "},\n  \"breaks\": [";
  for (size_t i = 0; i < f.breaks.size(); ++i) {
    const Break& b = f.breaks[i];
    out += (i == 0 ? "\n    " : ",\n    ") + std::string("{\"from\": ") + Time(b.from) +
           ", \"to\": " + Time(b.to) + ", \"minutes\": " + Number(b.minutes) + "}";
  }
  out += f.breaks.empty() ? "]" : "\n  ]";
  out += ",\n  \"on_time_minutes\": " + Number(f.on_time_minutes) + ",\n  \"counties\": ";
  if (f.counted) {
    out += "{";
    for (size_t b = 0; b < f.counties.size(); ++b) {
      const BandCounties& c = f.counties[b];
      out += (b == 0 ? "\n    " : ",\n    ") + JsonString(c.band) +
             ": {\"worked\": " + JsonStrings(c.worked) +
             ", \"missing\": " + JsonStrings(c.missing) + "}";
    }
    out += "\n  },\n  \"multipliers_by_hour\": [";
    for (size_t h = 0; h < f.hours.size(); ++h) {
      const Hour& hour = f.hours[h];
      out += (h == 0 ? "\n    " : ",\n    ") + std::string("{\"end\": ") + Time(hour.start + 3600) +
             ", \"dxcc\": " + Number(hour.dxcc) + ", \"counties\": " + Number(hour.counties) + "}";
    }
    out += f.hours.empty() ? "]" : "\n  ]";
  } else {
    out += "null,\n  \"multipliers_by_hour\": null";
  }
  out += ",\n  \"continents\": " + PerBand(f, [&](size_t b) {
           const std::array<int, 7>& n = f.places[b].continents;
           std::string row = "{";
           for (size_t k = 0; k < std::size(kContinents); ++k) {
             row += JsonString(kContinents[k]) + ": " + Number(n[k]) + ", ";
           }
           return row + "\"unknown\": " + Number(n[kUnplaced]) + "}";
         });
  out += ",\n  \"countries\": " + PerBand(f, [&](size_t b) {
           std::string row = "[";
           for (const Country& c : f.places[b].countries) {
             row += (row.size() == 1 ? "" : ", ") + std::string("{\"country\": ") +
                    JsonString(c.country) + ", \"qsos\": " + Number(c.qsos) + "}";
           }
           return row + "]";
         });
  out += ",\n  \"run\": ";
  if (f.has_frequencies) {
    out += "[";
    for (size_t h = 0; h < f.hours.size(); ++h) {
      const Hour& hour = f.hours[h];
      const std::string percent = hour.total == 0 ? "null" : Number(Percent(hour.run, hour.total));
      out += (h == 0 ? "\n    " : ",\n    ") + std::string("{\"start\": ") + Time(hour.start) +
             ", \"run\": " + Number(hour.run) + ", \"percent\": " + percent + "}";
    }
    out += f.hours.empty() ? "]" : "\n  ]";
  } else {
    out += "null";
  }
  out += ",\n  \"score\": " + (f.counted ? Score(f) : std::string("null"));
  return out + "\n}\n";
}

}  // namespace report
}  // namespace yodx
