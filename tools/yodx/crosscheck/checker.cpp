#include "tools/yodx/crosscheck/checker.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "tools/contest/rules.h"
#include "tools/contest/text.h"
#include "tools/yodx/crosscheck/parallel.h"

namespace yodx {
namespace crosscheck {

namespace {

// A contact as the matching reads it: texts as small numbers.
struct Qso {
  uint32_t call = 0;                // the worked call's id
  uint32_t sent = 0, received = 0;  // the exchanges' ids: equal when they compare equal
  int32_t minute = 0;               // as logged, minutes since 1899-12-30
  uint16_t mode = 0;
  uint8_t band = 0;
  bool dupe = false;   // an earlier line of the log has its call, band and mode
  bool alone = false;  // no other line of the log has them
};

// Worked call, band and mode as one number.
uint64_t Key(uint32_t call, uint8_t band, uint16_t mode) {
  return static_cast<uint64_t>(call) << 24 | static_cast<uint64_t>(band) << 16 | mode;
}

// One QSO line in the contest's index, which is sorted by key, log and line:
// the lines of every log that name one call on one band and mode stand
// together, each log's in its own order.
struct Entry {
  uint64_t key;
  int32_t log;
  int32_t index;   // the contact in its log
  int32_t minute;  // as logged
  uint32_t sent;   // the exchange the line's own station sent
};
bool operator<(const Entry& a, const Entry& b) {
  if (a.key != b.key) return a.key < b.key;
  return a.log != b.log ? a.log < b.log : a.index < b.index;
}

using Span = std::pair<const Entry*, const Entry*>;

// Small numbers for texts; the views point into the contest, which outlives
// the numbering.
class Numbers {
 public:
  uint32_t Of(std::string_view text) {
    const auto found = ids_.emplace(text, static_cast<uint32_t>(texts_.size()));
    if (found.second) texts_.push_back(text);
    return found.first->second;
  }
  std::string_view Text(uint32_t id) const { return texts_[id]; }
  size_t size() const { return texts_.size(); }
  void Reserve(size_t n) {
    ids_.reserve(n);
    texts_.reserve(n);
  }

 private:
  std::unordered_map<std::string_view, uint32_t> ids_;
  std::vector<std::string_view> texts_;
};

class Matcher {
 public:
  Matcher(const Contest& contest, const Options& options)
      : logs_(contest.logs), options_(options) {}

  void Index();
  void FindOffsets(std::vector<LogCheck>* checks);
  void Classify(int32_t log, LogCheck* check) const;
  int HeldBy(int32_t log) const { return holders_[own_[static_cast<size_t>(log)]]; }
  // The station of LOG's own call, as Place placed it.
  const Station& OwnStation(int32_t log) const { return stations_[own_[static_cast<size_t>(log)]]; }
  // The stations of every call the logs name, each placed once.
  void Place(const CtyFile& countries);
  // The worked stations of LOG's contacts, in their order.
  std::vector<Station> StationsOf(int32_t log) const;

 private:
  // The line of SPAN nearest in time to the corrected minute T, within the
  // window; null for none.
  const Entry* Nearest(Span span, int t) const;
  size_t GroupOf(uint64_t key) const;  // its slot, or the empty one where it would go
  Span Lines(uint64_t key) const;
  static Span OfLog(Span all, int32_t log);  // the lines of ALL that LOG holds
  Span Lines(uint64_t key, int32_t log) const { return OfLog(Lines(key), log); }
  int Corrected(const Entry& e) const { return e.minute - offset_[static_cast<size_t>(e.log)]; }
  const Entry* CopiedWrong(int32_t log, const Qso& q, int32_t other, int t) const;
  const Entry* BustedFor(int32_t log, const Qso& q, Span naming_us, int32_t other, int t) const;
  Line Held(int32_t log, size_t index, const Entry& there) const;
  Line Judge(int32_t log, size_t index) const;

  const std::vector<Log>& logs_;
  const Options& options_;
  Numbers calls_;
  std::vector<uint32_t> own_;                // each log's call
  std::vector<int32_t> log_of_;              // by call: its log, -1 for none
  std::vector<int32_t> holders_;             // by call: how many logs hold it
  std::vector<std::vector<Qso>> qsos_;       // by log, one per contact
  std::vector<std::vector<Entry>> by_time_;  // by log: its lines by band, mode and minute
  std::vector<Entry> index_;
  // Where each key's lines stand in the index: an open-addressing table, so
  // that finding them costs a cache line or two, not a search of the index.
  struct Group {
    uint64_t key = 0;
    uint32_t start = 0, count = 0;  // count 0: an empty slot
  };
  std::vector<Group> groups_;
  int group_shift_ = 64;
  std::vector<int> offset_;        // by log, minutes
  std::vector<Station> stations_;  // by call
};

void Matcher::Place(const CtyFile& countries) {
  stations_.resize(calls_.size());
  constexpr size_t kChunk = 4096;
  ForEachItem((stations_.size() + kChunk - 1) / kChunk, options_.threads, [&](size_t chunk) {
    const size_t end = std::min(stations_.size(), (chunk + 1) * kChunk);
    for (size_t id = chunk * kChunk; id < end; ++id) {
      stations_[id] = PlaceStation(countries, std::string(calls_.Text(static_cast<uint32_t>(id))));
    }
  });
}

std::vector<Station> Matcher::StationsOf(int32_t log) const {
  std::vector<Station> stations;
  stations.reserve(qsos_[static_cast<size_t>(log)].size());
  for (const Qso& q : qsos_[static_cast<size_t>(log)]) stations.push_back(stations_[q.call]);
  return stations;
}

void Matcher::Index() {
  size_t total = 0;
  for (const Log& log : logs_) total += log.data.contacts.size();
  calls_.Reserve(total / 4 + logs_.size());
  std::vector<std::string_view> bands;
  Numbers modes;
  // A serial number is its own id; any other exchange is numbered from the
  // top bit up.
  std::unordered_map<std::string, uint32_t> texts;
  auto exchange_id = [&](const std::string& exchange) {
    const std::string comparable = ComparableExchange(exchange);
    if (AllDigits(comparable) && comparable.size() <= 9) {
      return static_cast<uint32_t>(std::stoul(comparable));
    }
    return texts.emplace(comparable, 0x80000000u | static_cast<uint32_t>(texts.size()))
        .first->second;
  };
  auto band_id = [&](std::string_view band) {
    const auto it = std::find(bands.begin(), bands.end(), band);
    if (it != bands.end()) return static_cast<uint8_t>(it - bands.begin());
    bands.push_back(band);
    return static_cast<uint8_t>(bands.size() - 1);
  };
  for (const Log& log : logs_) own_.push_back(calls_.Of(log.call));
  qsos_.resize(logs_.size());
  index_.reserve(total);
  for (size_t l = 0; l < logs_.size(); ++l) {
    const std::vector<Contact>& contacts = logs_[l].data.contacts;
    std::vector<Qso>& qsos = qsos_[l];
    qsos.resize(contacts.size());
    for (size_t i = 0; i < contacts.size(); ++i) {
      const Contact& c = contacts[i];
      Qso& q = qsos[i];
      q.call = calls_.Of(c.call);
      q.minute =
          static_cast<int32_t>(ToUtcSeconds(c.year, c.month, c.day, c.hour, c.minute, 0) / 60);
      q.band = band_id(c.band);  // the readers know fewer than 20 bands
      q.mode = static_cast<uint16_t>(std::min<size_t>(modes.Of(c.mode), 0xFFFF));
      q.sent = exchange_id(c.exch_sent);
      q.received = exchange_id(c.exch_rcvd);
      index_.push_back({Key(q.call, q.band, q.mode), static_cast<int32_t>(l),
                        static_cast<int32_t>(i), q.minute, q.sent});
    }
  }
  std::sort(index_.begin(), index_.end());
  size_t slots = 16;
  while (slots < index_.size() * 2) slots *= 2;
  groups_.assign(slots, Group());
  for (group_shift_ = 64; slots > 1; slots /= 2) --group_shift_;
  for (size_t i = 0; i < index_.size(); ++i) {
    if (i > 0 && index_[i - 1].key == index_[i].key) {
      ++groups_[GroupOf(index_[i].key)].count;
      continue;
    }
    groups_[GroupOf(index_[i].key)] = {index_[i].key, static_cast<uint32_t>(i), 1};
  }

  log_of_.assign(calls_.size(), -1);
  for (size_t l = logs_.size(); l-- > 0;) log_of_[own_[l]] = static_cast<int32_t>(l);
  // A line is a dupe when an earlier line of its log has its key.
  for (size_t i = 0; i < index_.size(); ++i) {
    const Entry& e = index_[i];
    const bool first = i == 0 || index_[i - 1].key != e.key || index_[i - 1].log != e.log;
    const bool last =
        i + 1 == index_.size() || index_[i + 1].key != e.key || index_[i + 1].log != e.log;
    Qso& q = qsos_[static_cast<size_t>(e.log)][static_cast<size_t>(e.index)];
    q.dupe = !first;
    q.alone = first && last;
  }
  holders_.assign(calls_.size(), 0);
  std::vector<int32_t> last_log(calls_.size(), -1);
  for (size_t l = 0; l < qsos_.size(); ++l) {
    for (const Qso& q : qsos_[l]) {
      if (last_log[q.call] == static_cast<int32_t>(l)) continue;
      last_log[q.call] = static_cast<int32_t>(l);
      ++holders_[q.call];
    }
  }
  by_time_.resize(logs_.size());
  ForEachItem(logs_.size(), options_.threads, [&](size_t l) {
    std::vector<Entry>& lines = by_time_[l];
    const std::vector<Qso>& qsos = qsos_[l];
    for (size_t i = 0; i < qsos.size(); ++i) {
      lines.push_back({Key(0, qsos[i].band, qsos[i].mode), static_cast<int32_t>(l),
                       static_cast<int32_t>(i), qsos[i].minute, qsos[i].sent});
    }
    std::sort(lines.begin(), lines.end(), [](const Entry& a, const Entry& b) {
      return a.key != b.key ? a.key < b.key : a.minute < b.minute;
    });
  });
}

size_t Matcher::GroupOf(uint64_t key) const {
  const size_t mask = groups_.size() - 1;
  size_t slot = static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> group_shift_);
  while (groups_[slot].count != 0 && groups_[slot].key != key) slot = (slot + 1) & mask;
  return slot;
}

Span Matcher::Lines(uint64_t key) const {
  const Group& group = groups_[GroupOf(key)];
  const Entry* first = index_.data() + group.start;
  return {first, first + group.count};
}

Span Matcher::OfLog(Span all, int32_t log) {
  const Entry* low = std::lower_bound(all.first, all.second, log,
                                      [](const Entry& e, int32_t l) { return e.log < l; });
  const Entry* high = low;
  while (high != all.second && high->log == log) ++high;
  return {low, high};
}

const Entry* Matcher::Nearest(Span span, int t) const {
  const Entry* best = nullptr;
  int best_gap = options_.window_minutes + 1;
  for (const Entry* e = span.first; e != span.second; ++e) {
    const int gap = std::abs(Corrected(*e) - t);
    if (gap < best_gap) {
      best = e;
      best_gap = gap;
    }
  }
  return best;
}

// Each log's clock offset: the median of its differences with the other
// logs over the exact matches (a line whose call, band and mode stand alone
// in both logs), each difference corrected by the other log's offset. A few
// rounds settle it: most clocks are right, so the first round already finds
// the others.
void Matcher::FindOffsets(std::vector<LogCheck>* checks) {
  std::vector<std::vector<std::pair<int32_t, int32_t>>> differences(logs_.size());
  ForEachItem(logs_.size(), options_.threads, [&](size_t l) {
    const int32_t log = static_cast<int32_t>(l);
    for (const Qso& q : qsos_[l]) {
      const int32_t other = log_of_[q.call];
      if (!q.alone || other < 0 || other == log) continue;
      const Span there = Lines(Key(own_[l], q.band, q.mode), other);
      if (there.second - there.first == 1) {
        differences[l].emplace_back(other, q.minute - there.first->minute);
      }
    }
  });
  offset_.assign(logs_.size(), 0);
  for (int round = 0; round < 4; ++round) {
    std::vector<int> next(logs_.size(), 0);
    std::vector<int> values;
    for (size_t l = 0; l < logs_.size(); ++l) {
      if (differences[l].empty()) continue;
      values.clear();
      for (const auto& [other, d] : differences[l]) {
        values.push_back(d + offset_[static_cast<size_t>(other)]);
      }
      // The median; of two middle values the one nearer a right clock, or two
      // small logs that match each other could swap their offsets each round.
      const auto half = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
      std::nth_element(values.begin(), half, values.end());
      next[l] = *half;
      if (values.size() % 2 == 0) {
        const int lower = *std::max_element(values.begin(), half);
        if (std::abs(lower) < std::abs(next[l])) next[l] = lower;
      }
    }
    offset_.swap(next);
  }
  for (size_t l = 0; l < logs_.size(); ++l) {
    (*checks)[l].clock_offset = offset_[l];
    (*checks)[l].offset_matches = static_cast<int>(differences[l].size());
  }
}

Line Matcher::Held(int32_t log, size_t index, const Entry& there) const {
  Line line;
  const bool same = qsos_[static_cast<size_t>(log)][index].received == there.sent;
  line.cls = same ? Class::kConfirmed : Class::kExchange;
  line.other_log = there.log;
  line.other_index = there.index;
  return line;
}

// The other log does not name us then: a line of it at that time, on that
// band and mode, naming a call one slip from ours that no log of that call
// accounts for is our QSO with our call copied wrong.
const Entry* Matcher::CopiedWrong(int32_t log, const Qso& q, int32_t other, int t) const {
  const std::vector<Entry>& lines = by_time_[static_cast<size_t>(other)];
  const uint64_t band_mode = Key(0, q.band, q.mode);
  const int from = t + offset_[static_cast<size_t>(other)] - options_.window_minutes;
  auto it = std::lower_bound(lines.begin(), lines.end(), std::make_pair(band_mode, from),
                             [](const Entry& e, const std::pair<uint64_t, int>& w) {
                               return e.key != w.first ? e.key < w.first : e.minute < w.second;
                             });
  const std::string_view us = calls_.Text(own_[static_cast<size_t>(log)]);
  const uint32_t them = own_[static_cast<size_t>(other)];
  const Entry* best = nullptr;
  int best_gap = options_.window_minutes + 1;
  for (; it != lines.end() && it->key == band_mode; ++it) {
    const int gap = Corrected(*it) - t;
    if (gap > options_.window_minutes) break;
    const uint32_t copied = qsos_[static_cast<size_t>(other)][static_cast<size_t>(it->index)].call;
    if (std::abs(gap) >= best_gap || !OneSlipApart(calls_.Text(copied), us)) continue;
    const int32_t copied_log = log_of_[copied];
    if (copied_log >= 0 &&
        Nearest(Lines(Key(them, q.band, q.mode), copied_log), Corrected(*it)) != nullptr) {
      continue;  // that station's log holds the QSO: it was theirs
    }
    best = &*it;
    best_gap = std::abs(gap);
  }
  return best;
}

// Another station one slip from the call we logged logged us then, on that
// band and mode, in a line that no line of ours naming that station accounts
// for: the station we worked. NAMING_US: the lines of all logs that name
// us on that band and mode.
const Entry* Matcher::BustedFor(int32_t log, const Qso& q, Span naming_us, int32_t other,
                                int t) const {
  const std::string_view logged = calls_.Text(q.call);
  const Entry* best = nullptr;
  int best_gap = options_.window_minutes + 1;
  for (const Entry* e = naming_us.first; e != naming_us.second; ++e) {
    if (e->log == log || e->log == other) continue;
    const int gap = std::abs(Corrected(*e) - t);
    if (gap >= best_gap) continue;
    const uint32_t station = own_[static_cast<size_t>(e->log)];
    if (!OneSlipApart(calls_.Text(station), logged)) continue;
    if (Nearest(Lines(Key(station, q.band, q.mode), log), Corrected(*e)) != nullptr) continue;
    best = e;
    best_gap = gap;
  }
  return best;
}

Line Matcher::Judge(int32_t log, size_t index) const {
  const Qso& q = qsos_[static_cast<size_t>(log)][index];
  Line line;
  if (q.dupe) {
    line.cls = Class::kDupe;
    return line;
  }
  const int t = q.minute - offset_[static_cast<size_t>(log)];
  int32_t other = log_of_[q.call];
  if (other == log) other = -1;
  const Span naming_us = Lines(Key(own_[static_cast<size_t>(log)], q.band, q.mode));
  if (other >= 0) {
    const Entry* there = Nearest(OfLog(naming_us, other), t);
    if (there == nullptr) there = CopiedWrong(log, q, other, t);
    if (there != nullptr) return Held(log, index, *there);
  }
  if (const Entry* station = BustedFor(log, q, naming_us, other, t)) {
    line.cls = Class::kBusted;
    line.other_log = station->log;
    line.other_index = station->index;
  } else if (other >= 0) {
    line.cls = Class::kNil;
  } else {
    line.cls = holders_[q.call] > 1 ? Class::kNolog : Class::kUnique;
  }
  return line;
}

void Matcher::Classify(int32_t log, LogCheck* check) const {
  const size_t count = qsos_[static_cast<size_t>(log)].size();
  check->lines.resize(count);
  for (size_t i = 0; i < count; ++i) {
    check->lines[i] = Judge(log, i);
    ++check->classes[static_cast<size_t>(check->lines[i].cls)];
  }
}

// The organiser's count as the log stands, and with the lines that the
// check strikes left out, the clock corrected and the penalties taken.
void CountChecked(const Log& log, const CtyFile& countries, const Options& options,
                  const Station& own, const std::vector<Station>& stations, LogCheck* check) {
  const CtyMatch where = countries.Lookup(log.call);
  if (where.found()) check->country = where.entity->name;
  Entrant entrant;
  entrant.station = own;
  if (entrant.station.country.empty()) return;
  const std::vector<Contact>& contacts = log.data.contacts;
  if (!contacts.empty()) ContestPeriod(contacts[0].year, &entrant.start, &entrant.end);
  const CountResult claimed = CountLog(contacts, stations, entrant);
  std::vector<bool> struck(contacts.size());
  int penalty = 0;
  for (size_t i = 0; i < contacts.size(); ++i) {
    const Class cls = check->lines[i].cls;
    struck[i] = cls == Class::kBusted || cls == Class::kExchange || cls == Class::kNil ||
                cls == Class::kDupe;
    if (cls == Class::kBusted) penalty += options.penalty_busted * claimed.contacts[i].points;
    if (cls == Class::kNil) penalty += options.penalty_nil * claimed.contacts[i].points;
  }
  // The log's times run ahead of UTC by the offset: so does its period.
  Entrant corrected = entrant;
  corrected.start += check->clock_offset * 60LL;
  corrected.end += check->clock_offset * 60LL;
  check->counted = true;
  check->claimed.totals = claimed.total;
  check->checked.totals = CountLog(contacts, stations, corrected, kOrganiserRules, struck).total;
  check->checked.penalty = penalty;
}

}  // namespace

const char* ClassName(Class c) {
  static const char* const kNames[kClasses] = {"confirmed", "busted", "exchange", "nil",
                                               "dupe",      "nolog",  "unique"};
  return kNames[static_cast<int>(c)];
}

bool OneSlipApart(std::string_view a, std::string_view b) {
  if (a.size() < b.size()) std::swap(a, b);
  if (a == b) return false;
  const size_t n = a.size(), m = b.size();
  if (n == m) {  // one character changed, or two neighbours swapped
    size_t first = n, differ = 0;
    for (size_t i = 0; i < n && differ <= 2; ++i) {
      if (a[i] == b[i]) continue;
      if (differ++ == 0) first = i;
    }
    return differ == 1 ||
           (differ == 2 && first + 1 < n && a[first] == b[first + 1] && a[first + 1] == b[first]);
  }
  // A portable designator or a prefix dropped: "YO7LBX/P", "DL/YO7LBX".
  if ((a.compare(0, m, b) == 0 && a[m] == '/') ||
      (a.compare(n - m, m, b) == 0 && a[n - m - 1] == '/')) {
    return true;
  }
  if (n != m + 1) return false;
  size_t same = 0;  // one character dropped
  while (same < m && a[same] == b[same]) ++same;
  return a.substr(same + 1) == b.substr(same);
}

std::vector<LogCheck> CheckContest(const Contest& contest, const CtyFile& countries,
                                   const Options& options) {
  std::vector<LogCheck> checks(contest.logs.size());
  Matcher matcher(contest, options);
  matcher.Index();
  matcher.FindOffsets(&checks);
  matcher.Place(countries);
  ForEachItem(checks.size(), options.threads, [&](size_t l) {
    const int32_t log = static_cast<int32_t>(l);
    matcher.Classify(log, &checks[l]);
    checks[l].held_by = matcher.HeldBy(log);
    CountChecked(contest.logs[l], countries, options, matcher.OwnStation(log),
                 matcher.StationsOf(log), &checks[l]);
  });
  for (size_t l = 0; l < checks.size(); ++l) {
    const std::vector<Line>& lines = checks[l].lines;
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].cls != Class::kBusted) continue;
      checks[static_cast<size_t>(lines[i].other_log)].copied_wrong.emplace_back(
          static_cast<int32_t>(l), static_cast<int32_t>(i));
    }
  }
  return checks;
}

}  // namespace crosscheck
}  // namespace yodx
