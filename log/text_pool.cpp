#include "log/text_pool.h"

#include <algorithm>
#include <functional>
#include <string>

#include "log/hash_slots.h"

namespace stats {

uint64_t TextPool::LongHash(const char* p, std::size_t n) {
  uint64_t h = 0;
  for (std::size_t i = 0; i + 8 < n; i += 8) h = (h ^ Load8(p + i)) * 0x9E3779B97F4A7C15ull;
  return h ^ Load8(p + n - 8);
}

TextPool::TextPool() {
  Clear();
}

void TextPool::MakeRoom(std::size_t bytes) {
  if (ends_.size() == ends_.capacity()) ends_.reserve(2 * ends_.size() + 16);
  if (bytes_.capacity() - bytes_.size() < bytes) {
    bytes_.reserve(std::max(2 * bytes_.capacity(), bytes_.size() + bytes));
  }
  // At most three quarters full once the text is in.
  if (ends_.size() + 2 > slots_.size() / 4 * 3) Rehash(2 * slots_.size());
}

uint32_t TextPool::Add(std::string_view text, uint32_t hash, std::size_t slot) {
  // A part of one of our own texts would move as the buffer grows.
  std::string copy;
  const char* bytes = bytes_.data();
  if (std::greater_equal<const char*>()(text.data(), bytes) &&
      std::less<const char*>()(text.data(), bytes + bytes_.size())) {
    copy.assign(text);
    text = copy;
  }
  const std::size_t slotsBefore = slots_.size();
  MakeRoom(text.size());
  if (slots_.size() != slotsBefore) slot = Probe(text, hash);
  // From here on nothing allocates.
  const uint32_t id = size();
  bytes_.insert(bytes_.end(), text.begin(), text.end());
  ends_.push_back(static_cast<uint32_t>(bytes_.size()));
  slots_[slot] = Slot{id + 1, hash};
  return id;
}

void TextPool::Rehash(std::size_t slotCount) {
  std::vector<Slot> old(slotCount, Slot{0, 0});
  old.swap(slots_);
  const std::size_t mask = slotCount - 1;
  for (const Slot& slot : old) {
    if (slot.id_plus_one == 0) continue;
    std::size_t i = slot.hash & mask;
    while (slots_[i].id_plus_one != 0) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

void TextPool::Clear() {
  const std::size_t heldTexts = ends_.size(), heldBytes = bytes_.size();
  // What the pool held is what a replay of the same log brings back; far
  // more room than that is given back. "" needs room for its end.
  ClearKeepingRoom(ends_, std::max<std::size_t>(heldTexts, 1), 2 * heldTexts + kMinSlots);
  ClearKeepingRoom(bytes_, heldBytes, 2 * heldBytes + 8 * kMinSlots);
  ResetSlots(slots_, SlotsFor(heldTexts, 3, 4), Slot{0, 0});
  // "" is id 0: with room for its end and an empty table, adding it
  // allocates nothing.
  const uint32_t hash = Hash(std::string_view());
  Add(std::string_view(), hash, Probe(std::string_view(), hash));
}

}  // namespace stats
