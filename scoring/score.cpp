// The scoring pass: valid QSOs, points and multipliers per band, the score;
// and the order of the bands in it.
#include <algorithm>
#include <numeric>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "scoring/engine.h"

namespace stats {
namespace {

std::string PaddedKey(const std::string& band) {
  return band.size() >= 20 ? band : std::string(20 - band.size(), '0') + band;
}

// Points by the class of the station; the first class that applies wins.
int QsoPoints(const Contest& state, const CInfo& qso) {
  if (IsRomanianPrefix(qso.m_strPrefix)) return 8;
  if (qso.m_strPrefix == state.g_OwnPrefix) return 1;
  if (qso.m_strContinent == state.g_OwnContinent) return 2;
  return 4;
}

struct BandWork {
  std::unordered_set<std::string_view> prefixes;
  std::unordered_set<std::string_view> counties;
  std::vector<std::string>* dxccList = nullptr;  // the slot's lists, or none
  std::vector<std::string>* countyList = nullptr;
};

}  // namespace

void SortBands(BandList& bands) {
  const std::size_t n = bands.size();
  std::vector<std::string> keys(n);
  for (std::size_t i = 0; i < n; ++i) keys[i] = PaddedKey(bands[i]);

  std::vector<std::string> sorted = keys;
  std::sort(sorted.begin(), sorted.end());
  if (std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end()) {
    // Distinct keys have one descending order, whatever the sort.
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return keys[a] > keys[b]; });
    std::vector<std::string> names;
    names.reserve(n);
    for (std::size_t i : order) names.push_back(bands[i]);
    bands.Clear();
    for (const std::string& name : names) bands.Add(name);
    return;
  }
  // Equal keys ("0m" and "00m"): the exchange sort's own order among them.
  for (std::size_t i = 0; i + 1 < n; ++i) {
    for (std::size_t j = i + 1; j < n; ++j) {
      if (keys[i] < keys[j]) {
        std::swap(keys[i], keys[j]);
        bands.Swap(i, j);
      }
    }
  }
}

Score ComputeScore(Contest& state) {
  const BandList& bands = state.g_Bands;
  Score score;
  score.bands.resize(bands.size());
  std::vector<BandWork> work(bands.size());
  std::unordered_map<std::string_view, std::size_t> bandIndex;
  for (std::size_t i = 0; i < bands.size(); ++i) {
    bandIndex.emplace(bands[i], i);
    // A band without a slot is tallied but touches no per-band list.
    const int slot = BandSlot(bands[i]);
    if (slot < 0) continue;
    work[i].dxccList = &state.g_DxccByBand[slot];
    work[i].countyList = &state.g_CountyByBand[slot];
    work[i].dxccList->clear();
    work[i].countyList->clear();
  }

  for (const CInfo& qso : state.g_Log) {
    if (!IsCounted(qso)) continue;
    auto found = bandIndex.find(qso.m_strBand);
    if (found == bandIndex.end()) continue;
    BandTally& tally = score.bands[found->second];
    BandWork& band = work[found->second];
    ++tally.qsos;
    tally.points += QsoPoints(state, qso);
    if (band.prefixes.insert(qso.m_strPrefix).second) {
      ++tally.dxcc;
      if (band.dxccList != nullptr) band.dxccList->push_back(qso.m_strPrefix);
    }
    if (!qso.m_strCounty.empty() && band.counties.insert(qso.m_strCounty).second) {
      ++tally.counties;
      if (band.countyList != nullptr) band.countyList->push_back(qso.m_strCounty);
    }
  }

  for (const BandTally& tally : score.bands) {
    score.points += tally.points;
    score.dxcc += tally.dxcc;
    score.counties += tally.counties;
  }
  score.score = score.points * (score.dxcc + score.counties);
  state.g_ClaimedScore = score.score;
  return score;
}

}  // namespace stats
