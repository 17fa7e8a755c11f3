// The log's index of series: for each call, band and mode (as ids of the
// log's vocabularies) the positions of the earliest and the latest entry
// that share them. The entries between are linked by the log itself.
//
// One flat table, open addressing with linear probing, at most three
// quarters full; a series is found, added and erased in constant expected
// time, and erasing leaves no marker behind (the later slots of its run
// move back).
#ifndef STATS_LOG_SERIES_INDEX_H_
#define STATS_LOG_SERIES_INDEX_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace stats {

struct Series {
  uint32_t first;  // positions in the log's entries
  uint32_t last;
};

class SeriesIndex {
 public:
  SeriesIndex();

  // The series of the ids, or nullptr. Valid until the next Add or Erase.
  Series* Find(uint32_t call, uint32_t band, uint32_t mode) {
    Slot& slot = slots_[Probe(call, band, mode)];
    return slot.empty() ? nullptr : &slot.series;
  }
  const Series* Find(uint32_t call, uint32_t band, uint32_t mode) const {
    const Slot& slot = slots_[Probe(call, band, mode)];
    return slot.empty() ? nullptr : &slot.series;
  }
  // The series of the ids, which must not be there yet, as {at, at}.
  void Add(uint32_t call, uint32_t band, uint32_t mode, uint32_t at);
  // Takes the series of the ids out; it must be there.
  void Erase(uint32_t call, uint32_t band, uint32_t mode);

  // Replaces every first and last p by renumber(p), for a log that moved
  // its entries.
  template <typename Renumber>
  void RenumberAll(Renumber renumber) {
    for (Slot& slot : slots_) {
      if (slot.empty()) continue;
      slot.series.first = renumber(slot.series.first);
      slot.series.last = renumber(slot.series.last);
    }
  }

  std::size_t size() const { return size_; }
  // Forgets every series, keeping room for as many as the index held.
  // Never fails.
  void Clear();

 private:
  static constexpr uint32_t kNone = 0xFFFFFFFFu;
  struct Slot {
    uint32_t call, band, mode;
    Series series;  // series.first == kNone: an empty slot
    bool empty() const { return series.first == kNone; }
  };
  static constexpr Slot kEmptySlot = {0, 0, 0, {kNone, kNone}};

  static std::size_t Hash(uint32_t call, uint32_t band, uint32_t mode);
  // The slot of the ids, or the empty slot where they would go.
  std::size_t Probe(uint32_t call, uint32_t band, uint32_t mode) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = Hash(call, band, mode) & mask;; i = (i + 1) & mask) {
      const Slot& slot = slots_[i];
      if (slot.empty()) return i;
      if (slot.call == call && slot.band == band && slot.mode == mode) return i;
    }
  }
  void Rehash(std::size_t slotCount);

  std::vector<Slot> slots_;  // a power of two
  std::size_t size_ = 0;
};

}  // namespace stats

#endif  // STATS_LOG_SERIES_INDEX_H_
