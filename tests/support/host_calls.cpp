#include "tests/support/host_calls.h"

namespace stats {
namespace testing {
namespace {

const char kNoise[] = "noise";

// The host's other date positions: valid dates that must not be read.
COleDateTime g_noiseDate{12345.25, COleDateTime::kValid};

template <typename Fn>
int QsoCall(Fn fn, const Qso& q) {
  COleDateTime time = q.time;
  HostDate noise = &g_noiseDate;
  const char* n = kNoise;
  return fn(q.ownCall.c_str(), q.call.c_str(), &time, noise, noise, noise, 77u, q.freqHz,
            q.mode.c_str(), q.rstSent.c_str(), q.rstRcvd.c_str(), q.exchSent.c_str(),
            q.exchRcvd.c_str(), n, n, n, n, n, n, n, n, n, q.prefix.c_str(), 24, 25, 26, 2.7, 2.8,
            n, q.continent.c_str(), n, q.band.c_str(), n);
}

}  // namespace

int AddData(const Qso& qso) {
  return QsoCall(Plugin().AddData0, qso);
}

int RemoveData(const Qso& qso) {
  return QsoCall(Plugin().RemoveData0, qso);
}

int CheckCall(const CallCheck& c) {
  char buffer27[64] = "untouched27";
  char buffer28[64] = "untouched28";
  const char* n = kNoise;
  const int answer =
      Plugin().CheckCall0(c.call.c_str(), 2u, 3u, c.mode.c_str(), n, n, n, n, n, n, n, n, n,
                          c.prefix.c_str(), 15, 16, 17, 1.8, 1.9, n, c.continent.c_str(), n, n,
                          c.county.c_str(), c.band.c_str(), n, buffer27, buffer28);
  // The two writable buffers are never written.
  if (std::string(buffer27) != "untouched27" || std::string(buffer28) != "untouched28") return -1;
  return answer;
}

int IsValidExchg(const std::string& exchange, const std::string& prefix) {
  return Plugin().IsValidExchg0(exchange.c_str(), kNoise, prefix.c_str(), kNoise, 5, 6, 7);
}

int ResetStats(const ResetArgs& a) {
  COleDateTime start = a.start;
  COleDateTime end = a.end;
  const char* n = kNoise;
  return Plugin().ResetStats0(n, a.outputSwitch, a.contestant.c_str(), &start, &end, n, n, n, n, n,
                              n, n, n, n, a.ownPrefix.c_str(), 16, 17, 18, 1.9, 2.0, n,
                              a.ownContinent.c_str(), n);
}

std::string GetResult(int* flag) {
  int ignored = 12345;
  const char* text = Plugin().GetResult0(flag != nullptr ? flag : &ignored);
  return text != nullptr ? std::string(text) : std::string("<null>");
}

}  // namespace testing
}  // namespace stats
