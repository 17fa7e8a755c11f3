// A vocabulary: texts stored once each, back to back in one buffer, and
// numbered densely in the order they first appeared. The log keeps its
// records as such numbers (ids), so that a comparison is one of integers and
// a text costs its bytes once, however many records carry it.
//
// The empty text is always there, as id 0.
#ifndef STATS_LOG_TEXT_POOL_H_
#define STATS_LOG_TEXT_POOL_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace stats {

class TextPool {
 public:
  // What Find answers for a text that is not in the pool; never an id.
  static constexpr uint32_t kAbsent = 0xFFFFFFFFu;
  static constexpr uint32_t kEmpty = 0;  // the id of ""

  TextPool();

  // The id of the text, which is added when it is new. The text may be a
  // view of one of the pool's own texts.
  uint32_t Intern(std::string_view text) {
    if (text.empty()) return kEmpty;  // most county codes, for one
    const uint32_t hash = Hash(text);
    const std::size_t at = Probe(text, hash);
    if (slots_[at].id_plus_one != 0) return slots_[at].id_plus_one - 1;
    return Add(text, hash, at);
  }
  // The id of the text, or kAbsent.
  uint32_t Find(std::string_view text) const {
    if (text.empty()) return kEmpty;
    const Slot& slot = slots_[Probe(text, Hash(text))];
    return slot.id_plus_one == 0 ? kAbsent : slot.id_plus_one - 1;
  }
  // The text of an id below size(). The view stays valid until the next
  // Intern of a new text or the next Clear.
  std::string_view Text(uint32_t id) const {
    const uint32_t begin = id == 0 ? 0 : ends_[id - 1];
    return std::string_view(bytes_.data() + begin, ends_[id] - begin);
  }
  // Number of texts, "" included; ids run from 0 to size() - 1.
  uint32_t size() const { return static_cast<uint32_t>(ends_.size()); }

  // Makes room for one more text of this many bytes: the next Intern of a
  // new text no longer than that allocates nothing and cannot fail.
  void MakeRoom(std::size_t bytes);

  // Forgets every text but "", keeping room for as many as the pool held,
  // and no more than about twice that. Never fails.
  void Clear();

 private:
  struct Slot {
    uint32_t id_plus_one;  // 0: an empty slot
    uint32_t hash;         // the text's hash, to skip most comparisons
  };

  // The slot holding the text, or the empty slot where it would go. Inline
  // with Intern and Find: the log looks up ten texts for every contact.
  std::size_t Probe(std::string_view text, uint32_t hash) const {
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
  // A short text is read in two loads (overlapping where its length is not
  // a power of two), a long one eight bytes at a time; the length is mixed
  // in, so that the overlaps cannot make two texts alike.
  static uint32_t Hash(std::string_view text) {
    const char* p = text.data();
    const std::size_t n = text.size();
    uint64_t a = 0, b = 0;
    if (n > 8) {
      a = LongHash(p, n);
      b = Load8(p);
    } else if (n >= 4) {
      a = n == 8 ? Load8(p) : Load4(p);
      b = Load4(p + n - 4);
    } else if (n > 0) {
      a = uint64_t{static_cast<unsigned char>(p[0])} |
          uint64_t{static_cast<unsigned char>(p[n / 2])} << 8;
      b = static_cast<unsigned char>(p[n - 1]);
    }
    uint64_t h = (a ^ 0xA0761D6478BD642Full) * (b ^ n ^ 0xE7037ED1A0B428DBull);
    h ^= h >> 32;
    h *= 0x8EBC6AF09C88C6E3ull;
    return static_cast<uint32_t>(h ^ (h >> 29));
  }
  static uint64_t LongHash(const char* p, std::size_t n);  // n > 8
  // Equal bytes; the short texts of a contest log without a call to memcmp.
  static bool SameBytes(const char* a, const char* b, std::size_t n) {
    if (n > 16) return std::memcmp(a, b, n) == 0;
    if (n >= 8) return Load8(a) == Load8(b) && Load8(a + n - 8) == Load8(b + n - 8);
    if (n >= 4) return Load4(a) == Load4(b) && Load4(a + n - 4) == Load4(b + n - 4);
    return n == 0 || (a[0] == b[0] && a[n / 2] == b[n / 2] && a[n - 1] == b[n - 1]);
  }
  static uint64_t Load8(const char* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
  }
  static uint32_t Load4(const char* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
  }

  // Stores a new text in the empty slot that Probe found for it. All the
  // room is made first: a pool whose table went past its load limit would
  // in the end leave Probe no empty slot to stop at.
  uint32_t Add(std::string_view text, uint32_t hash, std::size_t slot);
  void Rehash(std::size_t slotCount);

  std::vector<char> bytes_;     // every text, back to back
  std::vector<uint32_t> ends_;  // ends_[id]: one past the last byte of text id
  std::vector<Slot> slots_;     // open addressing, linear probing; a power of two
};

}  // namespace stats

#endif  // STATS_LOG_TEXT_POOL_H_
