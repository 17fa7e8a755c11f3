// The country file in the cty.dat format: for each DXCC entity a line
//   Name: CQ: ITU: Cont: Lat: Lon: TZ: Prefix:
// followed by its prefixes and exact calls ("=CALL"), comma-separated and
// closed by ';'. Each may carry overrides: (CQ) [ITU] <lat/lon> {cont} ~tz~.
// Lookup walks a trie of the prefixes, so it costs the length of the call,
// not the size of the file.
#ifndef YODX_CTY_H_
#define YODX_CTY_H_

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace yodx {

// The continents of the country file, in its spelling.
constexpr const char* kContinents[] = {"AF", "AS", "EU", "NA", "OC", "SA"};

struct CtyEntity {
  std::string name;
  std::string prefix;     // primary prefix, "*" of a non-DXCC entity removed
  bool wae_only = false;  // the primary prefix carried a '*'
  std::string continent;  // "EU", "AS", ...
  int cq = 0, itu = 0;
  double lat = 0, lon = 0, tz = 0;  // as in the file: west longitudes positive
};

// What a prefix or exact call says: its entity and the overrides it carries.
struct CtyAlias {
  int entity = -1;
  int cq = 0, itu = 0;    // 0 = the entity's
  std::string continent;  // "" = the entity's
};

struct CtyMatch {
  const CtyEntity* entity = nullptr;  // null: no country (unknown, /MM, /AM)
  std::string prefix;                 // the entity's primary prefix
  std::string continent;              // override, else the entity's
  int cq = 0, itu = 0;
  bool exact = false;     // matched an "=" entry
  bool maritime = false;  // /MM or /AM: counts for no country

  bool found() const { return entity != nullptr; }
};

class CtyFile {
 public:
  // Parses TEXT. Entity blocks that cannot be read are listed in *errors (when
  // given) and left out. False when no entity at all was read.
  bool Parse(const std::string& text, std::vector<std::string>* errors = nullptr);
  // Longer calls and prefixes refuse the whole file.
  static constexpr size_t kLongestEntry = 32;
  bool Load(const std::string& path, std::string* error);

  // The country of a call as a contest logger sees it: exact calls first,
  // then portable forms (see cty.cpp), then the longest matching prefix.
  CtyMatch Lookup(const std::string& call) const;

  size_t entity_count() const { return entities_.size(); }
  size_t prefix_count() const { return prefix_count_; }
  size_t exact_count() const { return exact_.size(); }

 private:
  bool ParseEntries(const std::string& text, std::vector<std::string>* errors, std::string& absurd);
  struct Node {
    int32_t child[38];  // '0'-'9', 'A'-'Z', '/', other; 0 = none
    int32_t alias = -1;
  };

  void AddPrefix(const std::string& prefix, int32_t alias);
  // Longest prefix of TEXT in the trie; -1 if none.
  int32_t LongestPrefix(const std::string& text) const;
  CtyMatch Resolve(const std::string& call) const;  // exact, else prefix
  CtyMatch FromAlias(int32_t alias, bool exact) const;
  // The exact call CALL's alias, -1 for none.
  int32_t Exact(const std::string& call) const;
  // The two bits of CALL in exact_filter_.
  static std::array<size_t, 2> FilterBits(std::string_view call);

  std::vector<CtyEntity> entities_;
  std::vector<CtyAlias> aliases_;
  std::vector<Node> trie_;
  std::unordered_map<std::string, int32_t> exact_;
  // A filter over the exact calls, two bits set for each (a Bloom filter):
  // most calls are none, and the filter says so without a walk through the
  // table's nodes, which are all over memory.
  static constexpr size_t kExactFilterWords = 4096;  // 32 KB
  std::vector<uint64_t> exact_filter_ = std::vector<uint64_t>(kExactFilterWords);
  size_t prefix_count_ = 0;
};

// Where a command looks for cty.dat when it is given no --cty FILE, in
// this order: the current folder, beside LOG (a log file, or in a folder of
// logs), in PROGRAM_FOLDER (where yodx itself is, ending in a separator),
// and, except on Windows, Debian's /usr/share/hamradio-files/cty.dat. A name
// that repeats an earlier one is left out.
std::vector<std::string> CountryFileCandidates(const std::string& log,
                                               const std::string& program_folder);

// Loads PATH into *COUNTRIES; an empty PATH means the first of CANDIDATES
// that exists (a broken one is an error, not passed over). False with
// *error when none is usable.
bool LoadCountryFile(const std::string& path, const std::vector<std::string>& candidates,
                     CtyFile* countries, std::string* error);

}  // namespace yodx

#endif  // YODX_CTY_H_
