// The plug-in's copy of the contest: the logged QSOs, the bands seen, and the
// text rules that every user of them shares.
//
// All comparisons of calls, bands, modes, prefixes and county codes are exact
// and case-sensitive; only a received county code is normalised before use.
#ifndef STATS_LOG_CONTEST_LOG_H_
#define STATS_LOG_CONTEST_LOG_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <list>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "log/ole_date.h"

namespace stats {

// One logged QSO, a value type copied whole into and out of the log.
struct CInfo {
  std::string m_strCall;       // worked call; duplicate key with band and mode
  std::string m_strPrefix;     // DXCC prefix ("IT9", "IG9", "IH9" stored as "I")
  std::string m_strContinent;  // continent of the worked station
  std::string m_strBand;       // band name as the host gives it
  std::string m_strMode;       // "CW" or "SSB"
  std::string m_strRstRcvd;
  std::string m_strRstSent;
  std::string m_strExchRcvd;  // exchange received, unchanged
  std::string m_strExchSent;  // exchange sent, unchanged
  std::string m_strCounty;    // accepted, normalised county code of a Romanian station, or empty
  int32_t m_nFreq = 0;        // kHz
  int32_t m_bDupe = 0;        // 1 when an earlier entry has the same call, band and mode
  COleDateTime m_time{0.0, COleDateTime::kValid};
};

// True when the entry counts in the scoring pass: not a duplicate, call not empty.
inline bool IsCounted(const CInfo& qso) {
  return qso.m_bDupe == 0 && !qso.m_strCall.empty();
}

// The contest log: every QSO that entry logged, duplicates included, in
// arrival order, with hash indexes that answer the engine's questions in
// constant expected time:
//  - by call, band and mode: how many entries, which is the earliest;
//  - by band and prefix, and by band and county: how many counted entries.
//
// The log keeps one invariant itself: of the entries sharing a call, band and
// mode, exactly the earliest has m_bDupe 0. Removing the earliest one
// therefore promotes the next (it stops being a duplicate).
class ContestLog {
 public:
  ContestLog() = default;
  ContestLog(const ContestLog&) = delete;
  ContestLog& operator=(const ContestLog&) = delete;

  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }

  // Appends a copy and returns how many earlier entries have the same call,
  // band and mode. m_bDupe is set here from that count.
  std::size_t Append(const CInfo& qso);

  // Number of entries with this call, band and mode.
  std::size_t CountSameQso(const std::string& call, const std::string& band,
                           const std::string& mode) const;

  // Removes the earliest entry with this call, band and mode into *removed.
  // Returns false, changing nothing, when there is none.
  bool RemoveEarliest(const std::string& call, const std::string& band, const std::string& mode,
                      CInfo* removed);

  // Counted entries on a band with this prefix, or with this county code.
  std::size_t CountedWithPrefix(const std::string& band, const std::string& prefix) const;
  std::size_t CountedWithCounty(const std::string& band, const std::string& county) const;

  void Clear();

  // Entries in arrival order.
  class const_iterator;
  const_iterator begin() const;
  const_iterator end() const;

 private:
  struct Node {
    CInfo info;
    Node* next_same = nullptr;       // next later entry with the same call, band and mode
    std::list<Node>::iterator self;  // this node's place, for removal in constant time
  };
  struct Series {  // the entries sharing one call, band and mode
    Node* first = nullptr;
    Node* last = nullptr;
    std::size_t count = 0;
  };

  void CountIn(const CInfo& qso, int delta);

  std::list<Node> entries_;
  std::unordered_map<std::string, Series> series_;
  std::unordered_map<std::string, std::size_t> counted_prefix_;
  std::unordered_map<std::string, std::size_t> counted_county_;
};

class ContestLog::const_iterator {
 public:
  using iterator_category = std::forward_iterator_tag;
  using value_type = CInfo;
  using difference_type = std::ptrdiff_t;
  using pointer = const CInfo*;
  using reference = const CInfo&;

  explicit const_iterator(std::list<Node>::const_iterator it) : it_(it) {}
  reference operator*() const { return it_->info; }
  pointer operator->() const { return &it_->info; }
  const_iterator& operator++() {
    ++it_;
    return *this;
  }
  bool operator==(const const_iterator& o) const { return it_ == o.it_; }
  bool operator!=(const const_iterator& o) const { return it_ != o.it_; }

 private:
  std::list<Node>::const_iterator it_;
};

inline ContestLog::const_iterator ContestLog::begin() const {
  return const_iterator(entries_.begin());
}
inline ContestLog::const_iterator ContestLog::end() const {
  return const_iterator(entries_.end());
}

// The bands of logged QSOs, each once, in the order of first appearance
// (until the result summary sorts them).
class BandList {
 public:
  std::size_t size() const { return names_.size(); }
  const std::string& operator[](std::size_t i) const { return names_[i]; }
  bool Contains(const std::string& band) const { return lookup_.count(band) != 0; }
  // Appends the name unless it is already listed; returns true when it was appended.
  bool Add(const std::string& band);
  void Swap(std::size_t i, std::size_t j) { std::swap(names_[i], names_[j]); }
  void Clear();
  const std::vector<std::string>& names() const { return names_; }

 private:
  std::vector<std::string> names_;
  std::unordered_set<std::string> lookup_;
};

// The six contest bands, indexed by band slot.
constexpr int kBandSlots = 6;
extern const std::array<const char*, kBandSlots> kSlotBands;  // "160m" ... "10m"

// The slot of a band name (exact comparison), or -1 for any other name.
int BandSlot(const std::string& band);

using PerBandLists = std::array<std::vector<std::string>, kBandSlots>;

// The 42 Romanian county codes, in their fixed order.
extern const std::array<const char*, 42> g_CountyCodes;

// "YO", "YP", "YQ" or "YR" exactly.
bool IsRomanianPrefix(const std::string& prefix);
// One of g_CountyCodes exactly.
bool IsCountyCode(const std::string& text);
// ASCII letters upper-cased, then white space trimmed from both ends.
std::string NormalizeCounty(const std::string& text);
// The stored DXCC prefix: "IT9", "IG9" and "IH9" count as "I".
std::string MapPrefix(const std::string& prefix);

}  // namespace stats

#endif  // STATS_LOG_CONTEST_LOG_H_
