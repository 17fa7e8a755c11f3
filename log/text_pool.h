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
  uint32_t Intern(std::string_view text);
  // The id of the text, or kAbsent.
  uint32_t Find(std::string_view text) const;
  // The text of an id below size(). The view stays valid until the next
  // Intern of a new text or the next Clear.
  std::string_view Text(uint32_t id) const {
    const uint32_t begin = id == 0 ? 0 : ends_[id - 1];
    return std::string_view(bytes_.data() + begin, ends_[id] - begin);
  }
  // Number of texts, "" included; ids run from 0 to size() - 1.
  uint32_t size() const { return static_cast<uint32_t>(ends_.size()); }

  // Forgets every text but "", keeping room for as many as the pool held,
  // and no more than about twice that.
  void Clear();

 private:
  struct Slot {
    uint32_t id_plus_one;  // 0: an empty slot
    uint32_t hash;         // the text's hash, to skip most comparisons
  };

  // The slot holding the text, or the empty slot where it would go.
  std::size_t Probe(std::string_view text, uint32_t hash) const;
  void Rehash(std::size_t slotCount);
  uint32_t Add(std::string_view text, uint32_t hash, std::size_t slot);

  std::vector<char> bytes_;     // every text, back to back
  std::vector<uint32_t> ends_;  // ends_[id]: one past the last byte of text id
  std::vector<Slot> slots_;     // open addressing, linear probing; a power of two
};

// The hash the pool and the log's indexes use for texts.
uint32_t HashText(std::string_view text);

}  // namespace stats

#endif  // STATS_LOG_TEXT_POOL_H_
