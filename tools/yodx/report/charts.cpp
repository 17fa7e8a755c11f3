#include "tools/yodx/report/charts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "tools/contest/text.h"

namespace yodx {
namespace report {

namespace {

constexpr double kWidth = 800;  // every chart's viewBox width

// A coordinate or length, to a tenth.
std::string N(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", v);
  std::string s = text;
  if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
  return s;
}

std::string Open(double height, const std::string& label) {
  return "<svg viewBox=\"0 0 " + N(kWidth) + " " + N(height) + "\" role=\"img\" aria-label=\"" +
         HtmlText(label) + "\">";
}

std::string Text(double x, double y, const std::string& text, const char* extra = "") {
  return "<text x=\"" + N(x) + "\" y=\"" + N(y) + "\"" + extra + ">" + HtmlText(text) + "</text>";
}

std::string Rect(double x, double y, double w, double h, const std::string& attributes,
                 const std::string& title = "") {
  std::string out = "<rect x=\"" + N(x) + "\" y=\"" + N(y) + "\" width=\"" + N(w) + "\" height=\"" +
                    N(h) + "\" " + attributes;
  return title.empty() ? out + "/>" : out + "><title>" + HtmlText(title) + "</title></rect>";
}

// A step of 1, 2 or 5 times a power of ten that divides [0, top] into at
// most five parts.
int NiceStep(int top) {
  int step = 1;
  for (int base = 1;; base *= 10) {
    for (int m : {1, 2, 5}) {
      step = m * base;
      if (top <= step * 5) return step;
    }
  }
}

// The value axis: grid lines and their labels, left of a plot that begins
// at X and spans WIDTH, from BOTTOM up HEIGHT for values 0 to TOP.
std::string ValueAxis(double x, double width, double bottom, double height, int top, int step) {
  std::string out;
  for (int v = 0; v <= top; v += step) {
    const double y = bottom - height * v / top;
    out += "<line x1=\"" + N(x) + "\" y1=\"" + N(y) + "\" x2=\"" + N(x + width) + "\" y2=\"" +
           N(y) + "\" class=\"grid\"/>" + Text(x - 6, y + 4, CountText(v), " class=\"num\"");
  }
  return out;
}

// The hour labels under a plot whose hour H is centred at CENTRE(H): the
// hour, and the day at the first hour and at midnight; fewer when crowded.
template <typename Centre>
std::string HourAxis(const Figures& f, double y, Centre centre) {
  std::string out;
  const size_t every = f.hours.size() <= 24 ? 1 : f.hours.size() <= 48 ? 2 : 6;
  for (size_t h = 0; h < f.hours.size(); ++h) {
    const UtcSeconds t = f.hours[h].start;
    if (h % every != 0 && t % 86400 != 0) continue;
    out += Text(centre(h), y, Hhmm(t).substr(0, 2), " class=\"mid\"");
    if (h == 0 || t % 86400 == 0) out += Text(centre(h), y + 15, DayName(t), " class=\"mid day\"");
  }
  return out;
}

struct Tile {
  const char* code;
  const char* name;
  int column, row;
};

// The 42 counties on a grid laid out roughly as Romania's map, north up.
constexpr Tile kTiles[] = {
    {"SM", "Satu Mare", 0, 0},
    {"MM", "Maramures", 1, 0},
    {"SV", "Suceava", 3, 0},
    {"BT", "Botosani", 4, 0},
    {"BH", "Bihor", 0, 1},
    {"SJ", "Salaj", 1, 1},
    {"BN", "Bistrita-Nasaud", 2, 1},
    {"NT", "Neamt", 3, 1},
    {"IS", "Iasi", 4, 1},
    {"AR", "Arad", 0, 2},
    {"CJ", "Cluj", 1, 2},
    {"MS", "Mures", 2, 2},
    {"HR", "Harghita", 3, 2},
    {"BC", "Bacau", 4, 2},
    {"VS", "Vaslui", 5, 2},
    {"TM", "Timis", 0, 3},
    {"AB", "Alba", 1, 3},
    {"SB", "Sibiu", 2, 3},
    {"BV", "Brasov", 3, 3},
    {"CV", "Covasna", 4, 3},
    {"VN", "Vrancea", 5, 3},
    {"GL", "Galati", 6, 3},
    {"CS", "Caras-Severin", 0, 4},
    {"HD", "Hunedoara", 1, 4},
    {"VL", "Valcea", 2, 4},
    {"AG", "Arges", 3, 4},
    {"PH", "Prahova", 4, 4},
    {"BZ", "Buzau", 5, 4},
    {"BR", "Braila", 6, 4},
    {"TL", "Tulcea", 7, 4},
    {"MH", "Mehedinti", 0, 5},
    {"GJ", "Gorj", 1, 5},
    {"DB", "Dambovita", 3, 5},
    {"BU", "Bucharest", 4, 5},
    {"IF", "Ilfov", 5, 5},
    {"IL", "Ialomita", 6, 5},
    {"CT", "Constanta", 7, 5},
    {"DJ", "Dolj", 1, 6},
    {"OT", "Olt", 2, 6},
    {"TR", "Teleorman", 3, 6},
    {"GR", "Giurgiu", 4, 6},
    {"CL", "Calarasi", 5, 6},
};
static_assert(sizeof kTiles / sizeof kTiles[0] == 42, "one tile per county");

}  // namespace

std::string Hhmm(UtcSeconds t) {
  return FormatUtc(t).substr(11, 5);
}

std::string Duration(int minutes) {
  char text[32];
  std::snprintf(text, sizeof text, "%d h %02d min", minutes / 60, minutes % 60);
  return text;
}

const char* BandColour(const std::string& band) {
  static const std::pair<const char*, const char*> kColours[] = {
      {"160m", "#CC79A7"}, {"80m", "#0072B2"}, {"40m", "#56B4E9"},
      {"20m", "#009E73"},  {"15m", "#E69F00"}, {"10m", "#D55E00"}};
  for (const auto& [name, colour] : kColours) {
    if (band == name) return colour;
  }
  // Every other band, from the rest of the palette by its name.
  static const char* const kOthers[] = {"#F0E442", "#000000", "#999999"};
  size_t sum = 0;
  for (const char c : band) sum += static_cast<unsigned char>(c);
  return kOthers[sum % 3];
}

const char* DayName(UtcSeconds t) {
  static const char* const kDays[] = {"Sat", "Sun", "Mon", "Tue", "Wed", "Thu", "Fri"};
  return kDays[(t / 86400) % 7];  // day 0, 1899-12-30, was a Saturday
}

std::string HourChart(const Figures& f) {
  constexpr double kLeft = 48, kTop = 40, kPlot = 220, kHeight = 310;
  const double slot = (kWidth - kLeft - 8) / static_cast<double>(f.hours.size());
  const double bar = std::max(1.0, slot * 0.72);
  int top = 1;
  for (const Hour& h : f.hours) top = std::max(top, h.total);
  const int step = NiceStep(top);
  top = (top + step - 1) / step * step;

  std::string out = Open(kHeight, "Contacts per hour, stacked by band");
  double x = kLeft;
  for (size_t b = 0; b < f.bands.size(); ++b) {  // the legend, in stacking order from below
    out += Rect(x, 8, 14, 14, std::string("fill=\"") + BandColour(f.bands[b]) + "\"") +
           Text(x + 19, 20, f.bands[b]);
    x += 30 + 9.0 * static_cast<double>(f.bands[b].size());
  }
  const double bottom = kTop + kPlot;
  out += ValueAxis(kLeft, kWidth - kLeft - 8, bottom, kPlot, top, step);
  for (size_t h = 0; h < f.hours.size(); ++h) {
    const Hour& hour = f.hours[h];
    const double left = kLeft + slot * static_cast<double>(h) + (slot - bar) / 2;
    double y = bottom;
    for (size_t b = 0; b < f.bands.size(); ++b) {
      if (hour.bands[b] == 0) continue;
      const double height = kPlot * hour.bands[b] / top;
      y -= height;
      out += Rect(left, y, bar, height,
                  std::string("fill=\"") + BandColour(f.bands[b]) + "\" class=\"seg\"",
                  Hhmm(hour.start) + " " + f.bands[b] + ": " + CountText(hour.bands[b]));
    }
    if (hour.total > 0 && slot >= 18) {
      out += Text(left + bar / 2, y - 4, CountText(hour.total), " class=\"mid small\"");
    }
  }
  out += HourAxis(f, bottom + 18,
                  [&](size_t h) { return kLeft + slot * (static_cast<double>(h) + 0.5); });
  return out + "</svg>";
}

std::string MultiplierChart(const Figures& f) {
  constexpr double kLeft = 48, kRight = 112, kTop = 14, kPlot = 200, kHeight = 262;
  const double width = kWidth - kLeft - kRight;
  const double slot = width / static_cast<double>(f.hours.size());
  int top = 1;
  for (const Hour& h : f.hours) top = std::max(top, h.dxcc + h.counties);
  const int step = NiceStep(top);
  top = (top + step - 1) / step * step;
  const double bottom = kTop + kPlot;

  std::string out = Open(kHeight, "Multipliers as they came in, at the end of each hour");
  out += ValueAxis(kLeft, width, bottom, kPlot, top, step);
  const struct {
    const char* name;
    const char* style;
    int (*value)(const Hour&);
  } kLines[] = {
      {"total", "stroke=\"#000000\" stroke-width=\"2.5\"",
       [](const Hour& h) { return h.dxcc + h.counties; }},
      {"DXCC", "stroke=\"#0072B2\" stroke-width=\"2.5\" stroke-dasharray=\"8 4\"",
       [](const Hour& h) { return h.dxcc; }},
      {"counties", "stroke=\"#D55E00\" stroke-width=\"2.5\" stroke-dasharray=\"2 3\"",
       [](const Hour& h) { return h.counties; }},
  };
  std::vector<double> label_y;
  for (const auto& line : kLines) {
    std::string points = N(kLeft) + "," + N(bottom);
    std::string marks;
    for (size_t h = 0; h < f.hours.size(); ++h) {
      const int v = line.value(f.hours[h]);
      const double x = kLeft + slot * static_cast<double>(h + 1), y = bottom - kPlot * v / top;
      points += " " + N(x) + "," + N(y);
      marks += "<circle cx=\"" + N(x) + "\" cy=\"" + N(y) + "\" r=\"3\" fill=\"#ffffff\" " +
               line.style + "><title>" +
               HtmlText(std::string(line.name) + " at " + Hhmm(f.hours[h].start + 3600) + ": " +
                        CountText(v)) +
               "</title></circle>";
    }
    out += "<polyline fill=\"none\" " + std::string(line.style) + " points=\"" + points + "\"/>";
    out += marks;
    // The line's name and last value at its end, kept clear of the others.
    const int last = f.hours.empty() ? 0 : line.value(f.hours.back());
    double y = bottom - kPlot * last / top + 4;
    for (const double taken : label_y) {
      if (std::abs(y - taken) < 15) y = taken + 15;
    }
    label_y.push_back(y);
    out += Text(kWidth - kRight + 8, y, std::string(line.name) + " " + CountText(last));
  }
  out += HourAxis(f, bottom + 18, [&](size_t h) { return kLeft + slot * static_cast<double>(h); });
  out += Text(kLeft + width, bottom + 18, Hhmm(f.hours.back().start + 3600).substr(0, 2),
              " class=\"mid\"");
  return out + "</svg>";
}

std::string Timeline(const Figures& f) {
  constexpr double kLeft = 48, kTop = 66, kPlot = 90, kHeight = 228;
  const double width = kWidth - kLeft - 8;
  const UtcSeconds origin = f.hours.front().start;
  const double span = static_cast<double>(f.hours.size()) * 3600;
  auto at = [&](UtcSeconds t) { return kLeft + width * static_cast<double>(t - origin) / span; };
  const double bottom = kTop + kPlot;

  std::string out = Open(kHeight, "Rates and breaks on a time line");
  out +=
      "<defs><pattern id=\"hatch\" width=\"6\" height=\"6\" patternUnits=\"userSpaceOnUse\" "
      "patternTransform=\"rotate(45)\"><rect width=\"6\" height=\"6\" fill=\"#eeeeee\"/>"
      "<line x1=\"0\" y1=\"0\" x2=\"0\" y2=\"6\" stroke=\"#555555\" stroke-width=\"2.5\"/>"
      "</pattern></defs>";
  // The best windows, one row each, the shortest on top.
  for (size_t r = 0; r < f.best.size(); ++r) {
    const Rate& rate = f.best[r];
    if (rate.qsos == 0) continue;
    const double y = 14 + 17 * static_cast<double>(r);
    const double x0 = at(rate.start), x1 = std::max(x0 + 2, at(rate.start + rate.minutes * 60LL));
    const std::string label = "best " + std::to_string(rate.minutes) +
                              " min: " + CountText(rate.qsos) + " from " + Hhmm(rate.start);
    out += "<path d=\"M" + N(x0) + " " + N(y - 5) + "V" + N(y) + "H" + N(x1) + "V" + N(y - 5) +
           "\" class=\"bracket\"/>";
    const bool right = x1 + 8 + 7.0 * static_cast<double>(label.size()) < kWidth;
    out += Text(right ? x1 + 6 : x0 - 6, y + 1, label,
                right ? " class=\"small\"" : " class=\"end small\"");
  }
  int top = 1;
  for (const int n : f.tens) top = std::max(top, n);
  const int step = NiceStep(top);
  top = (top + step - 1) / step * step;
  out += ValueAxis(kLeft, width, bottom, kPlot, top, step);
  const double bin = width / static_cast<double>(f.tens.size());
  for (size_t i = 0; i < f.tens.size(); ++i) {
    if (f.tens[i] == 0) continue;
    const UtcSeconds t = origin + static_cast<UtcSeconds>(i) * 600;
    const double h = kPlot * f.tens[i] / top;
    out += Rect(kLeft + bin * static_cast<double>(i) + 0.4, bottom - h, std::max(0.5, bin - 0.8), h,
                "class=\"rate\"",
                Hhmm(t) + "-" + Hhmm(t + 540) + ": " + CountText(f.tens[i]) + " contacts (" +
                    CountText(f.tens[i] * 6LL) + " an hour)");
  }
  // The breaks, in a strip under the rates.
  out += Text(kLeft - 6, bottom + 19, "breaks", " class=\"end small\"");
  out += Rect(kLeft, bottom + 8, width, 14, "class=\"strip\"");
  for (const Break& b : f.breaks) {
    out += Rect(at(b.from), bottom + 8, std::max(1.5, at(b.to) - at(b.from)), 14,
                "fill=\"url(#hatch)\" stroke=\"#333333\" stroke-width=\"0.8\"",
                "break " + Hhmm(b.from) + "-" + Hhmm(b.to) + ", " + CountText(b.minutes) + " min");
  }
  out += HourAxis(f, bottom + 42, [&](size_t h) { return at(f.hours[h].start); });
  return out + "</svg>";
}

std::string CountyBoard(const Figures& f) {
  constexpr double kTileW = 86, kTileH = 56, kGap = 4, kColumns = 8, kTop = 34;
  constexpr double kLeft = (kWidth - kColumns * (kTileW + kGap) + kGap) / 2;
  const double height = kTop + 7 * (kTileH + kGap) + 4;
  std::string out = Open(height, "The counties worked on each band");
  out += Text(kLeft, 20,
              "each county: its cells 80 40 20 15 10 m, filled where worked, "
              "empty where missing",
              " class=\"small\"");
  for (const Tile& tile : kTiles) {
    const double x = kLeft + tile.column * (kTileW + kGap), y = kTop + tile.row * (kTileH + kGap);
    std::string worked, missing;
    int count = 0;
    std::string cells;
    for (size_t b = 0; b < f.counties.size(); ++b) {
      const BandCounties& band = f.counties[b];
      const bool on = std::binary_search(band.worked.begin(), band.worked.end(), tile.code);
      const std::string digits = band.band.substr(0, band.band.size() - 1);
      (on ? worked : missing) += (on ? worked : missing).empty() ? digits : ", " + digits;
      count += on ? 1 : 0;
      const double cx = x + 4 + static_cast<double>(b) * 16;
      cells += Rect(cx, y + 32, 14, 18, on ? "class=\"on\"" : "class=\"off\"") +
               Text(cx + 7, y + 45, digits, on ? " class=\"mid tiny lit\"" : " class=\"mid tiny\"");
    }
    std::string title = std::string(tile.code) + " " + tile.name + ": ";
    title += worked.empty() ? "not worked" : "worked on " + worked + " m";
    if (!worked.empty() && !missing.empty()) title += "; missing on " + missing + " m";
    out += "<g><title>" + HtmlText(title) + "</title>" +
           Rect(x, y, kTileW, kTileH,
                count == 5 ? "rx=\"4\" class=\"tile all\"" : "rx=\"4\" class=\"tile\"") +
           Text(x + 5, y + 20, tile.code, " class=\"code\"") +
           Text(x + kTileW - 5, y + 20, std::to_string(count) + "/5", " class=\"end small\"") +
           cells + "</g>";
  }
  return out + "</svg>";
}

}  // namespace report
}  // namespace yodx
