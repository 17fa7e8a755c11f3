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
  // county line; the log sets m_bDupe as it appends.
  const std::size_t earlier = state.g_Log.CountSameQso(qso.call, qso.band, qso.mode);
  for (std::size_t i = 0; i < earlier; ++i) report.Add(qso, nullptr, kDupe);

  // The band list and the log change together or not at all: everything
  // that allocates is done before the first change, and a failed
  // allocation leaves the contest as it was (the export answers its
  // fallback, and the host may send the contact again).
  BandList::Pending band = state.g_Bands.Prepare(qso.band);
  state.g_Bands.MakeRoom(band);
  state.g_Log.Append(record);
  state.g_Bands.Commit(std::move(band));

  // The contact is logged now. A report line that cannot be written for
  // want of memory is lost as one that the disk refuses would be.
  try {
    report.Flush(state, files);
  } catch (const std::bad_alloc&) {
  }
  return 1;
}

}  // namespace stats
