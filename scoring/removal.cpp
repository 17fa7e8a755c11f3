// Removal of one contact (RemoveData0), keeping the plug-in's log the same
// as the host's.
#include <algorithm>

#include "scoring/engine.h"

namespace stats {

int RemoveQso(Contest& state, const QsoView& qso) {
  if (qso.exchRcvd.empty() || qso.exchSent.empty()) return 0;

  // A contact whose county was refused was still logged: it is removed like
  // any other, and only an acceptable code can stand in a county list.
  const std::string county = IsRomanianPrefix(qso.prefix) ? NormalizeCounty(qso.exchRcvd) : "";

  // The earliest match goes; the log promotes the next entry with the same
  // call, band and mode, which is then no longer a duplicate.
  if (!state.g_Log.RemoveEarliest(qso.call, qso.band, qso.mode, nullptr)) return 1;

  const int slot = BandSlot(qso.band);
  if (slot >= 0 && IsCountyCode(county) && state.g_Log.CountedWithCounty(qso.band, county) == 0) {
    std::vector<std::string>& list = state.g_CountyByBand[slot];
    auto found = std::find(list.begin(), list.end(), county);
    if (found != list.end()) list.erase(found);
  }
  return 1;
}

}  // namespace stats
