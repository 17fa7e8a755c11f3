// The operator's live questions: is this call a duplicate or a new
// multiplier (CheckCall0), is this exchange acceptable (IsValidExchg0).
#include "scoring/engine.h"

namespace stats {

int CheckCall(const Contest& state, const CallCheckView& candidate) {
  const ContestLog& log = state.g_Log;
  if (log.HasSameQso(candidate.call, candidate.band, candidate.mode)) return 0;

  // Answer as the scoring pass would count the contact once logged: the
  // stored prefix, the normalised county, and only counted entries as worked.
  const bool newPrefix = log.CountedWithPrefix(candidate.band, MapPrefix(candidate.prefix)) == 0;
  if (!IsRomanianPrefix(candidate.prefix)) return newPrefix ? 2 : 1;
  const std::string county = NormalizeCounty(candidate.county);
  const bool newCounty = IsCountyCode(county) && log.CountedWithCounty(candidate.band, county) == 0;
  return newPrefix || newCounty ? 2 : 1;
}

int IsValidExchange(std::string_view exchange, std::string_view prefix) {
  if (exchange == "599") return 0;
  if (IsRomanianPrefix(prefix)) return exchange.size() == 2 && IsCountyCode(exchange) ? 1 : 0;
  if (exchange.empty() || exchange.size() > 4) return 0;
  for (char c : exchange) {
    if (c < '0' || c > '9') return 0;
  }
  return 1;
}

}  // namespace stats
