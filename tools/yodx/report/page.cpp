#include "tools/yodx/report/page.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "tools/contest/cty.h"
#include "tools/contest/text.h"
#include "tools/yodx/report/charts.h"

namespace yodx {
namespace report {

namespace {

// Phone first: the text reflows, the charts scale down to a width where
// their labels stay readable and scroll sideways below it, the tables
// scroll sideways; printing drops the scrolling and keeps the colours.
constexpr const char* kStyle = R"(
* { box-sizing: border-box; }
body { margin: 0 auto; max-width: 62rem; padding: 0 1rem 2rem; color: #1a1a1a; background: #fff;
  font: 15px/1.45 system-ui, -apple-system, "Segoe UI", Roboto, "Helvetica Neue", Arial, sans-serif; }
h1 { font-size: 1.5rem; margin: 1.2rem 0 .2rem; }
h2 { font-size: 1.15rem; margin: 2rem 0 .5rem; padding-bottom: .15rem; border-bottom: 2px solid #0072B2; }
p { margin: .4rem 0; }
.sub { color: #444; margin: 0 0 1rem; }
.keys { display: grid; grid-template-columns: repeat(auto-fit, minmax(8.5rem, 1fr)); gap: .5rem; margin: 0; }
.keys div { border: 1px solid #c8c8c8; border-radius: 6px; padding: .35rem .6rem; }
.keys dt { font-size: .8rem; color: #444; }
.keys dd { margin: 0; font-size: 1.25rem; font-weight: 600; white-space: nowrap; }
.keys small { font-size: .8rem; font-weight: 400; }
figure { margin: .5rem 0; }
figcaption, caption { color: #444; font-size: .85rem; text-align: left; padding-bottom: .2rem; }
.chart { overflow-x: auto; }
.chart svg { display: block; width: 100%; min-width: 36rem; height: auto; }
svg text { font: 13px system-ui, -apple-system, "Segoe UI", Roboto, Arial, sans-serif; fill: #1a1a1a; }
svg .num, svg .end { text-anchor: end; }
svg .mid { text-anchor: middle; }
svg .small { font-size: 11px; }
svg .tiny { font-size: 10px; }
svg .day { fill: #444; }
svg .code { font-size: 15px; font-weight: 700; }
svg .grid { stroke: #dddddd; }
svg .seg { stroke: #ffffff; stroke-width: .6; }
svg .rate { fill: #0072B2; }
svg .strip { fill: none; stroke: #bbbbbb; }
svg .bracket { fill: none; stroke: #1a1a1a; stroke-width: 1.5; }
svg .tile { fill: #ffffff; stroke: #999999; }
svg .tile.all { stroke: #1a1a1a; stroke-width: 2; }
svg .on { fill: #0072B2; }
svg .off { fill: #ffffff; stroke: #888888; stroke-dasharray: 2 2; }
svg .lit { fill: #ffffff; font-weight: 700; }
.scroll { overflow-x: auto; }
table { border-collapse: collapse; font-variant-numeric: tabular-nums; margin: .5rem 0 1rem; font-size: .9rem; }
th, td { padding: .12rem .45rem; text-align: right; border-bottom: 1px solid #e3e3e3; white-space: nowrap; }
th { font-weight: 600; background: #f2f2f2; }
th:first-child, td:first-child { text-align: left; }
tr.sum td { font-weight: 600; border-top: 2px solid #999; }
th.codes, td.codes { text-align: left; white-space: normal; min-width: 14rem; }
.sw { display: inline-block; width: .8em; height: .8em; margin-right: .3em; vertical-align: -.05em; }
.note { background: #fff6dc; border-left: 4px solid #E69F00; padding: .5rem .8rem; }
footer { margin-top: 2rem; color: #444; font-size: .85rem; }
@media print {
  body { max-width: none; font-size: 10pt; }
  .chart, .scroll { overflow: visible; }
  .chart svg { min-width: 0; }
  figure, table, .keys { break-inside: avoid; }
  h2 { break-after: avoid; }
  * { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
}
)";

// "Sat 12:05".
std::string DayTime(UtcSeconds t) {
  return std::string(DayName(t)) + " " + Hhmm(t);
}

std::string Signed(long long n) {
  return (n < 0 ? "&minus;" : "+") + CountText(n < 0 ? -n : n);
}

std::string Cell(const std::string& text, const char* tag = "td") {
  return std::string("<") + tag + ">" + text + "</" + tag + ">";
}

std::string BandHeader(const std::string& band) {
  return std::string("<th><span class=\"sw\" style=\"background:") + BandColour(band) +
         "\"></span>" + HtmlText(band) + "</th>";
}

std::string Key(const std::string& name, const std::string& value) {
  return "<div><dt>" + name + "</dt><dd>" + value + "</dd></div>";
}

// "22 h 05", for the key figures.
std::string Short(int minutes) {
  char text[32];
  std::snprintf(text, sizeof text, "%d h %02d", minutes / 60, minutes % 60);
  return text;
}

std::string Summary(const Figures& f) {
  std::string out = "<dl class=\"keys\">" + Key("contacts", CountText(f.qsos));
  out += Key("on-time", Short(f.on_time_minutes));
  out += Key("breaks", f.breaks.empty() ? "none"
                                        : CountText(static_cast<long long>(f.breaks.size())) +
                                              " <small>(" + Short(f.break_minutes()) + ")</small>");
  out += Key("best 60 minutes", CountText(f.best.back().qsos));
  if (f.counted) {
    out += Key("multipliers", CountText(f.claim.organiser.multipliers()));
    out += Key("organiser's score", CountText(f.claim.organiser.score()));
  }
  return out + "</dl>";
}

std::string HourTable(const Figures& f) {
  std::string out =
      "<div class=\"scroll\"><table><caption>Contacts per clock hour (UTC) and band, dupes "
      "included; the running sum";
  out += f.has_frequencies ? "; the share made while running"
                           : "; no contact has a frequency, so runs are not known";
  if (f.counted) out += "; the multipliers at the end of the hour";
  out += "</caption><thead><tr><th>hour</th>";
  for (const std::string& band : f.bands) out += BandHeader(band);
  out += "<th>total</th><th>sum</th>";
  if (f.has_frequencies) out += "<th>run</th>";
  if (f.counted) out += "<th>DXCC</th><th>counties</th>";
  out += "</tr></thead><tbody>";
  std::vector<int> per_band(f.bands.size(), 0);
  int sum = 0, run = 0;
  for (const Hour& h : f.hours) {
    sum += h.total;
    run += h.run;
    out += "<tr>" + Cell(DayTime(h.start));
    for (size_t b = 0; b < f.bands.size(); ++b) {
      per_band[b] += h.bands[b];
      out += Cell(h.bands[b] == 0 ? "&middot;" : CountText(h.bands[b]));
    }
    out += Cell(CountText(h.total)) + Cell(CountText(sum));
    if (f.has_frequencies)
      out += Cell(h.total == 0 ? "" : CountText(Percent(h.run, h.total)) + " %");
    if (f.counted) out += Cell(CountText(h.dxcc)) + Cell(CountText(h.counties));
    out += "</tr>";
  }
  out += "<tr class=\"sum\">" + Cell("all");
  for (const int n : per_band) out += Cell(CountText(n));
  out += Cell(CountText(sum)) + Cell("");
  if (f.has_frequencies) out += Cell(sum == 0 ? "" : CountText(Percent(run, sum)) + " %");
  if (f.counted)
    out += Cell(CountText(f.claim.organiser.dxcc)) + Cell(CountText(f.claim.organiser.counties));
  return out + "</tr></tbody></table></div>";
}

std::string RateTables(const Figures& f) {
  std::string out =
      "<div class=\"scroll\"><table><caption>The most contacts in N minutes in a row, from a "
      "contact's minute</caption><thead><tr><th>window</th><th>contacts</th><th>from</th>"
      "<th>to</th><th>an hour</th></tr></thead><tbody>";
  for (const Rate& r : f.best) {
    out += "<tr>" + Cell(std::to_string(r.minutes) + " min") + Cell(CountText(r.qsos)) +
           Cell(DayTime(r.start)) + Cell(Hhmm(r.start + (r.minutes - 1) * 60LL)) +
           Cell(CountText(r.qsos * 60LL / r.minutes)) + "</tr>";
  }
  out += "</tbody></table></div>";
  if (f.breaks.empty()) {
    out += "<p>No break of " + std::to_string(kBreakMinutes) +
           " minutes or more, between two contacts or at either end of the period.</p>";
  } else {
    out += "<div class=\"scroll\"><table><caption>Breaks: " + std::to_string(kBreakMinutes) +
           " minutes or more from one contact to the next, from the period's start to the "
           "first contact or from the last to the period's end</caption><thead><tr><th>from"
           "</th><th>to</th><th>minutes</th></tr></thead><tbody>";
    for (const Break& b : f.breaks) {
      out += "<tr>" + Cell(DayTime(b.from)) + Cell(DayTime(b.to)) + Cell(CountText(b.minutes)) +
             "</tr>";
    }
    out += "</tbody></table></div>";
  }
  return out + "<p>On-time: " + Duration(f.on_time_minutes) + " of the period's " +
         Duration(f.period_minutes) + " (the period less the breaks). First contact " +
         DayTime(f.first) + ", last " + DayTime(f.last) + ".</p>";
}

std::string CountyTable(const Figures& f) {
  std::string out =
      "<div class=\"scroll\"><table><caption>Counties by band, as the organiser counts "
      "them</caption><thead><tr><th>band</th><th>worked</th><th "
      "class=\"codes\">missing</th></tr></thead><tbody>";
  for (const BandCounties& c : f.counties) {
    std::string missing;
    for (const std::string& code : c.missing) missing += (missing.empty() ? "" : " ") + code;
    out += "<tr>" + Cell(c.band) + Cell(std::to_string(c.worked.size()) + " of 42") +
           "<td class=\"codes\">" + (missing.empty() ? "none" : missing) + "</td></tr>";
  }
  return out + "</tbody></table></div>";
}

std::string PlaceTables(const Figures& f) {
  std::string out =
      "<div class=\"scroll\"><table><caption>Contacts by continent and band</caption><thead><tr>"
      "<th>continent</th>";
  for (const std::string& band : f.bands) out += BandHeader(band);
  out += "<th>all</th></tr></thead><tbody>";
  for (size_t k = 0; k <= std::size(kContinents); ++k) {
    int all = 0;
    std::string row;
    for (const BandPlaces& p : f.places) {
      all += p.continents[k];
      row += Cell(p.continents[k] == 0 ? "&middot;" : CountText(p.continents[k]));
    }
    if (k == kUnplaced && all == 0) continue;
    out += "<tr>" + Cell(k == kUnplaced ? "unplaced" : kContinents[k]) + row +
           Cell(CountText(all)) + "</tr>";
  }
  out +=
      "</tbody></table></div><div class=\"scroll\"><table><caption>The ten countries most "
      "worked on each band</caption><thead><tr><th>#</th>";
  size_t rows = 0;
  for (size_t b = 0; b < f.bands.size(); ++b) {
    out += BandHeader(f.bands[b]);
    rows = std::max(rows, f.places[b].countries.size());
  }
  out += "</tr></thead><tbody>";
  for (size_t r = 0; r < rows; ++r) {
    out += "<tr>" + Cell(std::to_string(r + 1));
    for (const BandPlaces& p : f.places) {
      out += Cell(r < p.countries.size()
                      ? HtmlText(p.countries[r].country) + " " + CountText(p.countries[r].qsos)
                      : "");
    }
    out += "</tr>";
  }
  return out + "</tbody></table></div>";
}

std::string ScoreSection(const Figures& f) {
  std::string out = "<h2>Score</h2>";
  if (!f.counted) {
    return out + "<p class=\"note\">No count: " + HtmlText(f.not_counted) + ".</p>";
  }
  const CountTotals& o = f.claim.organiser;
  const CountTotals& p = f.claim.plugin;
  const struct {
    const char* name;
    long long organiser, plugin;
  } kRows[] = {{"scoring QSOs", o.qsos, p.qsos},
               {"points", o.points, p.points},
               {"DXCC", o.dxcc, p.dxcc},
               {"counties", o.counties, p.counties},
               {"multipliers", o.multipliers(), p.multipliers()},
               {"score", o.score(), p.score()}};
  out +=
      "<div class=\"scroll\"><table><caption>The score as the organiser counts it and as the "
      "plug-in claims it</caption><thead><tr><th></th><th>organiser's count</th><th>the plug-in "
      "claims</th></tr></thead><tbody>";
  for (const auto& row : kRows) {
    out += std::string(row.name[0] == 's' ? "<tr class=\"sum\">" : "<tr>") + Cell(row.name) +
           Cell(CountText(row.organiser)) + Cell(CountText(row.plugin)) + "</tr>";
  }
  out += "</tbody></table></div>";
  if (f.claim.steps.empty()) return out + "<p>The two agree on this log.</p>";
  out += "<p>Why they differ, one of the plug-in's own rules at a time:</p><ul>";
  CountTotals before = o;
  for (const ClaimStep& step : f.claim.steps) {
    out += "<li><b>" + HtmlText(step.words) + "</b>: " + HtmlText(Explanation(step)) + ": " +
           Signed(step.totals.qsos - before.qsos) + " QSOs, " +
           Signed(step.totals.points - before.points) + " points, " +
           Signed(step.totals.multipliers() - before.multipliers()) +
           " multipliers, then a score of " + CountText(step.totals.score()) + ".</li>";
    before = step.totals;
  }
  return out + "</ul>";
}

std::string Figure(const std::string& svg, const std::string& caption) {
  return "<figure><div class=\"chart\">" + svg + "</div><figcaption>" + caption +
         "</figcaption></figure>";
}

}  // namespace

std::string Page(const Figures& f, const std::string& log_name) {
  const std::string call = f.own_call.empty() ? "A station" : HtmlText(f.own_call);
  const std::string year = f.period_known ? " " + FormatUtc(f.start).substr(0, 4) : "";
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"><title>" +
      call + " in the YO-DX HF Contest" + year + "</title><style>" + kStyle +
      "</style></head><body><h1>" + call + " in the YO-DX HF Contest" + year + "</h1>";
  out += "<p class=\"sub\">" + HtmlText(log_name);
  if (f.period_known) {
    out += " &middot; " + DayTime(f.start) + " to " + DayTime(f.end) + " UTC (" +
           FormatUtc(f.start).substr(0, 10) + " to " + FormatUtc(f.end).substr(0, 10) + ")";
  }
  if (f.outside > 0) {
    out += " &middot; " + CountText(f.outside) + (f.outside == 1 ? " contact" : " contacts") +
           " outside the period, not shown";
  }
  out += "</p>";

  if (f.qsos == 0) {
    out += "<p class=\"note\">No contact of this log falls in the period";
    out += f.period_known ? ", so there is nothing to chart.</p>" : ": the log has none.</p>";
  } else {
    out += Summary(f);
    out += "<h2>Contacts per hour</h2>" +
           Figure(HourChart(f),
                  "Contacts in each clock hour, stacked by band from the lowest band up; the "
                  "figure over a bar is its total (each hour's figures are under \"Hour by "
                  "hour\").");
    if (f.counted) {
      out += "<h2>Multipliers as they came in</h2>" +
             Figure(MultiplierChart(f),
                    "DXCC countries and counties on all bands together, at the end of each hour, "
                    "as the organiser counts them (each hour's figures are under \"Hour by "
                    "hour\").");
      out += "<h2>Counties</h2>" +
             Figure(CountyBoard(f),
                    "The 42 counties laid out roughly as on the map, north up; a county worked on "
                    "all five bands has a heavy frame.");
      out += CountyTable(f);
    }
    out += "<h2>Rates and breaks</h2>" +
           Figure(Timeline(f),
                  "Contacts in each ten minutes; above them the best 10, 30 and "
                  "60 minutes, below them the breaks (hatched).");
    out += RateTables(f);
    out += "<h2>Hour by hour</h2>" + HourTable(f);
    out += "<h2>Continents and countries</h2>" + PlaceTables(f);
  }
  out += ScoreSection(f);
  out +=
      "<footer>Made by yodx report. Times are UTC, read to the minute. Hours, rates and breaks "
      "count every contact of the period, dupes included; counties, multipliers and the score "
      "follow the organiser's published rules.</footer></body></html>\n";
  return out;
}

}  // namespace report
}  // namespace yodx
