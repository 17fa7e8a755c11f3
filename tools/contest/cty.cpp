#include "tools/contest/cty.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/contest/text.h"

namespace yodx {

namespace {

int ChildIndex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'Z') return 10 + (c - 'A');
  if (c == '/') return 36;
  return 37;
}

bool ParseInt(std::string_view s, int* out) {
  s = Trim(s);
  if (!AllDigits(s) || s.size() > 4) return false;
  *out = std::atoi(std::string(s).c_str());
  return true;
}

bool ParseReal(std::string_view s, double* out) {
  const std::string t(Trim(s));
  if (t.empty()) return false;
  char* end = nullptr;
  *out = std::strtod(t.c_str(), &end);
  return end == t.c_str() + t.size();
}

// Suffixes that say how a station operates, not where: they leave the
// country of the rest of the call. Any single letter counts too.
bool IsOperatingSuffix(std::string_view part) {
  static const char* const kSuffixes[] = {"P",    "M",    "QRP",  "QRPP", "LH",  "YL",
                                          "JOTA", "YOTA", "SOTA", "POTA", "IOTA"};
  if (part.size() == 1 && IsAlpha(part[0])) return true;
  for (const char* s : kSuffixes) {
    if (part == s) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> CountryFileCandidates(const std::string& log,
                                               const std::string& program_folder) {
  namespace fs = std::filesystem;
  std::vector<std::string> names = {"cty.dat"};
  if (!log.empty()) {
    std::error_code ec;
    const fs::path given(log);
    const fs::path folder = fs::is_directory(given, ec) ? given : given.parent_path();
    names.push_back((folder / "cty.dat").string());
  }
  if (!program_folder.empty()) names.push_back((fs::path(program_folder) / "cty.dat").string());
#ifndef _WIN32
  names.emplace_back("/usr/share/hamradio-files/cty.dat");
#endif
  std::vector<std::string> candidates;
  for (const std::string& name : names) {
    // "cty.dat" beside a log of the current folder is the current folder's.
    const std::string plain = fs::path(name).lexically_normal().string();
    bool seen = false;
    for (const std::string& c : candidates) seen = seen || fs::path(c).lexically_normal() == plain;
    if (!seen) candidates.push_back(name);
  }
  return candidates;
}

bool LoadCountryFile(const std::string& path, const std::vector<std::string>& candidates,
                     CtyFile* countries, std::string* error) {
  if (!path.empty()) return countries->Load(path, error);
  std::string looked;
  for (const std::string& candidate : candidates) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(candidate, ec)) return countries->Load(candidate, error);
    looked += (looked.empty() ? "" : candidate == candidates.back() ? " and " : ", ") + candidate;
  }
  *error = "no country file: give --cty FILE (looked for " + looked + ")";
  return false;
}

bool CtyFile::Load(const std::string& path, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot open country file " + path;
    return false;
  }
  std::ostringstream buf;
  buf << in.rdbuf();
  std::vector<std::string> problems;
  if (!Parse(buf.str(), &problems)) {
    *error = path + ": not a country file" +
             (problems.empty() ? std::string(": no entries found") : ": " + problems.front());
    return false;
  }
  return true;
}

bool CtyFile::Parse(const std::string& text, std::vector<std::string>* errors) {
  std::string absurd;
  const bool parsed = ParseEntries(text, errors, absurd);
  if (!absurd.empty()) {
    if (errors) errors->insert(errors->begin(), absurd);
    entities_.clear();
    aliases_.clear();
    exact_.clear();
    exact_filter_.assign(kExactFilterWords, 0);
    trie_.assign(1, Node{});
    return false;
  }
  return parsed;
}

bool CtyFile::ParseEntries(const std::string& text, std::vector<std::string>* errors,
                           std::string& absurd) {
  entities_.clear();
  aliases_.clear();
  exact_.clear();
  exact_filter_.assign(kExactFilterWords, 0);
  trie_.assign(1, Node{});
  prefix_count_ = 0;
  auto problem = [&](const std::string& what) {
    if (errors) errors->push_back(what);
  };

  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find(';', pos);
    if (end == std::string::npos) end = text.size();
    const std::string_view block = Trim(std::string_view(text).substr(pos, end - pos));
    pos = end + 1;
    if (block.empty()) continue;

    // Eight colon-terminated fields, then the alias list.
    std::string_view field[8];
    size_t at = 0;
    bool complete = true;
    for (auto& f : field) {
      const size_t colon = block.find(':', at);
      if (colon == std::string_view::npos) {
        complete = false;
        break;
      }
      f = Trim(block.substr(at, colon - at));
      at = colon + 1;
    }
    const std::string head(block.substr(0, std::min<size_t>(block.size(), 40)));
    CtyEntity e;
    if (!complete) {
      problem("entity line with fewer than 8 fields: " + head);
      continue;
    }
    e.name = std::string(field[0]);
    e.continent = std::string(field[3]);
    std::string prefix(field[7]);
    if (!prefix.empty() && prefix[0] == '*') {
      e.wae_only = true;
      prefix.erase(0, 1);
    }
    e.prefix = prefix;
    if (!ParseInt(field[1], &e.cq) || !ParseInt(field[2], &e.itu) || !ParseReal(field[4], &e.lat) ||
        !ParseReal(field[5], &e.lon) || !ParseReal(field[6], &e.tz) || e.prefix.empty() ||
        e.continent.size() != 2) {
      problem("unreadable entity line: " + head);
      continue;
    }
    const int entity = static_cast<int>(entities_.size());
    entities_.push_back(e);

    const std::string_view list = block.substr(at);
    size_t t = 0;
    while (t < list.size()) {
      size_t comma = list.find(',', t);
      if (comma == std::string_view::npos) comma = list.size();
      const std::string_view token = Trim(list.substr(t, comma - t));
      t = comma + 1;
      if (token.empty()) continue;

      CtyAlias alias;
      alias.entity = entity;
      size_t k = 0;
      const bool exact = token[0] == '=';
      if (exact) k = 1;
      const size_t body_end = token.find_first_of("([<{~", k);
      const std::string_view raw = token.substr(
          k, body_end == std::string_view::npos ? std::string_view::npos : body_end - k);
      if (raw.size() > kLongestEntry) {
        // No call or prefix is this long: the file is not a country file.
        absurd = "an entry of " + std::to_string(raw.size()) + " characters in " + e.name +
                 " (no call or prefix is longer than " + std::to_string(kLongestEntry) + ")";
        return false;
      }
      const std::string body = Upper(raw);
      bool good = !body.empty();
      for (char c : body) {
        if (ChildIndex(c) == 37) good = false;
      }
      // Overrides, in any order.
      for (size_t o = body_end; good && o != std::string_view::npos && o < token.size();) {
        const char open = token[o];
        const char close = open == '('   ? ')'
                           : open == '[' ? ']'
                           : open == '<' ? '>'
                           : open == '{' ? '}'
                           : open == '~' ? '~'
                                         : '\0';
        const size_t shut = close ? token.find(close, o + 1) : std::string_view::npos;
        if (shut == std::string_view::npos) {
          good = false;
          break;
        }
        const std::string_view inner = token.substr(o + 1, shut - o - 1);
        if (open == '(') {
          good = ParseInt(inner, &alias.cq);
        } else if (open == '[') {
          good = ParseInt(inner, &alias.itu);
        } else if (open == '{') {
          alias.continent = std::string(Trim(inner));
          good = alias.continent.size() == 2;
        }  // <lat/lon> and ~tz~ do not matter to the contest
        o = shut + 1;
      }
      if (!good) {
        problem("unreadable entry '" + std::string(token) + "' of " + e.name);
        continue;
      }
      const int32_t index = static_cast<int32_t>(aliases_.size());
      aliases_.push_back(alias);
      if (exact) {
        exact_[body] = index;
        for (const size_t bit : FilterBits(body))
          exact_filter_[bit / 64] |= uint64_t{1} << bit % 64;
      } else {
        AddPrefix(body, index);
        ++prefix_count_;
      }
    }
  }
  return !entities_.empty();
}

void CtyFile::AddPrefix(const std::string& prefix, int32_t alias) {
  int32_t node = 0;
  for (char c : prefix) {
    const int i = ChildIndex(c);
    if (trie_[node].child[i] == 0) {
      trie_[node].child[i] = static_cast<int32_t>(trie_.size());
      trie_.push_back(Node{});
    }
    node = trie_[node].child[i];
  }
  trie_[node].alias = alias;
}

int32_t CtyFile::LongestPrefix(const std::string& text) const {
  if (trie_.empty()) return -1;
  int32_t node = 0, best = -1;
  for (char c : text) {
    node = trie_[node].child[ChildIndex(c)];
    if (node == 0) break;
    if (trie_[node].alias >= 0) best = trie_[node].alias;
  }
  return best;
}

CtyMatch CtyFile::FromAlias(int32_t index, bool exact) const {
  CtyMatch m;
  if (index < 0) return m;
  const CtyAlias& a = aliases_[index];
  const CtyEntity& e = entities_[a.entity];
  m.entity = &e;
  m.prefix = e.prefix;
  m.continent = a.continent.empty() ? e.continent : a.continent;
  m.cq = a.cq ? a.cq : e.cq;
  m.itu = a.itu ? a.itu : e.itu;
  m.exact = exact;
  return m;
}

std::array<size_t, 2> CtyFile::FilterBits(std::string_view call) {
  uint64_t h = 14695981039346656037u;  // FNV-1a, then SplitMix64's finaliser
  for (const char c : call) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211u;
  h = (h ^ (h >> 30)) * 0xbf58476d1ce4e5b9u;
  h = (h ^ (h >> 27)) * 0x94d049bb133111ebu;
  h ^= h >> 31;
  constexpr size_t kBits = kExactFilterWords * 64;
  return {static_cast<size_t>(h % kBits), static_cast<size_t>((h >> 32) % kBits)};
}

int32_t CtyFile::Exact(const std::string& call) const {
  for (const size_t bit : FilterBits(call)) {
    if ((exact_filter_[bit / 64] >> bit % 64 & 1) == 0) return -1;
  }
  const auto it = exact_.find(call);
  return it == exact_.end() ? -1 : it->second;
}

CtyMatch CtyFile::Resolve(const std::string& call) const {
  const int32_t exact = Exact(call);
  if (exact >= 0) return FromAlias(exact, true);
  return FromAlias(LongestPrefix(call), false);
}

CtyMatch CtyFile::Lookup(const std::string& raw) const {
  const std::string call = Upper(Trim(raw));
  if (call.empty()) return CtyMatch();
  const int32_t exact = Exact(call);
  if (exact >= 0) return FromAlias(exact, true);
  if (call.find('/') == std::string::npos) return FromAlias(LongestPrefix(call), false);

  std::vector<std::string> parts;
  size_t at = 0;
  while (at <= call.size()) {
    size_t slash = call.find('/', at);
    if (slash == std::string::npos) slash = call.size();
    if (slash > at) parts.push_back(call.substr(at, slash - at));
    at = slash + 1;
  }
  if (parts.empty()) return CtyMatch();

  // Maritime and aeronautical mobile stations are in no country.
  for (size_t i = 1; i < parts.size(); ++i) {
    if (parts[i] == "MM" || parts[i] == "AM") {
      CtyMatch m;
      m.maritime = true;
      return m;
    }
  }
  // Drop operating suffixes and call-area digits ("/4" keeps the country).
  std::vector<std::string> kept{parts[0]};
  for (size_t i = 1; i < parts.size(); ++i) {
    const std::string& p = parts[i];
    if (IsOperatingSuffix(p) || (p.size() == 1 && IsDigit(p[0]))) continue;
    kept.push_back(p);
  }
  if (kept.size() == 1) return Resolve(kept[0]);

  // "DL/YO3ABC" or "YO3ABC/DL": the shorter part says where the station is;
  // with equal lengths the one in front does.
  const std::string& a = kept[0];
  const std::string& b = kept[1];
  const bool a_is_place = a.size() <= b.size();
  const std::string& place = a_is_place ? a : b;
  const std::string& home = a_is_place ? b : a;
  CtyMatch m = FromAlias(LongestPrefix(place), false);
  if (!m.found()) m = Resolve(home);
  return m;
}

}  // namespace yodx
