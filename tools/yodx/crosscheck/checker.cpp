#include "tools/yodx/crosscheck/checker.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "tools/contest/rules.h"
#include "tools/contest/text.h"
#include "tools/yodx/crosscheck/calls.h"
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

// An exchange's id is its value when it is a number; other texts are
// numbered from the top bit up, the empty one first.
constexpr uint32_t kText = 0x80000000u, kNoExchange = kText;

// One QSO line in an index sorted by key, log and line: the lines of every
// log that share a key stand together, each log's in its own order.
struct Entry {
  uint64_t key;
  int32_t log;
  int32_t index;   // the contact in its log
  int32_t minute;  // as logged
};
bool operator<(const Entry& a, const Entry& b) {
  if (a.key != b.key) return a.key < b.key;
  return a.log != b.log ? a.log < b.log : a.index < b.index;
}

using Span = std::pair<const Entry*, const Entry*>;

// Entries sorted by key, and where each key's entries stand: an
// open-addressing table, so that finding them costs a cache line or two,
// not a search of the entries.
class KeyedEntries {
 public:
  void Build(std::vector<Entry> entries) {
    entries_ = std::move(entries);
    std::sort(entries_.begin(), entries_.end());
    size_t slots = 16;
    while (slots < entries_.size() * 2) slots *= 2;
    groups_.assign(slots, Group());
    for (shift_ = 64; slots > 1; slots /= 2) --shift_;
    for (size_t i = 0; i < entries_.size(); ++i) {
      Group& group = groups_[Slot(entries_[i].key)];
      if (i > 0 && entries_[i - 1].key == entries_[i].key) {
        ++group.count;
      } else {
        group = {entries_[i].key, static_cast<uint32_t>(i), 1};
      }
    }
  }
  Span Find(uint64_t key) const {
    const Group& group = groups_[Slot(key)];
    const Entry* first = entries_.data() + group.start;
    return {first, first + group.count};
  }
  const std::vector<Entry>& entries() const { return entries_; }

 private:
  struct Group {
    uint64_t key = 0;
    uint32_t start = 0, count = 0;  // count 0: an empty slot
  };
  // The key's slot, or the empty one where it would go.
  size_t Slot(uint64_t key) const {
    const size_t mask = groups_.size() - 1;
    size_t slot = static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> shift_);
    while (groups_[slot].count != 0 && groups_[slot].key != key) slot = (slot + 1) & mask;
    return slot;
  }

  std::vector<Entry> entries_;
  std::vector<Group> groups_;
  int shift_ = 64;
};

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

// A line of one log and a line of another that may be one QSO, and how
// strongly the two logs say so. The matching takes the pairs in the order
// of their rank, highest first, each line in one pair at most.
struct Pair {
  uint64_t rank;
  int32_t log_a, index_a, log_b, index_b;
  bool far;  // the calls are further apart than one slip, or neither names the other's station
};
bool operator<(const Pair& a, const Pair& b) {
  if (a.rank != b.rank) return a.rank > b.rank;
  if (a.log_a != b.log_a) return a.log_a < b.log_a;
  if (a.index_a != b.index_a) return a.index_a < b.index_a;
  return a.log_b != b.log_b ? a.log_b < b.log_b : a.index_b < b.index_b;
}

// How the calls of a pair agree: each names the other's station, one names
// a call one slip from it, one names a call further from it, or neither
// names the other's station and each a call near it.
enum CallFit : uint8_t { kCallsCrossed = 0, kCallsFar = 1, kCallSlipped = 2, kCallsExact = 3 };

// Calls further apart than this are never one QSO, whatever the serials.
constexpr int kMostSlips = 3;

// A line's place in the matching: the line of another log it was paired
// with, log -1 for none.
struct Partner {
  int32_t log = -1, index = -1;
};

class Matcher {
 public:
  Matcher(const Contest& contest, const Options& options)
      : logs_(contest.logs), options_(options) {}

  void Index();
  void FindOffsets(std::vector<LogCheck>* checks);
  // Pairs the lines of all logs, strongest evidence first.
  void Match();
  void Classify(int32_t log, LogCheck* check) const;
  int HeldBy(int32_t log) const { return holders_[own_[static_cast<size_t>(log)]]; }
  // The station of LOG's own call, as Place placed it.
  const Station& OwnStation(int32_t log) const { return stations_[own_[static_cast<size_t>(log)]]; }
  // The stations of every call the logs name, each placed once.
  void Place(const CtyFile& countries);
  // The worked stations of LOG's contacts, in their order.
  std::vector<Station> StationsOf(int32_t log) const;

 private:
  const Qso& QsoOf(int32_t log, int32_t index) const {
    return qsos_[static_cast<size_t>(log)][static_cast<size_t>(index)];
  }
  const Qso& QsoOf(const Entry& e) const { return QsoOf(e.log, e.index); }
  Span Lines(uint64_t key) const { return by_call_.Find(key); }
  static Span OfLog(Span all, int32_t log);  // the lines of ALL that LOG holds
  Span Lines(uint64_t key, int32_t log) const { return OfLog(Lines(key), log); }
  int Offset(int32_t log) const { return offset_[static_cast<size_t>(log)]; }
  int Corrected(const Entry& e) const { return e.minute - Offset(e.log); }
  // Two exchanges that are the same and say something.
  static bool Agree(uint32_t a, uint32_t b) { return a == b && a != kNoExchange; }
  // An exchange that few others share at one time: one with a digit in it
  // (a serial), not a county code.
  bool Telling(uint32_t exchange) const {
    return (exchange & kText) == 0 || telling_text_[exchange & ~kText] != 0;
  }
  // Both lines copied what the other station sent, and one of the two
  // exchanges is a telling one: the serials agree both ways.
  bool SerialsAgree(const Qso& a, const Qso& b) const {
    return options_.serial_evidence && Agree(a.received, b.sent) && Agree(b.received, a.sent) &&
           (Telling(a.sent) || Telling(a.received));
  }
  // Whether the lines of other logs than LOG's that agree with line INDEX of
  // LOG on the serials both ways, on its band and mode at that time, could
  // be paired with it by their calls (each names the other's station or a
  // call near it) and are not paired yet, are the line OTHER_INDEX of OTHER
  // alone. Serials shared by stations that have nothing to do with each
  // other are chance, not a rival.
  bool OnlyUnpairedMirror(int32_t log, int32_t index, int32_t other, int32_t other_index) const;
  // Fills by_exchanges_ with the lines not paired yet.
  void IndexUnpaired();
  // The pairs of the lines of LOG naming a station that sent a log; marks
  // in named_back_ the lines that a line of that station names back at that
  // time.
  void PairsOf(int32_t log, std::vector<Pair>* pairs);
  // Fills crossing_ with the lines that named_back_ does not mark.
  void IndexCrossing();
  // The lines whose serials tell and that SKIP(log, index) does not leave
  // out, keyed by their exchanges.
  template <typename Skip>
  KeyedEntries LinesByExchanges(Skip skip) const;
  // The pairs of the lines of LOG with lines of later logs where neither
  // names the other's station, the two calls together a few slips from the
  // two stations, the serials agreeing both ways.
  void CrossedPairsOf(int32_t log, std::vector<Pair>* pairs) const;
  uint64_t Rank(const Qso& a, const Qso& b, CallFit fit, int gap) const;
  // Two calls no further apart than a call copied wrong can be.
  bool Near(uint32_t a, uint32_t b) const {
    return a == b || SlipsApart(calls_.Text(a), calls_.Text(b), kMostSlips) <= kMostSlips;
  }
  Line Judge(int32_t log, size_t index) const;

  const std::vector<Log>& logs_;
  const Options& options_;
  Numbers calls_;
  std::vector<uint32_t> own_;                  // each log's call
  std::vector<int32_t> log_of_;                // by call: its log, -1 for none
  std::vector<int32_t> holders_;               // by call: how many logs hold it
  std::vector<std::vector<Qso>> qsos_;         // by log, one per contact
  std::vector<std::vector<Entry>> by_time_;    // by log: its lines by band, mode and minute
  KeyedEntries by_call_;                       // by worked call, band and mode
  KeyedEntries by_exchanges_;                  // the unpaired lines by their exchanges
  KeyedEntries crossing_;                      // the lines not named back, by their exchanges
  std::vector<std::vector<char>> named_back_;  // by log and line: its station's line names it
  std::vector<char> telling_text_;             // by text exchange: whether it has a digit
  std::vector<int> offset_;                    // by log, minutes
  std::vector<std::vector<Partner>> partner_;  // by log and line
  std::vector<Station> stations_;              // by call
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

// The exchanges a line sent and received, its band and mode, mixed into one
// number: lines that agree on them share it (others seldom do).
uint64_t ExchangesKey(uint32_t sent, uint32_t received, uint8_t band, uint16_t mode) {
  uint64_t key = (static_cast<uint64_t>(sent) << 32 | received) * 0x9E3779B97F4A7C15ull;
  key ^= key >> 29;
  return key + (static_cast<uint64_t>(band) << 16 | mode) * 0xBF58476D1CE4E5B9ull;
}

// Whether the contest's report column holds reports. A report takes a few
// values (59, 599, 57, 5NN), which stand on most lines; some loggers of
// serial-number contests without a report write the first number of the
// exchange there, and it changes from line to line. Then it is part of
// what was sent and received, and is compared.
bool ReportsAreReports(const std::vector<Log>& logs) {
  std::unordered_map<std::string_view, size_t> counts;
  size_t lines = 0;
  for (const Log& log : logs) {
    for (const Contact& c : log.data.contacts) ++counts[c.rst_sent];
    lines += log.data.contacts.size();
  }
  std::vector<size_t> often;
  often.reserve(counts.size());
  for (const auto& count : counts) often.push_back(count.second);
  const size_t kFew = std::min<size_t>(5, often.size());
  std::partial_sort(often.begin(), often.begin() + static_cast<std::ptrdiff_t>(kFew), often.end(),
                    std::greater<size_t>());
  size_t covered = 0;
  for (size_t i = 0; i < kFew; ++i) covered += often[i];
  return 2 * covered >= lines;
}

void Matcher::Index() {
  size_t total = 0;
  for (const Log& log : logs_) total += log.data.contacts.size();
  const bool reports = ReportsAreReports(logs_);
  calls_.Reserve(total / 4 + logs_.size());
  std::vector<std::string_view> bands;
  Numbers modes;
  std::unordered_map<std::string, uint32_t> texts{{"", kNoExchange}};
  telling_text_.assign(1, 0);
  auto exchange_id = [&](const std::string& exchange) {
    const std::string comparable = ComparableExchange(exchange);
    if (AllDigits(comparable) && comparable.size() <= 9) {
      return static_cast<uint32_t>(std::stoul(comparable));
    }
    const auto [it, added] = texts.emplace(comparable, kText | static_cast<uint32_t>(texts.size()));
    if (added) {
      telling_text_.push_back(comparable.find_first_of("0123456789") != std::string::npos ? 1 : 0);
    }
    return it->second;
  };
  auto band_id = [&](std::string_view band) {
    const auto it = std::find(bands.begin(), bands.end(), band);
    if (it != bands.end()) return static_cast<uint8_t>(it - bands.begin());
    bands.push_back(band);
    return static_cast<uint8_t>(bands.size() - 1);
  };
  for (const Log& log : logs_) own_.push_back(calls_.Of(log.call));
  qsos_.resize(logs_.size());
  std::vector<Entry> by_call;
  by_call.reserve(total);
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
      if (reports) {
        q.sent = exchange_id(c.exch_sent);
        q.received = exchange_id(c.exch_rcvd);
      } else {
        q.sent = exchange_id(c.rst_sent + " " + c.exch_sent);
        q.received = exchange_id(c.rst_rcvd + " " + c.exch_rcvd);
      }
      by_call.push_back({Key(q.call, q.band, q.mode), static_cast<int32_t>(l),
                         static_cast<int32_t>(i), q.minute});
    }
  }
  by_call_.Build(std::move(by_call));

  log_of_.assign(calls_.size(), -1);
  for (size_t l = logs_.size(); l-- > 0;) log_of_[own_[l]] = static_cast<int32_t>(l);
  // A line is a dupe when an earlier line of its log has its key.
  const std::vector<Entry>& index = by_call_.entries();
  for (size_t i = 0; i < index.size(); ++i) {
    const Entry& e = index[i];
    const bool first = i == 0 || index[i - 1].key != e.key || index[i - 1].log != e.log;
    const bool last =
        i + 1 == index.size() || index[i + 1].key != e.key || index[i + 1].log != e.log;
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
                       static_cast<int32_t>(i), qsos[i].minute});
    }
    std::sort(lines.begin(), lines.end(), [](const Entry& a, const Entry& b) {
      return a.key != b.key ? a.key < b.key : a.minute < b.minute;
    });
  });
}

Span Matcher::OfLog(Span all, int32_t log) {
  const Entry* low = std::lower_bound(all.first, all.second, log,
                                      [](const Entry& e, int32_t l) { return e.log < l; });
  const Entry* high = low;
  while (high != all.second && high->log == log) ++high;
  return {low, high};
}

// Each log's clock offset: the median of its differences with the other
// logs over the lines that surely are one QSO, each difference corrected by
// the other log's offset. Surely one QSO: the call, band and mode stand
// alone in both logs, or the two lines name each other and their serials
// agree both ways, and no other line of either log naming the other does
// (contests that allow working a station again give few lines of the
// first kind). A few rounds settle it: most clocks are right, so the first
// round already finds the others.
void Matcher::FindOffsets(std::vector<LogCheck>* checks) {
  std::vector<std::vector<std::pair<int32_t, int32_t>>> differences(logs_.size());
  ForEachItem(logs_.size(), options_.threads, [&](size_t l) {
    const int32_t log = static_cast<int32_t>(l);
    for (const Qso& q : qsos_[l]) {
      const int32_t other = log_of_[q.call];
      if (other < 0 || other == log) continue;
      const Span there = Lines(Key(own_[l], q.band, q.mode), other);
      if (q.alone && there.second - there.first == 1) {
        differences[l].emplace_back(other, q.minute - there.first->minute);
        continue;
      }
      const Entry* agreeing = nullptr;
      int count = 0;
      for (const Entry* e = there.first; e != there.second && count < 2; ++e) {
        if (SerialsAgree(q, QsoOf(*e))) {
          agreeing = e;
          ++count;
        }
      }
      if (count != 1) continue;
      // And of our lines naming them, only this one agrees with theirs.
      count = 0;
      const Span ours = Lines(Key(q.call, q.band, q.mode), log);
      for (const Entry* e = ours.first; e != ours.second; ++e) {
        count += SerialsAgree(QsoOf(*e), QsoOf(*agreeing)) ? 1 : 0;
      }
      if (count == 1) differences[l].emplace_back(other, q.minute - agreeing->minute);
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

bool Matcher::OnlyUnpairedMirror(int32_t log, int32_t index, int32_t other,
                                 int32_t other_index) const {
  const Qso& q = QsoOf(log, index);
  const int t = q.minute - Offset(log);
  // The lines that sent what this one received and received what it sent.
  const Span mirror = by_exchanges_.Find(ExchangesKey(q.received, q.sent, q.band, q.mode));
  bool found = false;
  for (const Entry* e = mirror.first; e != mirror.second; ++e) {
    if (e->log == log || std::abs(Corrected(*e) - t) > options_.window_minutes) continue;
    const Qso& theirs = QsoOf(*e);
    if (!SerialsAgree(q, theirs)) continue;
    if (e->log == other && e->index == other_index) {
      found = true;
    } else if (partner_[static_cast<size_t>(e->log)][static_cast<size_t>(e->index)].log < 0) {
      const uint32_t us = own_[static_cast<size_t>(log)], them = own_[static_cast<size_t>(e->log)];
      if (Near(q.call, them) && Near(theirs.call, us)) return false;
    }
  }
  return found;
}

// The rank of a pair: serials that agree both ways first, then how well
// the calls fit, then how many of the two exchanges agree, then the
// nearer in time. Two lines that name neither the other's station are a
// pair only when their serials agree, and then rank below every other pair
// whose serials agree.
uint64_t Matcher::Rank(const Qso& a, const Qso& b, CallFit fit, int gap) const {
  const bool serials = SerialsAgree(a, b);
  const uint64_t agreeing = options_.serial_evidence ? (Agree(a.received, b.sent) ? 1 : 0) +
                                                           (Agree(b.received, a.sent) ? 1 : 0)
                                                     : 0;
  return static_cast<uint64_t>(serials) << 40 | static_cast<uint64_t>(fit) << 36 | agreeing << 32 |
         (0xFFFFFFFFu - static_cast<uint32_t>(gap));
}

// The pairs of LOG's lines that name a station with a log: with each line
// of that log at that time, on that band and mode, that names us (each such
// pair from the side of the log that comes first), that names a call one
// slip from ours, or that names a call further from ours and agrees with
// ours on the serials both ways.
void Matcher::PairsOf(int32_t log, std::vector<Pair>* pairs) {
  const std::vector<Qso>& qsos = qsos_[static_cast<size_t>(log)];
  const uint32_t us = own_[static_cast<size_t>(log)];
  const std::string_view our_call = calls_.Text(us);
  const int window = options_.window_minutes;
  for (size_t i = 0; i < qsos.size(); ++i) {
    const Qso& q = qsos[i];
    const int32_t other = log_of_[q.call];
    if (other < 0 || other == log) continue;
    const int t = q.minute - Offset(log);
    auto add = [&](const Entry& theirs, CallFit fit, int gap) {
      pairs->push_back({Rank(q, QsoOf(theirs), fit, gap), log, static_cast<int32_t>(i), theirs.log,
                        theirs.index, fit == kCallsFar});
    };
    bool best_found = false;  // a pair that no other pair of this line can outrank
    const Span naming_us = Lines(Key(us, q.band, q.mode), other);
    for (const Entry* e = naming_us.first; e != naming_us.second; ++e) {
      const int gap = std::abs(Corrected(*e) - t);
      if (gap > window) continue;
      named_back_[static_cast<size_t>(log)][i] = 1;
      best_found = best_found || SerialsAgree(q, QsoOf(*e));
      if (log < other) add(*e, kCallsExact, gap);
    }
    if (best_found) continue;
    // Their lines at that time that name another call.
    const std::vector<Entry>& lines = by_time_[static_cast<size_t>(other)];
    const uint64_t band_mode = Key(0, q.band, q.mode);
    const int from = t + Offset(other) - window;
    auto it = std::lower_bound(lines.begin(), lines.end(), std::make_pair(band_mode, from),
                               [](const Entry& e, const std::pair<uint64_t, int>& w) {
                                 return e.key != w.first ? e.key < w.first : e.minute < w.second;
                               });
    for (; it != lines.end() && it->key == band_mode; ++it) {
      const int gap = Corrected(*it) - t;
      if (gap > window) break;
      const Qso& theirs = QsoOf(*it);
      if (theirs.call == us) continue;
      const std::string_view copied = calls_.Text(theirs.call);
      if (OneSlipApart(copied, our_call)) {
        add(*it, kCallSlipped, std::abs(gap));
      } else if (SerialsAgree(q, theirs) && Near(theirs.call, us)) {
        add(*it, kCallsFar, std::abs(gap));
      }
    }
  }
}

template <typename Skip>
KeyedEntries Matcher::LinesByExchanges(Skip skip) const {
  std::vector<Entry> lines;
  for (size_t l = 0; l < qsos_.size(); ++l) {
    for (size_t i = 0; i < qsos_[l].size(); ++i) {
      const Qso& q = qsos_[l][i];
      if (skip(l, i) || !(Telling(q.sent) || Telling(q.received))) continue;
      lines.push_back({ExchangesKey(q.sent, q.received, q.band, q.mode), static_cast<int32_t>(l),
                       static_cast<int32_t>(i), q.minute});
    }
  }
  KeyedEntries keyed;
  keyed.Build(std::move(lines));
  return keyed;
}

void Matcher::IndexCrossing() {
  crossing_ = LinesByExchanges([this](size_t l, size_t i) { return named_back_[l][i] != 0; });
}

// A line of LOG and a line of a later log at that time, on that band and
// mode, that sent what the other received and received what it sent, when
// neither names the other's station: found by their exchanges, since their
// calls lead nowhere. The two calls together are no further from the two
// stations than one call copied wrong may be from its station: serials as
// low as the first few of a contest stand on many lines at its start, and
// two calls each three slips from the other's station are chance there. A
// line whose station's line names it back at that time (named_back_) is
// none of them: the two stations' own word outranks the serials.
void Matcher::CrossedPairsOf(int32_t log, std::vector<Pair>* pairs) const {
  const std::vector<Qso>& qsos = qsos_[static_cast<size_t>(log)];
  const uint32_t us = own_[static_cast<size_t>(log)];
  for (size_t i = 0; i < qsos.size(); ++i) {
    const Qso& q = qsos[i];
    if (named_back_[static_cast<size_t>(log)][i] != 0 ||
        !(Telling(q.sent) || Telling(q.received))) {
      continue;
    }
    const int t = q.minute - Offset(log);
    const Span mirror = crossing_.Find(ExchangesKey(q.received, q.sent, q.band, q.mode));
    for (const Entry* e = OfLog(mirror, log + 1).first; e != mirror.second; ++e) {
      const int gap = std::abs(Corrected(*e) - t);
      if (gap > options_.window_minutes) continue;
      const Qso& theirs = QsoOf(*e);
      const uint32_t them = own_[static_cast<size_t>(e->log)];
      if (q.call == them || theirs.call == us || !SerialsAgree(q, theirs)) continue;
      // Neither call is the other's station: each is a slip from it at least.
      const int ours = SlipsApart(calls_.Text(q.call), calls_.Text(them), kMostSlips - 1);
      if (ours > kMostSlips - 1 ||
          ours + SlipsApart(calls_.Text(theirs.call), calls_.Text(us), kMostSlips - ours) >
              kMostSlips) {
        continue;
      }
      pairs->push_back({Rank(q, theirs, kCallsCrossed, gap), log, static_cast<int32_t>(i), e->log,
                        e->index, true});
    }
  }
}

void Matcher::IndexUnpaired() {
  by_exchanges_ = LinesByExchanges([this](size_t l, size_t i) { return partner_[l][i].log >= 0; });
}

void Matcher::Match() {
  std::vector<std::vector<Pair>> by_log(logs_.size());
  named_back_.resize(logs_.size());
  for (size_t l = 0; l < logs_.size(); ++l) named_back_[l].assign(qsos_[l].size(), 0);
  ForEachItem(logs_.size(), options_.threads,
              [&](size_t l) { PairsOf(static_cast<int32_t>(l), &by_log[l]); });
  if (options_.serial_evidence) {
    IndexCrossing();
    ForEachItem(logs_.size(), options_.threads,
                [&](size_t l) { CrossedPairsOf(static_cast<int32_t>(l), &by_log[l]); });
    crossing_ = KeyedEntries();
  }
  std::vector<std::vector<char>>().swap(named_back_);
  size_t count = 0;
  for (const std::vector<Pair>& pairs : by_log) count += pairs.size();
  std::vector<Pair> pairs;
  pairs.reserve(count);
  for (std::vector<Pair>& of_log : by_log) {
    pairs.insert(pairs.end(), of_log.begin(), of_log.end());
    std::vector<Pair>().swap(of_log);
  }
  std::sort(pairs.begin(), pairs.end());
  partner_.resize(logs_.size());
  for (size_t l = 0; l < logs_.size(); ++l) partner_[l].resize(qsos_[l].size());
  bool mirrors = false;  // by_exchanges_ built
  for (const Pair& p : pairs) {
    Partner& a = partner_[static_cast<size_t>(p.log_a)][static_cast<size_t>(p.index_a)];
    Partner& b = partner_[static_cast<size_t>(p.log_b)][static_cast<size_t>(p.index_b)];
    if (a.log >= 0 || b.log >= 0) continue;
    // Calls this far apart, and lines that name neither station, are one
    // QSO only where no other line, still unpaired, shares those serials
    // with either. They rank below every pair with nearer calls and
    // agreeing serials: the lines still unpaired when the first of them
    // comes are the only rivals there can be.
    if (p.far && !mirrors) {
      IndexUnpaired();
      mirrors = true;
    }
    if (p.far && (!OnlyUnpairedMirror(p.log_a, p.index_a, p.log_b, p.index_b) ||
                  !OnlyUnpairedMirror(p.log_b, p.index_b, p.log_a, p.index_a))) {
      continue;
    }
    a = {p.log_b, p.index_b};
    b = {p.log_a, p.index_a};
  }
}

Line Matcher::Judge(int32_t log, size_t index) const {
  const Qso& q = qsos_[static_cast<size_t>(log)][index];
  Line line;
  if (q.dupe) {
    line.cls = Class::kDupe;
    return line;
  }
  const Partner& partner = partner_[static_cast<size_t>(log)][index];
  if (partner.log >= 0) {
    line.other_log = partner.log;
    line.other_index = partner.index;
    if (q.call != own_[static_cast<size_t>(partner.log)]) {
      line.cls = Class::kBusted;
    } else {
      line.cls = q.received == QsoOf(partner.log, partner.index).sent ? Class::kConfirmed
                                                                      : Class::kExchange;
    }
    return line;
  }
  // Not paired: the station named sent a log, or did not. A line that names
  // its own station names one that sent a log, and is a QSO with no one.
  if (log_of_[q.call] >= 0) {
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

std::vector<LogCheck> CheckContest(const Contest& contest, const CtyFile& countries,
                                   const Options& options) {
  std::vector<LogCheck> checks(contest.logs.size());
  Matcher matcher(contest, options);
  matcher.Index();
  matcher.FindOffsets(&checks);
  matcher.Match();
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
