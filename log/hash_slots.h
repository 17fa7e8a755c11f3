// What the log's three open-addressing tables (TextPool, SeriesIndex, IdMap)
// share: their smallest size, their growth in powers of two, one mixer for
// integer keys, and how the log's vectors are emptied.
//
// Every structure of the log grows before it stores, so that an allocation
// that fails (the host's address space running out) leaves it as it was;
// and emptying one never fails: where the smaller room cannot be had, the
// room held is kept.
#ifndef STATS_LOG_HASH_SLOTS_H_
#define STATS_LOG_HASH_SLOTS_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace stats {

constexpr std::size_t kMinSlots = 16;

// The slots for this many keys in a table kept at most numerator/denominator
// full: a power of two, at least kMinSlots.
inline std::size_t SlotsFor(std::size_t keys, std::size_t numerator, std::size_t denominator) {
  std::size_t slots = kMinSlots;
  while (slots / denominator * numerator < keys + 1) slots *= 2;
  return slots;
}

// MurmurHash3's finaliser: every bit of the key reaches every bit of the hash.
inline uint64_t MixBits(uint64_t h) {
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  h ^= h >> 33;
  h *= 0xC4CEB9FE1A85EC53ull;
  return h ^ (h >> 33);
}

// Empties the vector. When it holds room for more than limit elements, the
// room is given back for room for keep, if that much can be allocated.
template <typename T>
void ClearKeepingRoom(std::vector<T>& items, std::size_t keep, std::size_t limit) noexcept {
  if (items.capacity() > limit) {
    try {
      std::vector<T> smaller;
      smaller.reserve(keep);
      items.swap(smaller);
      return;
    } catch (const std::bad_alloc&) {
      // The room held is kept.
    }
  }
  items.clear();
}

// Sets every slot of a table to empty: in a table of count slots when that
// is smaller than the one held and can be allocated, else in the one held.
// Only a table not yet made is allocated, and that alone may fail. (A table
// as full as its keys allow asks for twice its size again, which it does
// not need until a key is added.)
template <typename Slot>
void ResetSlots(std::vector<Slot>& slots, std::size_t count, const Slot& empty) {
  if (slots.empty()) {
    slots.assign(count, empty);
    return;
  }
  if (count < slots.size()) {
    try {
      std::vector<Slot>(count, empty).swap(slots);
      return;
    } catch (const std::bad_alloc&) {
      // The table held is kept.
    }
  }
  std::fill(slots.begin(), slots.end(), empty);
}

}  // namespace stats

#endif  // STATS_LOG_HASH_SLOTS_H_
