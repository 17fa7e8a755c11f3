#include "log/series_index.h"

#include "log/hash_slots.h"

namespace stats {

SeriesIndex::SeriesIndex() : slots_(kMinSlots, kEmptySlot) {}

std::size_t SeriesIndex::Hash(uint32_t call, uint32_t band, uint32_t mode) {
  return static_cast<std::size_t>(
      MixBits((uint64_t{call} << 32 | band) ^ (uint64_t{mode} * 0x9E3779B97F4A7C15ull)));
}

void SeriesIndex::Add(uint32_t call, uint32_t band, uint32_t mode, uint32_t at) {
  if (size_ + 1 > slots_.size() / 4 * 3) Rehash(2 * slots_.size());
  slots_[Probe(call, band, mode)] = Slot{call, band, mode, Series{at, at}};
  ++size_;
}

void SeriesIndex::Erase(uint32_t call, uint32_t band, uint32_t mode) {
  const std::size_t mask = slots_.size() - 1;
  std::size_t hole = Probe(call, band, mode);
  // Move back every later slot of the run that may sit at the hole: one
  // whose home is not between the hole (exclusive) and itself (inclusive).
  for (std::size_t j = (hole + 1) & mask; !slots_[j].empty(); j = (j + 1) & mask) {
    const Slot& slot = slots_[j];
    const std::size_t home = Hash(slot.call, slot.band, slot.mode) & mask;
    const bool homeBetween = hole <= j ? (hole < home && home <= j) : (hole < home || home <= j);
    if (homeBetween) continue;
    slots_[hole] = slot;
    hole = j;
  }
  slots_[hole] = kEmptySlot;
  --size_;
}

void SeriesIndex::Rehash(std::size_t slotCount) {
  std::vector<Slot> old(slotCount, kEmptySlot);
  old.swap(slots_);
  for (const Slot& slot : old) {
    if (!slot.empty()) slots_[Probe(slot.call, slot.band, slot.mode)] = slot;
  }
}

void SeriesIndex::Clear() {
  ResetSlots(slots_, SlotsFor(size_, 3, 4), kEmptySlot);
  size_ = 0;
}

}  // namespace stats
