// The scoring pass: valid QSOs, points and multipliers per band, the score;
// and the order of the bands in it.
#include <algorithm>
#include <numeric>

#include "scoring/engine.h"

namespace stats {
namespace {

std::string PaddedKey(const std::string& band) {
  return band.size() >= 20 ? band : std::string(20 - band.size(), '0') + band;
}

// The scoring pass's view of the log's vocabularies: what each id means to it.
struct Classes {
  std::vector<int32_t> bandAt;    // by band id: position in g_Bands, or -1
  std::vector<uint8_t> romanian;  // by prefix id
  uint32_t ownPrefix = 0;         // prefix id of the own station, or TextPool::kAbsent
  uint32_t ownContinent = 0;      // continent id of the own station, or TextPool::kAbsent
};

// Points by the class of the station; the first class that applies wins.
int QsoPoints(const Classes& classes, const ContestLog::Entry& qso) {
  if (classes.romanian[qso.prefix] != 0) return 8;
  if (qso.prefix == classes.ownPrefix) return 1;
  if (qso.continent == classes.ownContinent) return 2;
  return 4;
}

struct BandWork {
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
    // The sorted list is made aside and then takes the place of the old:
    // a failed allocation leaves the old one.
    BandList sorted;
    for (std::size_t i : order) sorted.Add(bands[i]);
    bands = std::move(sorted);
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
  const ContestLog& log = state.g_Log;
  Score score;
  score.bands.resize(bands.size());
  std::vector<BandWork> work(bands.size());
  // The slots' lists are made aside and take the place of the old ones at
  // the end, so that a failed allocation leaves the old ones.
  PerBandLists dxccLists, countyLists;
  std::array<bool, kBandSlots> made{};

  Classes classes;
  classes.bandAt.assign(log.bands().size(), -1);
  for (std::size_t i = 0; i < bands.size(); ++i) {
    const uint32_t id = log.bands().Find(bands[i]);
    if (id != TextPool::kAbsent) classes.bandAt[id] = static_cast<int32_t>(i);
    // A band without a slot is tallied but touches no per-band list.
    const int slot = BandSlot(bands[i]);
    if (slot < 0) continue;
    work[i].dxccList = &dxccLists[slot];
    work[i].countyList = &countyLists[slot];
    made[slot] = true;
  }
  classes.romanian.resize(log.prefixes().size());
  for (uint32_t id = 0; id < log.prefixes().size(); ++id) {
    classes.romanian[id] = IsRomanianPrefix(log.prefixes().Text(id)) ? 1 : 0;
  }
  classes.ownPrefix = log.prefixes().Find(state.g_OwnPrefix);
  classes.ownContinent = log.continents().Find(state.g_OwnContinent);

  // (position in g_Bands, prefix or county id) already counted in this pass
  IdMap prefixSeen, countySeen;
  for (const ContestLog::Entry& qso : log.entries()) {
    if (!qso.counted()) continue;
    const int32_t at = classes.bandAt[qso.band];
    if (at < 0) continue;
    BandTally& tally = score.bands[at];
    BandWork& band = work[at];
    ++tally.qsos;
    tally.points += QsoPoints(classes, qso);
    if (prefixSeen.At(PairKey(static_cast<uint32_t>(at), qso.prefix))++ == 0) {
      ++tally.dxcc;
      if (band.dxccList != nullptr) band.dxccList->emplace_back(log.prefixes().Text(qso.prefix));
    }
    if (qso.county != TextPool::kEmpty &&
        countySeen.At(PairKey(static_cast<uint32_t>(at), qso.county))++ == 0) {
      ++tally.counties;
      if (band.countyList != nullptr)
        band.countyList->emplace_back(log.counties().Text(qso.county));
    }
  }

  for (const BandTally& tally : score.bands) {
    score.points += tally.points;
    score.dxcc += tally.dxcc;
    score.counties += tally.counties;
  }
  score.score = score.points * (score.dxcc + score.counties);
  for (int slot = 0; slot < kBandSlots; ++slot) {
    if (!made[slot]) continue;
    state.g_DxccByBand[slot].swap(dxccLists[slot]);
    state.g_CountyByBand[slot].swap(countyLists[slot]);
  }
  state.g_ClaimedScore = score.score;
  return score;
}

}  // namespace stats
