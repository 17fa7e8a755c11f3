#include "log/id_map.h"

#include "log/hash_slots.h"

namespace stats {

IdMap::IdMap() : slots_(kMinSlots, Slot{kNoKey, 0}) {}

uint32_t& IdMap::At(uint64_t key) {
  std::size_t i = Probe(key);
  if (slots_[i].key == kNoKey) {
    if (size_ + 1 > slots_.size() / 2) {
      Rehash(2 * slots_.size());
      i = Probe(key);
    }
    slots_[i] = Slot{key, 0};
    ++size_;
  }
  return slots_[i].value;
}

void IdMap::Rehash(std::size_t slotCount) {
  std::vector<Slot> old(slotCount, Slot{kNoKey, 0});
  old.swap(slots_);
  for (const Slot& slot : old) {
    if (slot.key != kNoKey) slots_[Probe(slot.key)] = slot;
  }
}

void IdMap::Clear() {
  ResetSlots(slots_, SlotsFor(size_, 1, 2), Slot{kNoKey, 0});
  size_ = 0;
}

}  // namespace stats
