#include "log/text_pool.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

namespace stats {
namespace {

constexpr std::size_t kMinSlots = 16;

// The slots for this many texts: a power of two, at most three quarters full.
std::size_t SlotsFor(std::size_t texts) {
  std::size_t slots = kMinSlots;
  while (slots / 4 * 3 < texts + 1) slots *= 2;
  return slots;
}

uint64_t Load8(const char* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

uint64_t Load4(const char* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// Equal bytes; the short texts of a contest log without a call to memcmp.
bool SameBytes(const char* a, const char* b, std::size_t n) {
  if (n > 16) return std::memcmp(a, b, n) == 0;
  if (n >= 8) return Load8(a) == Load8(b) && Load8(a + n - 8) == Load8(b + n - 8);
  if (n >= 4) return Load4(a) == Load4(b) && Load4(a + n - 4) == Load4(b + n - 4);
  for (std::size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

}  // namespace

// A short text is read in two loads (overlapping where its length is not a
// power of two), a long one eight bytes at a time; the length is mixed in,
// so that the overlaps cannot make two texts alike.
uint32_t HashText(std::string_view text) {
  const char* p = text.data();
  const std::size_t n = text.size();
  uint64_t a = 0, b = 0;
  if (n >= 8) {
    uint64_t h = 0;
    for (std::size_t i = 0; i + 8 < n; i += 8) h = (h ^ Load8(p + i)) * 0x9E3779B97F4A7C15ull;
    a = h ^ Load8(p + n - 8);
    b = Load8(p);
  } else if (n >= 4) {
    a = Load4(p);
    b = Load4(p + n - 4);
  } else if (n > 0) {
    a = uint64_t{static_cast<unsigned char>(p[0])} | uint64_t{static_cast<unsigned char>(p[n / 2])}
                                                         << 8;
    b = static_cast<unsigned char>(p[n - 1]);
  }
  uint64_t h = (a ^ 0xA0761D6478BD642Full) * (b ^ n ^ 0xE7037ED1A0B428DBull);
  h ^= h >> 32;
  h *= 0x8EBC6AF09C88C6E3ull;
  return static_cast<uint32_t>(h ^ (h >> 29));
}

TextPool::TextPool() {
  Clear();
}

std::size_t TextPool::Probe(std::string_view text, uint32_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.id_plus_one == 0) return i;
    if (slot.hash != hash) continue;
    const std::string_view stored = Text(slot.id_plus_one - 1);
    if (stored.size() == text.size() && SameBytes(stored.data(), text.data(), text.size())) {
      return i;
    }
  }
}

uint32_t TextPool::Find(std::string_view text) const {
  if (text.empty()) return kEmpty;
  const Slot& slot = slots_[Probe(text, HashText(text))];
  return slot.id_plus_one == 0 ? kAbsent : slot.id_plus_one - 1;
}

uint32_t TextPool::Intern(std::string_view text) {
  if (text.empty()) return kEmpty;  // most county codes, for one
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
  if (ends_.size() + 1 > slots_.size() / 4 * 3) Rehash(2 * slots_.size());
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
