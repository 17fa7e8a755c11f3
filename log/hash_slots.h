// What the log's three open-addressing tables (TextPool, SeriesIndex, IdMap)
// share: their smallest size, their growth in powers of two, and one mixer
// for integer keys.
#ifndef STATS_LOG_HASH_SLOTS_H_
#define STATS_LOG_HASH_SLOTS_H_

#include <cstddef>
#include <cstdint>

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

}  // namespace stats

#endif  // STATS_LOG_HASH_SLOTS_H_
