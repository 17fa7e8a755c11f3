#include "log/text_pool.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

namespace stats {
namespace {

constexpr std::size_t kMinSlots = 16;

uint64_t Mix(uint64_t h) {  // MurmurHash3's finaliser
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  h ^= h >> 33;
  h *= 0xC4CEB9FE1A85EC53ull;
  h ^= h >> 33;
  return h;
}

// The slots for this many texts: a power of two, at most three quarters full.
std::size_t SlotsFor(std::size_t texts) {
  std::size_t slots = kMinSlots;
  while (slots / 4 * 3 < texts + 1) slots *= 2;
  return slots;
}

}  // namespace

uint32_t HashText(std::string_view text) {
  uint64_t h = 0x9E3779B97F4A7C15ull * (text.size() + 1);
  const char* p = text.data();
  std::size_t n = text.size();
  for (; n >= 8; p += 8, n -= 8) {
    uint64_t word;
    std::memcpy(&word, p, 8);
    h = (h ^ Mix(word)) * 0x9E3779B97F4A7C15ull;
  }
  if (n > 0) {
    uint64_t word = 0;
    std::memcpy(&word, p, n);
    h ^= word;
  }
  return static_cast<uint32_t>(Mix(h));
}

TextPool::TextPool() {
  Clear();
}

std::size_t TextPool::Probe(std::string_view text, uint32_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.id_plus_one == 0) return i;
    if (slot.hash == hash && Text(slot.id_plus_one - 1) == text) return i;
  }
}

uint32_t TextPool::Find(std::string_view text) const {
  const Slot& slot = slots_[Probe(text, HashText(text))];
  return slot.id_plus_one == 0 ? kAbsent : slot.id_plus_one - 1;
}

uint32_t TextPool::Intern(std::string_view text) {
  const uint32_t hash = HashText(text);
  const std::size_t at = Probe(text, hash);
  if (slots_[at].id_plus_one != 0) return slots_[at].id_plus_one - 1;
  // A part of one of our own texts would move as the buffer grows.
  const char* bytes = bytes_.data();
  if (!text.empty() && std::greater_equal<const char*>()(text.data(), bytes) &&
      std::less<const char*>()(text.data(), bytes + bytes_.size())) {
    const std::string copy(text);
    return Add(copy, hash, at);
  }
  return Add(text, hash, at);
}

uint32_t TextPool::Add(std::string_view text, uint32_t hash, std::size_t slot) {
  const uint32_t id = size();
  bytes_.insert(bytes_.end(), text.begin(), text.end());
  ends_.push_back(static_cast<uint32_t>(bytes_.size()));
  slots_[slot] = Slot{id + 1, hash};
  if (SlotsFor(ends_.size()) > slots_.size()) Rehash(SlotsFor(ends_.size()));
  return id;
}

void TextPool::Rehash(std::size_t slotCount) {
  slots_.assign(slotCount, Slot{0, 0});
  const std::size_t mask = slotCount - 1;
  for (uint32_t id = 0; id < size(); ++id) {
    const uint32_t hash = HashText(Text(id));
    std::size_t i = hash & mask;
    while (slots_[i].id_plus_one != 0) i = (i + 1) & mask;
    slots_[i] = Slot{id + 1, hash};
  }
}

void TextPool::Clear() {
  const std::size_t heldTexts = ends_.size(), heldBytes = bytes_.size();
  // What the pool held is what a replay of the same log brings back; far
  // more room than that is given back.
  if (ends_.capacity() > 2 * heldTexts + kMinSlots) {
    std::vector<uint32_t>().swap(ends_);
    ends_.reserve(heldTexts);
  }
  if (bytes_.capacity() > 2 * heldBytes + 8 * kMinSlots) {
    std::vector<char>().swap(bytes_);
    bytes_.reserve(heldBytes);
  }
  bytes_.clear();
  ends_.clear();
  const std::size_t slots = SlotsFor(heldTexts);
  if (slots_.size() > slots) std::vector<Slot>().swap(slots_);
  slots_.assign(std::max(slots, slots_.size()), Slot{0, 0});
  // "" is id 0: an empty table has room for it, so Add cannot rehash here.
  const uint32_t hash = HashText(std::string_view());
  Add(std::string_view(), hash, Probe(std::string_view(), hash));
}

}  // namespace stats
