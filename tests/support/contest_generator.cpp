#include "tests/support/contest_generator.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>
#include <random>
#include <unordered_map>
#include <unordered_set>

#include "log/contest_log.h"
#include "tools/contest/contact.h"
#include "tools/contest/dates.h"
#include "tools/contest/rules.h"
#include "tools/contest/text.h"

namespace yodx {
namespace testing {

namespace {

struct Country {
  const char* name;
  const char* prefix;  // primary
  const char* continent;
  const char* prefixes;            // all of them, as the country file lists them
  std::vector<const char*> forms;  // what calls begin with
  int weight;                      // how many of the stations are of this country, relatively
};

const Country kCountries[] = {
    {"Romania", "YO", "EU", "YO,YP,YQ,YR", {"YO", "YO", "YO", "YP", "YQ", "YR"}, 25},
    {"Fed. Rep. of Germany",
     "DL",
     "EU",
     "DA,DB,DC,DD,DF,DG,DH,DJ,DK,DL,DM,DO",
     {"DL", "DK", "DJ", "DF", "DG"},
     10},
    {"France", "F", "EU", "F", {"F"}, 5},
    {"Italy", "I", "EU", "I", {"I", "IK", "IZ"}, 6},
    {"England", "G", "EU", "G,M,2E", {"G", "M"}, 5},
    {"Spain", "EA", "EU", "EA,EB,EC,ED,EE,EF,EG,EH", {"EA", "EC"}, 4},
    {"Poland", "SP", "EU", "SN,SO,SP,SQ,SR,3Z", {"SP", "SQ"}, 5},
    {"Czech Republic", "OK", "EU", "OK,OL", {"OK", "OL"}, 4},
    {"Hungary", "HA", "EU", "HA,HG", {"HA", "HG"}, 4},
    {"European Russia", "UA", "EU", "R,UA,UB,UC,UD,UE,UF,UG,UH,UI", {"UA", "RA", "RN", "RW"}, 6},
    {"Ukraine", "UR", "EU", "EM,EN,EO,UR,US,UT,UU,UV,UW,UX,UY,UZ", {"UR", "UT", "UX"}, 4},
    {"Bulgaria", "LZ", "EU", "LZ", {"LZ"}, 4},
    {"Serbia", "YU", "EU", "YT,YU", {"YU", "YT"}, 3},
    {"Austria", "OE", "EU", "OE", {"OE"}, 3},
    {"Croatia", "9A", "EU", "9A", {"9A"}, 3},
    {"Moldova", "ER", "EU", "ER", {"ER"}, 2},
    {"United States of America", "K", "NA", "AA,AB,AC,K,N,W", {"K", "W", "N", "AA"}, 5},
    {"Japan", "JA", "AS", "JA,JE,JF,JG,JH,JR", {"JA", "JH", "JR"}, 3},
    {"Brazil", "PY", "SA", "PP,PQ,PR,PS,PT,PU,PV,PW,PX,PY", {"PY", "PU"}, 2},
    {"Australia", "VK", "OC", "VK", {"VK"}, 1},
    {"South Africa", "ZS", "AF", "ZR,ZS,ZT,ZU", {"ZS"}, 1},
};

// How often a QSO is on each band of kContestBands, relatively.
const int kBandWeight[] = {15, 25, 30, 20, 10};
static_assert(std::size(kBandWeight) == std::size(kContestBands), "a weight per contest band");

// Faults per line, before each station's sloppiness multiplies them.
constexpr double kMissed = 0.02, kBusted = 0.025, kWrongExchange = 0.02;
// Of the busted calls, those copied further than one slip; of the received
// serials of a log that pads them, those written without their zeros; and
// the lines written without the sent report.
constexpr double kFarBust = 0.2, kUnpadded = 0.05, kNoReport = 0.004;
constexpr double kRepeated = 0.015;  // QSOs made again later: dupes in both logs
// QSOs in which each side copies the other's call wrong. Drawn from a
// generator of their own, so that the contests stay what they were but for
// these lines.
constexpr double kBothBusted = 0.004;

// The same numbers on every platform: the engine is fixed by the standard,
// and no library distribution (whose algorithms differ) stands between.
class Random {
 public:
  explicit Random(uint32_t seed) : engine_(seed) {}
  int Below(int n) { return static_cast<int>(engine_() % static_cast<uint32_t>(n)); }
  bool Chance(double p) { return static_cast<double>(engine_()) < p * 4294967296.0; }
  template <typename T>
  const T& Pick(const std::vector<T>& from) {
    return from[static_cast<size_t>(Below(static_cast<int>(from.size())))];
  }

 private:
  std::mt19937 engine_;
};

struct Station {
  std::string call;
  bool romanian = false;
  std::string county;
  bool sends_log = false;
  int weight = 1;
  int offset = 0;       // minutes its clock runs ahead
  bool padded = false;  // writes serials as 001
  double sloppy = 1;    // multiplies the fault rates
  std::string power;
  std::vector<int> neighbours;      // stations whose call is one slip from its own
  std::vector<int> far_neighbours;  // stations whose call is two slips from its own
};

struct Qso {
  int a, b;  // the two stations
  int band;
  bool cw;
  int second;  // from the start of the contest
  int serial_a = 0, serial_b = 0;
};

// One side's line of a QSO.
struct Written {
  int station = 0, qso = 0, other = 0;
  std::string call;  // as logged
  bool busted = false, wrong_exchange = false;
  bool one_slip = false;  // busted: the call logged is one slip from the right one
  long long time = 0;     // as logged, seconds
  std::string text;
  int line = 0;
};

// A call as calls are: a letter before a digit ("3JG" is a serial's shape,
// not a call's), no slash at either end.
bool Usable(const std::string& call) {
  const size_t letter = call.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  return LooksLikeCall(call) && call.front() != '/' && call.back() != '/' &&
         call.find_first_of("0123456789", letter) != std::string::npos;
}

char Other(Random& r, char c) {
  const char* const set = IsDigit(c) ? "0123456789" : "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  const int size = IsDigit(c) ? 10 : 26;
  char d = c;
  while (d == c) d = set[r.Below(size)];
  return d;
}

// CALL copied two slips wrong: two characters changed that do not stand
// side by side, two dropped ("LZ0" for "LZ0DP"), or one changed and a
// portable designator added.
std::string FarBust(Random& r, const std::string& right) {
  for (;;) {
    std::string call = right;
    const int size = static_cast<int>(call.size());
    const size_t at = static_cast<size_t>(r.Below(size));
    const size_t second = static_cast<size_t>(r.Below(size));
    if (call[at] == '/' || call[second] == '/') continue;
    const int kind = r.Below(3);
    if (kind == 0) {
      if (second < at + 2) continue;
      call[at] = Other(r, call[at]);
      call[second] = Other(r, call[second]);
    } else if (kind == 1) {
      if (second == at) continue;
      call.erase(std::max(at, second), 1);
      call.erase(std::min(at, second), 1);
    } else {
      if (call.find('/') != std::string::npos) continue;
      call[at] = Other(r, call[at]);
      call += "/P";
    }
    if (Usable(call) && call != right) return call;
  }
}

// The call of a station as another operator may bust it; *ONE_SLIP tells
// whether the copy is one slip from the call or further.
std::string Bust(Random& r, const std::vector<Station>& stations, const Station& s,
                 bool* one_slip) {
  *one_slip = true;
  if (!s.neighbours.empty() && r.Chance(0.3)) return stations[r.Pick(s.neighbours)].call;
  *one_slip = false;
  if (!s.far_neighbours.empty() && r.Chance(0.3)) return stations[r.Pick(s.far_neighbours)].call;
  if (r.Chance(kFarBust)) return FarBust(r, s.call);
  *one_slip = true;
  const size_t slash = s.call.find('/');
  for (;;) {
    std::string call = s.call;
    const int kind = slash != std::string::npos && r.Chance(0.5) ? 4 : r.Below(4);
    const size_t at = static_cast<size_t>(r.Below(static_cast<int>(call.size())));
    if (call[at] == '/') continue;
    if (kind == 0) {
      call[at] = Other(r, call[at]);
    } else if (kind == 1) {
      if (at + 1 >= call.size() || call[at + 1] == '/' || call[at] == call[at + 1]) continue;
      std::swap(call[at], call[at + 1]);
    } else if (kind == 2) {
      call.erase(at, 1);
    } else if (kind == 3) {
      call.insert(at, 1, Other(r, call[at]));
    } else {
      const size_t last = call.rfind('/');
      call = last > call.size() - last ? call.substr(0, last) : call.substr(slash + 1);
    }
    if (Usable(call) && call != s.call) return call;
  }
}

std::string NewCall(Random& r, const Country& country) {
  std::string call = r.Pick(country.forms);
  call += static_cast<char>((country.prefix == std::string("YO") ? '2' : '0') +
                            r.Below(country.prefix == std::string("YO") ? 8 : 10));
  const int letters = r.Chance(0.1) ? 1 : 2 + r.Below(2);
  for (int i = 0; i < letters; ++i) call += static_cast<char>('A' + r.Below(26));
  return call;
}

std::vector<Station> MakeStations(Random& r, const ContestShape& shape) {
  std::vector<const Country*> weighted;
  for (const Country& c : kCountries) {
    for (int i = 0; i < c.weight; ++i) weighted.push_back(&c);
  }
  std::vector<Station> stations;
  std::unordered_set<std::string> taken;
  while (static_cast<int>(stations.size()) < shape.stations) {
    Station s;
    const Country* country = r.Pick(weighted);
    int original = -1;
    bool far = false;
    if (!stations.empty() && r.Chance(0.12)) {  // one or two letters from a station already there
      original = r.Below(static_cast<int>(stations.size()));
      s.call = stations[static_cast<size_t>(original)].call;
      if (s.call.find('/') != std::string::npos) continue;
      const char last = s.call.back();
      s.call.back() = Other(r, last);
      far = r.Chance(0.35) && IsAlpha(s.call[s.call.size() - 2]);
      if (far) {
        // Not the two letters swapped, which is one slip.
        char& before = s.call[s.call.size() - 2];
        const char was = before;
        do {
          before = Other(r, was);
        } while (before == last);
      }
      s.romanian = stations[static_cast<size_t>(original)].romanian;
    } else {
      s.call = NewCall(r, *country);
      s.romanian = country->prefix == std::string("YO");
      if (r.Chance(0.05)) {
        s.call += "/P";
      } else if (!s.romanian && r.Chance(0.03)) {
        const Country& abroad = kCountries[1 + r.Below(15)];
        if (abroad.prefix != std::string(country->prefix)) {
          s.call = abroad.forms[0] + ("/" + s.call);
        }
      }
    }
    if (!taken.insert(s.call).second) continue;
    if (original >= 0) {
      (far ? s.far_neighbours : s.neighbours).push_back(original);
      Station& near = stations[static_cast<size_t>(original)];
      (far ? near.far_neighbours : near.neighbours).push_back(static_cast<int>(stations.size()));
    }
    if (s.romanian) s.county = stats::g_CountyCodes[static_cast<size_t>(r.Below(42))];
    const int u = r.Below(1000);
    s.weight = 1 + u * u / 25000 * u / 1000;  // from 1 to 39, most small
    const int clock = r.Below(100);
    if (clock >= 90) {
      static const int kHours[] = {180, 180, 60, 120, -60};
      s.offset = s.romanian ? 180 : kHours[r.Below(5)];
    } else if (clock >= 80) {
      s.offset = (2 + r.Below(14)) * (r.Chance(0.5) ? 1 : -1);
    }
    s.padded = r.Chance(0.6);
    s.sloppy = 0.5 + r.Below(150) / 100.0;
    static const char* const kPowers[] = {"HIGH", "LOW", "QRP"};
    s.power = kPowers[r.Below(3)];
    stations.push_back(std::move(s));
  }
  std::vector<int> order(stations.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  for (size_t i = order.size(); i > 1; --i) {
    std::swap(order[i - 1], order[static_cast<size_t>(r.Below(static_cast<int>(i)))]);
  }
  for (int i = 0; i < shape.logs && i < shape.stations; ++i) {
    stations[static_cast<size_t>(order[static_cast<size_t>(i)])].sends_log = true;
  }
  return stations;
}

std::vector<Qso> MakeQsos(Random& r, const ContestShape& shape,
                          const std::vector<Station>& stations) {
  std::vector<int> by_weight;
  for (size_t i = 0; i < stations.size(); ++i) {
    for (int w = 0; w < stations[i].weight; ++w) by_weight.push_back(static_cast<int>(i));
  }
  std::vector<int> bands;
  for (int b = 0; b < 5; ++b) bands.insert(bands.end(), static_cast<size_t>(kBandWeight[b]), b);
  std::vector<Qso> qsos;
  std::unordered_set<long long> made;  // pair, band and mode
  while (static_cast<int>(qsos.size()) < shape.qsos) {
    if (!qsos.empty() && r.Chance(kRepeated)) {
      Qso again = r.Pick(qsos);
      again.second += 1800 + r.Below(20000);
      if (again.second < 86400) qsos.push_back(again);
      continue;
    }
    Qso q{r.Pick(by_weight), r.Pick(by_weight), r.Pick(bands), r.Chance(0.6), r.Below(86400)};
    if (q.a == q.b) continue;
    const long long key =
        (std::min(q.a, q.b) * 100000LL + std::max(q.a, q.b)) * 10 + q.band * 2 + q.cw;
    if (made.insert(key).second) qsos.push_back(q);
  }
  std::stable_sort(qsos.begin(), qsos.end(),
                   [](const Qso& x, const Qso& y) { return x.second < y.second; });
  std::vector<int> serials(stations.size(), 0);
  for (Qso& q : qsos) {
    q.serial_a = ++serials[static_cast<size_t>(q.a)];
    q.serial_b = ++serials[static_cast<size_t>(q.b)];
  }
  return qsos;
}

std::string Serial(int n, bool padded) {
  char text[16];
  std::snprintf(text, sizeof text, padded ? "%03d" : "%d", n);
  return text;
}

// What STATION sends with its SERIAL'th QSO, a serial written as a log
// writes it (PADDED: "007").
std::string Sent(const Station& station, int serial, bool padded) {
  return station.romanian ? station.county : Serial(serial, padded);
}

// One side's line of Q; BUST, when given, busts the call where the line
// would not be busted otherwise.
Written Write(Random& r, const std::vector<Station>& stations, const Qso& q, int qso, bool side_a,
              Random* bust) {
  const int own = side_a ? q.a : q.b, other = side_a ? q.b : q.a;
  const Station& s = stations[static_cast<size_t>(own)];
  const Station& o = stations[static_cast<size_t>(other)];
  Written w;
  w.station = own;
  w.qso = qso;
  w.other = other;
  w.call = o.call;
  if (r.Chance(kBusted * s.sloppy)) {
    w.call = Bust(r, stations, o, &w.one_slip);
    w.busted = true;
  } else if (bust != nullptr) {
    w.call = Bust(*bust, stations, o, &w.one_slip);
    w.busted = true;
  }
  const int their_serial = side_a ? q.serial_b : q.serial_a;
  std::string received = Sent(o, their_serial, s.padded && !r.Chance(kUnpadded));
  if (r.Chance(kWrongExchange * s.sloppy)) {
    w.wrong_exchange = true;
    if (o.romanian) {
      while (received == o.county) {
        received = stats::g_CountyCodes[static_cast<size_t>(r.Below(42))];
      }
    } else {
      const int wrong = their_serial > 10 && r.Chance(0.5) ? their_serial - 1 - r.Below(9)
                                                           : their_serial + 1 + r.Below(9);
      received = Serial(wrong, s.padded);
    }
  }
  static const long long kStart = ToUtcSeconds(2021, 8, 28, 12, 0, 0);
  w.time = kStart + q.second + s.offset * 60LL + r.Below(61) - 30;
  const std::string when = FormatUtc(w.time);  // "2021-08-28 12:00:00"
  const int khz = static_cast<int>(BandLowerEdgeKhz(std::string(kContestBands[q.band]))) +
                  (q.cw ? 10 + r.Below(60) : 100 + r.Below(200));
  const std::string sent = Sent(s, side_a ? q.serial_a : q.serial_b, s.padded);
  // A line without its sent report; a lone 599 would read as the report.
  const bool report = sent == "599" || sent == "59" || !r.Chance(kNoReport);
  char text[160];
  std::snprintf(text, sizeof text, "QSO: %5d %s %s %s%s %-13s %s%-6s %-13s %-3s %s", khz,
                q.cw ? "CW" : "PH", when.substr(0, 10).c_str(), when.substr(11, 2).c_str(),
                when.substr(14, 2).c_str(), s.call.c_str(), report ? (q.cw ? "599 " : "59  ") : "",
                sent.c_str(), w.call.c_str(), q.cw ? "599" : "59", received.c_str());
  w.text = text;
  return w;
}

// Whether the cross-check can tell that A and B, the two sides' lines of one
// QSO, are one: neither copied the other's call wrong, or one did by one
// slip; or one did further, or both did, one of them by one slip, while the
// serials agree both ways (both copied the exchange right, and one of the
// two stations sends a serial).
bool Linked(const Written& a, const Written& b, const std::vector<Station>& stations) {
  const bool serials = (!stations[static_cast<size_t>(a.station)].romanian ||
                        !stations[static_cast<size_t>(b.station)].romanian) &&
                       !a.wrong_exchange && !b.wrong_exchange;
  if (a.busted && b.busted) return serials && (a.one_slip || b.one_slip);
  const Written& copier = a.busted ? a : b;
  return !copier.busted || copier.one_slip || serials;
}

}  // namespace

const char* GeneratedCountries() {
  static const std::string text = [] {
    std::string t;
    for (const Country& c : kCountries) {
      char line[200];
      std::snprintf(line, sizeof line, "%s: 1: 1: %s: 0.00: 0.00: 0.0: %s:\n    %s;\n", c.name,
                    c.continent, c.prefix, c.prefixes);
      t += line;
    }
    return t;
  }();
  return text.c_str();
}

GeneratedContest GenerateContest(const ContestShape& shape) {
  Random r(shape.seed);
  Random both_busted(shape.seed ^ 0x5EEDu);
  const std::vector<Station> stations = MakeStations(r, shape);
  const std::vector<Qso> qsos = MakeQsos(r, shape, stations);

  std::vector<Written> lines;
  std::vector<std::array<int, 2>> line_of(qsos.size(), {-1, -1});  // each side's line
  for (size_t k = 0; k < qsos.size(); ++k) {
    Random* bust = both_busted.Chance(kBothBusted) ? &both_busted : nullptr;
    for (int side = 0; side < 2; ++side) {
      const Station& s = stations[static_cast<size_t>(side == 0 ? qsos[k].a : qsos[k].b)];
      if (!s.sends_log || r.Chance(kMissed * s.sloppy)) continue;
      line_of[k][static_cast<size_t>(side)] = static_cast<int>(lines.size());
      lines.push_back(Write(r, stations, qsos[k], static_cast<int>(k), side == 0, bust));
    }
  }
  // Each log's lines in the order of their times, as loggers write them.
  std::vector<std::vector<int>> by_log(stations.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    by_log[static_cast<size_t>(lines[i].station)].push_back(static_cast<int>(i));
  }
  std::unordered_map<std::string, int> holders;  // call -> logs that hold it
  for (std::vector<int>& log : by_log) {
    std::stable_sort(log.begin(), log.end(), [&](int x, int y) {
      return lines[static_cast<size_t>(x)].time < lines[static_cast<size_t>(y)].time;
    });
    std::unordered_set<std::string> calls;
    for (int i : log) calls.insert(lines[static_cast<size_t>(i)].call);
    for (const std::string& call : calls) ++holders[call];
  }
  std::unordered_set<std::string> with_log;
  for (const Station& s : stations) {
    if (s.sends_log) with_log.insert(s.call);
  }

  GeneratedContest contest;
  for (size_t st = 0; st < stations.size(); ++st) {
    const Station& s = stations[st];
    if (!s.sends_log) continue;
    std::string name = Lower(s.call);
    std::replace(name.begin(), name.end(), '/', '_');
    std::string text = "START-OF-LOG: 3.0\nCONTEST: YO-DX-HF\nCALLSIGN: " + s.call +
                       "\nCATEGORY-OPERATOR: " + (s.weight > 30 ? "MULTI-ONE" : "SINGLE-OP") +
                       "\nCATEGORY-BAND: ALL\nCATEGORY-MODE: MIXED\nCATEGORY-POWER: " + s.power +
                       "\nCREATED-BY: contest generator\n";
    TruthLog truth{name + ".log", s.call, s.offset, {}};
    std::unordered_set<std::string> logged;  // call, band and mode
    int number = 8;
    for (int i : by_log[st]) {
      Written& w = lines[static_cast<size_t>(i)];
      const Qso& q = qsos[static_cast<size_t>(w.qso)];
      w.line = ++number;
      text += w.text + "\n";
      TruthLog::Line t{w.line, "", ""};
      const int there = line_of[static_cast<size_t>(w.qso)][w.station == q.a ? 1 : 0];
      const Written* theirs = there < 0 ? nullptr : &lines[static_cast<size_t>(there)];
      const bool other_sent_log = with_log.count(w.call) > 0;
      // The class from what really happened: a repeat in the log as written
      // is a dupe; a busted call whose station's line the cross-check can
      // link to ours is busted; otherwise the call as logged decides, with
      // the log of its station, or the other logs where there is none.
      const bool linked = theirs != nullptr && Linked(w, *theirs, stations);
      if (!logged.insert(w.call + " " + std::to_string(q.band) + (q.cw ? " CW" : " PH")).second) {
        t.cls = "dupe";
      } else if (w.busted && linked) {
        t.cls = "busted";
        t.suggest = stations[static_cast<size_t>(w.other)].call;
      } else if (other_sent_log) {
        t.cls = w.busted || !linked ? "nil" : w.wrong_exchange ? "exchange" : "confirmed";
      } else {
        t.cls = holders[w.call] > 1 ? "nolog" : "unique";
      }
      truth.lines.push_back(t);
    }
    contest.qso_lines += truth.lines.size();
    contest.files.push_back({truth.file, text + "END-OF-LOG:\n"});
    contest.truth.push_back(std::move(truth));
  }
  // In the order of their names, as the cross-check reads a folder.
  std::vector<size_t> order(contest.files.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](size_t x, size_t y) { return contest.files[x].name < contest.files[y].name; });
  GeneratedContest sorted;
  sorted.qso_lines = contest.qso_lines;
  for (size_t i : order) {
    sorted.files.push_back(std::move(contest.files[i]));
    sorted.truth.push_back(std::move(contest.truth[i]));
  }
  return sorted;
}

}  // namespace testing
}  // namespace yodx
