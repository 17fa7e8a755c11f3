// A plain model of the scoring engine for the differential test and the
// benchmarks: a vector of records, linear scans for every question, one pass
// over the log per band in the scoring pass, and the report kept as the bytes
// of an in-memory file. It is written to be obviously right, not fast.
//
// It shares only data types with the engine (CInfo, QsoInput, CallCheckInput,
// Score) and the date formatting; every rule is written out again here.
#ifndef STATS_TESTS_REFERENCE_REFERENCE_ENGINE_H_
#define STATS_TESTS_REFERENCE_REFERENCE_ENGINE_H_

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "log/contest_log.h"
#include "scoring/engine.h"

namespace stats {
namespace reference {

// The text rules, written independently of the engine's.
bool IsRomanianPrefix(const std::string& prefix);
bool IsCountyCode(const std::string& text);
std::string NormalizeCounty(const std::string& text);
std::string StoredPrefix(const std::string& prefix);
int BandSlot(const std::string& band);  // -1 for a band without a slot

class Engine {
 public:
  // The contest state, open for the test to read and compare.
  std::vector<CInfo> log;
  std::vector<std::string> bands;
  std::array<std::vector<std::string>, 6> dxccByBand;
  std::array<std::vector<std::string>, 6> countyByBand;
  std::string ownPrefix;
  std::string ownContinent;
  int64_t claimedScore = 0;

  // The report file "err.txt".
  bool reportExists = false;
  std::string report;
  bool reportOpened = false;  // since the model was constructed

  // Creates or truncates the report and writes its header.
  void StartReport();
  // The part of a reset that concerns the engine: empty log and band list,
  // the own station's prefix and continent, a fresh report.
  void Reset(const std::string& prefix, const std::string& continent);

  int AddQso(const QsoInput& qso);
  int RemoveQso(const QsoInput& qso);
  int CheckCall(const CallCheckInput& candidate) const;
  static int IsValidExchange(const std::string& exchange, const std::string& prefix);
  Score ComputeScore();
};

}  // namespace reference
}  // namespace stats

#endif  // STATS_TESTS_REFERENCE_REFERENCE_ENGINE_H_
