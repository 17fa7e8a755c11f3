#include "log/contest_log.h"

#include <algorithm>

namespace stats {
namespace {

// Host texts end at their first NUL, so NUL can join fields into one key.
std::string Key(const std::string& a, const std::string& b) {
  std::string key;
  key.reserve(a.size() + b.size() + 1);
  key.append(a).push_back('\0');
  key.append(b);
  return key;
}

std::string Key(const std::string& a, const std::string& b, const std::string& c) {
  std::string key = Key(a, b);
  key.push_back('\0');
  key.append(c);
  return key;
}

void Adjust(std::unordered_map<std::string, std::size_t>* counts, std::string key, int delta) {
  if (delta > 0) {
    ++(*counts)[std::move(key)];
    return;
  }
  auto it = counts->find(key);
  if (it != counts->end() && --it->second == 0) counts->erase(it);
}

std::size_t Lookup(const std::unordered_map<std::string, std::size_t>& counts,
                   const std::string& key) {
  auto it = counts.find(key);
  return it == counts.end() ? 0 : it->second;
}

}  // namespace

const std::array<const char*, kBandSlots> kSlotBands = {"160m", "80m", "40m", "20m", "15m", "10m"};

const std::array<const char*, 42> g_CountyCodes = {
    "AB", "AR", "AG", "BC", "BH", "BN", "BT", "BV", "BR", "BU", "BZ", "CS", "CL", "CJ",
    "CT", "CV", "DB", "DJ", "GL", "GR", "GJ", "HR", "HD", "IF", "IL", "IS", "MM", "MH",
    "MS", "NT", "OT", "PH", "SM", "SJ", "SB", "SV", "TR", "TM", "TL", "VS", "VL", "VN"};

void ContestLog::CountIn(const CInfo& qso, int delta) {
  if (!IsCounted(qso)) return;
  Adjust(&counted_prefix_, Key(qso.m_strBand, qso.m_strPrefix), delta);
  if (!qso.m_strCounty.empty()) {
    Adjust(&counted_county_, Key(qso.m_strBand, qso.m_strCounty), delta);
  }
}

std::size_t ContestLog::Append(const CInfo& qso) {
  Series& series = series_[Key(qso.m_strCall, qso.m_strBand, qso.m_strMode)];
  entries_.push_back(Node{qso, nullptr, {}});
  Node* node = &entries_.back();
  node->self = std::prev(entries_.end());
  const std::size_t earlier = series.count;
  node->info.m_bDupe = earlier > 0 ? 1 : 0;
  if (series.count == 0) {
    series.first = node;
  } else {
    series.last->next_same = node;
  }
  series.last = node;
  ++series.count;
  CountIn(node->info, +1);
  return earlier;
}

std::size_t ContestLog::CountSameQso(const std::string& call, const std::string& band,
                                     const std::string& mode) const {
  auto it = series_.find(Key(call, band, mode));
  return it == series_.end() ? 0 : it->second.count;
}

bool ContestLog::RemoveEarliest(const std::string& call, const std::string& band,
                                const std::string& mode, CInfo* removed) {
  auto it = series_.find(Key(call, band, mode));
  if (it == series_.end()) return false;
  Series& series = it->second;
  Node* node = series.first;
  CountIn(node->info, -1);
  if (Node* next = node->next_same) {
    // The next entry of the series is now the earliest: no longer a duplicate.
    CountIn(next->info, -1);
    next->info.m_bDupe = 0;
    CountIn(next->info, +1);
    series.first = next;
    --series.count;
  } else {
    series_.erase(it);
  }
  if (removed != nullptr) *removed = std::move(node->info);
  entries_.erase(node->self);
  return true;
}

std::size_t ContestLog::CountedWithPrefix(const std::string& band,
                                          const std::string& prefix) const {
  return Lookup(counted_prefix_, Key(band, prefix));
}

std::size_t ContestLog::CountedWithCounty(const std::string& band,
                                          const std::string& county) const {
  return Lookup(counted_county_, Key(band, county));
}

void ContestLog::Clear() {
  entries_.clear();
  series_.clear();
  counted_prefix_.clear();
  counted_county_.clear();
}

bool BandList::Add(const std::string& band) {
  if (!lookup_.insert(band).second) return false;
  names_.push_back(band);
  return true;
}

void BandList::Clear() {
  names_.clear();
  lookup_.clear();
}

int BandSlot(const std::string& band) {
  for (int slot = 0; slot < kBandSlots; ++slot) {
    if (band == kSlotBands[slot]) return slot;
  }
  return -1;
}

bool IsRomanianPrefix(const std::string& prefix) {
  return prefix == "YO" || prefix == "YP" || prefix == "YQ" || prefix == "YR";
}

bool IsCountyCode(const std::string& text) {
  return std::any_of(g_CountyCodes.begin(), g_CountyCodes.end(),
                     [&](const char* code) { return text == code; });
}

std::string NormalizeCounty(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  const char* kBlanks = " \t\n\v\f\r";
  const std::size_t first = out.find_first_not_of(kBlanks);
  if (first == std::string::npos) return std::string();
  const std::size_t last = out.find_last_not_of(kBlanks);
  return out.substr(first, last - first + 1);
}

std::string MapPrefix(const std::string& prefix) {
  if (prefix == "IT9" || prefix == "IG9" || prefix == "IH9") return "I";
  return prefix;
}

}  // namespace stats
