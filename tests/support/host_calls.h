// Calls into the plug-in with the host's full parameter lists. Each builder
// names the positions the plug-in reads; every other position carries noise
// (texts, numbers and dates that must not matter), as a real host's would.
#ifndef STATS_TESTS_SUPPORT_HOST_CALLS_H_
#define STATS_TESTS_SUPPORT_HOST_CALLS_H_

#include <cstdint>
#include <string>

#include "log/ole_date.h"
#include "tests/support/plugin_under_test.h"

namespace stats {
namespace testing {

// 2021-08-07 12:00, the start of the contest weekend used throughout.
inline COleDateTime When(double oleDate = 44415.5) {
  return COleDateTime{oleDate, COleDateTime::kValid};
}

struct Qso {
  std::string ownCall = "YO3XYZ";
  std::string call = "DL1ABC";
  COleDateTime time = When();
  uint32_t freqHz = 14025000;
  std::string mode = "CW";
  std::string rstSent = "599";
  std::string rstRcvd = "599";
  std::string exchSent = "001";
  std::string exchRcvd = "017";
  std::string prefix = "DL";
  std::string continent = "EU";
  std::string band = "20m";
};

struct CallCheck {
  std::string call = "DL1ABC";
  std::string mode = "CW";
  std::string prefix = "DL";
  std::string county;
  std::string band = "20m";
  std::string continent = "EU";
};

struct ResetArgs {
  int outputSwitch = 0;
  std::string contestant = "YO3XYZ";
  COleDateTime start = When(44415.5);
  COleDateTime end = When(44416.5);
  std::string ownPrefix = "YO";
  std::string ownContinent = "EU";
};

int AddData(const Qso& qso);
int RemoveData(const Qso& qso);
int CheckCall(const CallCheck& check);
int IsValidExchg(const std::string& exchange, const std::string& prefix);
int ResetStats(const ResetArgs& args);
std::string GetResult(int* flag = nullptr);

}  // namespace testing
}  // namespace stats

#endif  // STATS_TESTS_SUPPORT_HOST_CALLS_H_
