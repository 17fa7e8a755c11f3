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
#include <string>
#include <string_view>
#include <vector>

#include "log/id_map.h"
#include "log/ole_date.h"
#include "log/series_index.h"
#include "log/text_pool.h"

namespace stats {

// One logged QSO, a value type: what the reference model and the tests keep.
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

// The same fields with the texts as views: what Append copies into the log,
// and what the log hands out for an entry (valid until the log changes).
struct CInfoView {
  CInfoView() = default;
  CInfoView(const CInfo& info);  // implicit: a view of the value

  std::string_view m_strCall;
  std::string_view m_strPrefix;
  std::string_view m_strContinent;
  std::string_view m_strBand;
  std::string_view m_strMode;
  std::string_view m_strRstRcvd;
  std::string_view m_strRstSent;
  std::string_view m_strExchRcvd;
  std::string_view m_strExchSent;
  std::string_view m_strCounty;
  int32_t m_nFreq = 0;
  int32_t m_bDupe = 0;
  COleDateTime m_time{0.0, COleDateTime::kValid};
};

// A copy of the viewed texts.
CInfo ToInfo(const CInfoView& view);

// The contest log: every QSO that entry logged, duplicates included, in
// arrival order, with indexes that answer the engine's questions in
// constant expected time:
//  - by call, band and mode: whether there is an entry, which is the earliest;
//  - by band and prefix, and by band and county: how many counted entries
//    (not a duplicate, call not empty).
//
// The log keeps one invariant itself: of the entries sharing a call, band and
// mode, exactly the earliest has m_bDupe 0. Removing the earliest one
// therefore promotes the next (it stops being a duplicate).
//
// Layout: the entries lie in one vector, in arrival order, each a fixed
// record of ids; each text lives once in a vocabulary (TextPool) of its kind.
// Removal marks the entry and unlinks it; when the marked entries outnumber
// the others, the vector is compacted in order (constant amortised time).
// Clear keeps the room of what the log held, which the host's replay after a
// reset fills again.
class ContestLog {
 public:
  static constexpr uint32_t kNone = 0xFFFFFFFFu;

  // One entry as the log keeps it, 64 bytes: its texts as ids of the
  // vocabularies.
  class Entry {
   public:
    double when;  // m_time
    int32_t when_status;
    int32_t khz;
    uint32_t call, prefix, continent, band, mode;       // ids, each in the vocabulary of its kind
    uint32_t rst_rcvd, rst_sent, exch_rcvd, exch_sent;  // ids in the reports and exchanges
    uint32_t county;  // id in counties(); TextPool::kEmpty for none

   private:
    friend class ContestLog;
    uint32_t next_same_;  // the next later entry of the series, or kNone
    bool removed_;

   public:
    bool dupe;

    bool counted() const { return !dupe && call != TextPool::kEmpty; }
  };
  class EntryIterator;
  class const_iterator;
  struct Entries {
    const ContestLog* log;
    EntryIterator begin() const;
    EntryIterator end() const;
  };

  ContestLog() = default;
  ContestLog(const ContestLog&) = delete;
  ContestLog& operator=(const ContestLog&) = delete;

  std::size_t size() const { return entries_.size() - removed_; }
  bool empty() const { return size() == 0; }

  // Appends a copy and returns how many earlier entries have the same call,
  // band and mode. m_bDupe is set here from that count. The count walks the
  // series, as many steps as entry writes duplicate lines. A failed
  // allocation leaves the log as it was.
  std::size_t Append(const CInfoView& qso);

  // Number of entries with this call, band and mode (walks the series).
  std::size_t CountSameQso(std::string_view call, std::string_view band,
                           std::string_view mode) const;
  // Whether there is an entry with this call, band and mode.
  bool HasSameQso(std::string_view call, std::string_view band, std::string_view mode) const;

  // Removes the earliest entry with this call, band and mode, a copy of it
  // into *removed unless null. Returns false, changing nothing, when there is none.
  bool RemoveEarliest(std::string_view call, std::string_view band, std::string_view mode,
                      CInfo* removed);

  // Counted entries on a band with this prefix, or with this county code.
  std::size_t CountedWithPrefix(std::string_view band, std::string_view prefix) const;
  std::size_t CountedWithCounty(std::string_view band, std::string_view county) const;

  // Never fails.
  void Clear();

  // The entries in arrival order, as records of ids: for (const Entry& e : log.entries()).
  Entries entries() const { return Entries{this}; }
  // An entry's texts.
  CInfoView View(const Entry& entry) const;

  // The vocabularies the entries' ids refer to.
  const TextPool& calls() const { return calls_; }
  const TextPool& prefixes() const { return prefixes_; }
  const TextPool& continents() const { return continents_; }
  const TextPool& bands() const { return bands_; }
  const TextPool& counties() const { return counties_; }

  // The entries in arrival order, as views of their texts.
  const_iterator begin() const;
  const_iterator end() const;

 private:
  struct SeriesKey {
    uint32_t call, band, mode;
  };

  void CountIn(const Entry& entry, int delta);
  void MakeRoomToCount(const Entry& entry);
  // The ids of the texts; false when one of them was never logged.
  bool FindKey(std::string_view call, std::string_view band, std::string_view mode,
               SeriesKey* key) const;
  // The series of the texts, or nullptr.
  const Series* FindSeries(std::string_view call, std::string_view band,
                           std::string_view mode) const;
  void Compact();

  std::vector<Entry> entries_;  // removed ones included, until compacted
  std::size_t removed_ = 0;
  SeriesIndex series_;
  IdMap counted_prefix_;  // PairKey(band, prefix) -> counted entries
  IdMap counted_county_;  // PairKey(band, county) -> counted entries
  TextPool calls_, prefixes_, continents_, bands_, modes_, counties_, texts_;
};

static_assert(sizeof(ContestLog::Entry) == 64, "an entry is 64 bytes");

class ContestLog::EntryIterator {
 public:
  using iterator_category = std::forward_iterator_tag;
  using value_type = Entry;
  using difference_type = std::ptrdiff_t;
  using pointer = const Entry*;
  using reference = const Entry&;

  EntryIterator(const Entry* at, const Entry* end) : at_(at), end_(end) { SkipRemoved(); }
  reference operator*() const { return *at_; }
  pointer operator->() const { return at_; }
  EntryIterator& operator++() {
    ++at_;
    SkipRemoved();
    return *this;
  }
  bool operator==(const EntryIterator& o) const { return at_ == o.at_; }
  bool operator!=(const EntryIterator& o) const { return at_ != o.at_; }

 private:
  void SkipRemoved() {
    while (at_ != end_ && at_->removed_) ++at_;
  }
  const Entry* at_;
  const Entry* end_;
};

// Yields each entry's view by value.
class ContestLog::const_iterator {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = CInfoView;
  using difference_type = std::ptrdiff_t;
  using pointer = void;
  using reference = CInfoView;

  const_iterator(const ContestLog* log, EntryIterator at) : log_(log), at_(at) {}
  CInfoView operator*() const { return log_->View(*at_); }
  const_iterator& operator++() {
    ++at_;
    return *this;
  }
  bool operator==(const const_iterator& o) const { return at_ == o.at_; }
  bool operator!=(const const_iterator& o) const { return at_ != o.at_; }

 private:
  const ContestLog* log_;
  EntryIterator at_;
};

inline ContestLog::EntryIterator ContestLog::Entries::begin() const {
  const Entry* data = log->entries_.data();
  return EntryIterator(data, data + log->entries_.size());
}
inline ContestLog::EntryIterator ContestLog::Entries::end() const {
  const Entry* end = log->entries_.data() + log->entries_.size();
  return EntryIterator(end, end);
}
inline ContestLog::const_iterator ContestLog::begin() const {
  return const_iterator(this, entries().begin());
}
inline ContestLog::const_iterator ContestLog::end() const {
  return const_iterator(this, entries().end());
}

// The bands of logged QSOs, each once, in the order of first appearance
// (until the result summary sorts them).
class BandList {
 public:
  std::size_t size() const { return names_.size(); }
  const std::string& operator[](std::size_t i) const { return names_[i]; }
  bool Contains(std::string_view band) const;
  // Appends the name unless it is already listed; returns true when it was
  // appended. A failed allocation leaves the list as it was.
  bool Add(std::string_view band);

  // Add in three steps, for a caller that changes another structure between
  // the room and the listing and wants both or neither: Prepare and
  // MakeRoom may fail and change nothing that is seen; Commit cannot fail.
  struct Pending {
    std::string name;
    bool listed = false;  // whether Commit lists it (it was not listed at Prepare)
  };
  Pending Prepare(std::string_view band) const;
  void MakeRoom(const Pending& pending);
  void Commit(Pending&& pending) noexcept;
  void Swap(std::size_t i, std::size_t j) { std::swap(names_[i], names_[j]); }
  void Clear();
  const std::vector<std::string>& names() const { return names_; }

 private:
  static constexpr std::size_t kScanned = 8;  // up to this many names, found by a scan

  std::vector<std::string> names_;
  TextPool lookup_;            // the same names ("" is always in a pool)
  bool empty_listed_ = false;  // whether "" is one of the names
};

// The six contest bands, indexed by band slot.
constexpr int kBandSlots = 6;
extern const std::array<const char*, kBandSlots> kSlotBands;  // "160m" ... "10m"

// The slot of a band name (exact comparison), or -1 for any other name.
int BandSlot(std::string_view band);

using PerBandLists = std::array<std::vector<std::string>, kBandSlots>;

// The 42 Romanian county codes, in their fixed order.
extern const std::array<const char*, 42> g_CountyCodes;

// "YO", "YP", "YQ" or "YR" exactly.
bool IsRomanianPrefix(std::string_view prefix);

// "30m", "17m" or "12m": the bands on which the plug-in refuses a contact
// (it takes every other band, 160 m among them).
bool IsWarcBand(std::string_view band);
// One of g_CountyCodes exactly.
bool IsCountyCode(std::string_view text);
// ASCII letters upper-cased, then white space trimmed from both ends.
std::string NormalizeCounty(std::string_view text);
// The stored DXCC prefix: "IT9", "IG9" and "IH9" count as "I". The answer is
// a view of the prefix itself or of a constant.
std::string_view MapPrefix(std::string_view prefix);

// The largest Cabrillo file the contest's upload page takes ("150K", read as
// bytes): the plug-in's writer keeps within it, and lint checks it.
constexpr std::size_t kUploadLimitBytes = 150000;

// The blank-separated fields of a Cabrillo line's value, each written after
// one blank (" 14025 CW 2021-08-28 ..."): the compact layout of a QSO line,
// whose fields a reader that splits at blanks sees unchanged.
std::string CompactFields(std::string_view value);

// "155,778": a count or a size as the messages give it.
std::string GroupedNumber(unsigned long long n);

}  // namespace stats

#endif  // STATS_LOG_CONTEST_LOG_H_
