// Entry of one contact (AddData0): the contest tests, the stored record, the
// county, the duplicate test, and the report lines they produce.
#include "log/contest_log.h"
#include "platform/file_system.h"
#include "scoring/engine.h"
#include "scoring/report.h"

namespace stats {
namespace {

const char* Refusal(const QsoView& qso) {
  if (IsWarcBand(qso.band)) return kNoContestBand;
  if (qso.mode != "CW" && qso.mode != "SSB") return kNoContestMode;
  if (qso.exchRcvd.empty() || qso.exchSent.empty()) return kNoRxNumber;
  return nullptr;
}

}  // namespace

int AddQso(Contest& state, FileSystem& files, const QsoView& qso) {
  ReportLines report(qso.time);
  if (const char* reason = Refusal(qso)) {
    report.Add(qso, nullptr, reason);
    report.Flush(state, files);
    return 0;
  }

  state.g_Bands.Add(qso.band);

  CInfoView record;
  record.m_strCall = qso.call;
  record.m_strBand = qso.band;
  record.m_strMode = qso.mode;
  record.m_strContinent = qso.continent;
  record.m_strRstSent = qso.rstSent;
  record.m_strRstRcvd = qso.rstRcvd;
  record.m_strExchSent = qso.exchSent;
  record.m_strExchRcvd = qso.exchRcvd;
  record.m_nFreq = static_cast<int32_t>(qso.freqHz / 1000);
  record.m_time = qso.time;
  record.m_strPrefix = MapPrefix(qso.prefix);

  std::string county;
  if (IsRomanianPrefix(qso.prefix)) {
    county = NormalizeCounty(qso.exchRcvd);
    if (IsCountyCode(county)) {
      record.m_strCounty = county;
    } else {
      report.Add(qso, &county, kBadCounty);
    }
  }

  // One line per earlier entry with the same call, band and mode, after any
  // county line; the log counts them as it appends (and sets m_bDupe).
  const std::size_t earlier = state.g_Log.Append(record);
  for (std::size_t i = 0; i < earlier; ++i) report.Add(qso, nullptr, kDupe);
  report.Flush(state, files);
  return 1;
}

}  // namespace stats
