// A hash map from a pair of ids to a number, for counts and marks: one flat
// table, open addressing, no node per entry. A key that was never set reads
// as 0; entries are not erased one by one, only all at once.
#ifndef STATS_LOG_ID_MAP_H_
#define STATS_LOG_ID_MAP_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "log/hash_slots.h"

namespace stats {

// The key of two ids (each below TextPool::kAbsent).
inline uint64_t PairKey(uint32_t first, uint32_t second) {
  return uint64_t{first} << 32 | second;
}

class IdMap {
 public:
  IdMap();

  // The number of the key; 0 for a key never set.
  uint32_t Get(uint64_t key) const {
    const Slot& slot = slots_[Probe(key)];
    return slot.key == kNoKey ? 0 : slot.value;
  }
  // The number of the key, to change; the key is added (as 0) when new.
  uint32_t& At(uint64_t key);

  // Keys added since the last Clear.
  std::size_t size() const { return size_; }
  // Forgets every key, keeping room for as many as the map held. Never fails.
  void Clear();

 private:
  static constexpr uint64_t kNoKey = ~uint64_t{0};  // two ids are never both all ones
  struct Slot {
    uint64_t key;
    uint32_t value;
  };

  std::size_t Probe(uint64_t key) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = Hash(key) & mask;
    while (slots_[i].key != key && slots_[i].key != kNoKey) i = (i + 1) & mask;
    return i;
  }
  static std::size_t Hash(uint64_t key) { return static_cast<std::size_t>(MixBits(key)); }
  void Rehash(std::size_t slotCount);

  std::vector<Slot> slots_;  // a power of two, at most half full
  std::size_t size_ = 0;
};

}  // namespace stats

#endif  // STATS_LOG_ID_MAP_H_
