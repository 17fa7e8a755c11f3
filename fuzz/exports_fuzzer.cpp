// Decodes the input into a sequence of export calls (reset, add, remove,
// check, exchange check, result, run command, setup) with arbitrary texts,
// dates and frequencies, and checks every result text.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <limits>

#include "fuzz/fuzz_support.h"
#include "plugin/exports.h"
#include "plugin/module.h"

namespace {

using stats::fuzz::CheckResult;

const char* const kWords[] = {
    "20m", "80m", "160m", "10m",    "30m",    "6m",     "CW",       "SSB",      "cw",  "YO",
    "YP",  "DL",  "IT9",  "I",      "BU",     " bu ",   "CJ",       "XX",       "001", "599",
    "",    "EU",  "NA",   "YO3XYZ", "DL1ABC", "YO9AAA", "SHOWINFO", "HIDEINFO", "0",   "12345"};

// A text as the host might pass it: a known word, or arbitrary bytes
// (sometimes tens of kilobytes), or, where the host only ever passes a
// single line, printable ASCII.
std::string Text(FuzzedDataProvider& in, bool singleLine = false) {
  switch (in.ConsumeIntegralInRange(0, 9)) {
    case 0:
    case 1:
      if (singleLine) {
        std::string t = in.ConsumeRandomLengthString(40);
        for (char& c : t) c = static_cast<char>(0x20 + static_cast<unsigned char>(c) % 0x5f);
        return t;
      }
      return in.ConsumeRandomLengthString(64);
    case 2:
      return singleLine ? std::string(in.ConsumeIntegralInRange(0, 3000), 'm')
                        : std::string(in.ConsumeIntegralInRange(0, 40000), '\x80');
    default:
      return kWords[in.ConsumeIntegralInRange<size_t>(0, std::size(kWords) - 1)];
  }
}

COleDateTime Date(FuzzedDataProvider& in) {
  const double specials[] = {0.0,
                             44415.5,
                             -1.75,
                             2958465.99999,
                             3e6,
                             -700000,
                             std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             1e300};
  COleDateTime d;
  d.m_dt = in.ConsumeBool() ? specials[in.ConsumeIntegralInRange(0, 9)]
                            : in.ConsumeFloatingPoint<double>();
  d.m_status = in.ConsumeIntegralInRange(-1, 3);
  return d;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  stats::fuzz::EnterScratchFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  stats::RebuildModule();
  stats::TheModule().dialogs = std::make_unique<stats::fuzz::QuietDialogs>();
  const char* n = "noise";
  for (int calls = 0; calls < 64 && in.remaining_bytes() > 0; ++calls) {
    switch (in.ConsumeIntegralInRange(0, 8)) {
      case 0: {
        COleDateTime start = Date(in), end = Date(in);
        const std::string contestant = Text(in, true), prefix = Text(in), continent = Text(in);
        ResetStats0(n, in.ConsumeIntegral<int>() % 2, contestant.c_str(), &start, &end, n, n, n, n,
                    n, n, n, n, n, prefix.c_str(), 1, 2, 3, 4.0, 5.0, n, continent.c_str(), n);
        break;
      }
      case 1:
      case 2: {
        const bool add = in.ConsumeBool();
        COleDateTime time = Date(in), other = Date(in);
        const std::string own = Text(in), call = Text(in), mode = Text(in), rs = Text(in),
                          rr = Text(in), es = Text(in), er = Text(in), prefix = Text(in),
                          continent = Text(in), band = Text(in, true);
        const unsigned long hz = in.ConsumeIntegral<uint32_t>();
        auto fn = add ? AddData0 : RemoveData0;
        fn(own.c_str(), call.c_str(), &time, &other, &other, &other, 7, hz, mode.c_str(),
           rs.c_str(), rr.c_str(), es.c_str(), er.c_str(), n, n, n, n, n, n, n, n, n,
           prefix.c_str(), 1, 2, 3, 4.0, 5.0, n, continent.c_str(), n, band.c_str(), n);
        break;
      }
      case 3: {
        const std::string call = Text(in), mode = Text(in), prefix = Text(in), county = Text(in),
                          band = Text(in);
        char b27[8] = "keep27", b28[8] = "keep28";
        const int answer =
            CheckCall0(call.c_str(), 1, 2, mode.c_str(), n, n, n, n, n, n, n, n, n, prefix.c_str(),
                       1, 2, 3, 4.0, 5.0, n, n, n, n, county.c_str(), band.c_str(), n, b27, b28);
        STATS_FUZZ_CHECK(answer >= 0 && answer <= 2);
        STATS_FUZZ_CHECK(std::string(b27) == "keep27" && std::string(b28) == "keep28");
        break;
      }
      case 4: {
        const std::string exchange = Text(in), prefix = Text(in);
        const int answer = IsValidExchg0(exchange.c_str(), n, prefix.c_str(), n, 1, 2, 3);
        STATS_FUZZ_CHECK(answer == 0 || answer == 1);
        break;
      }
      case 5: {
        int flag = 12345;
        const char* text = GetResult0(&flag);
        STATS_FUZZ_CHECK(text != nullptr);
        CheckResult(text);
        STATS_FUZZ_CHECK(flag == 12345 || flag == -1);
        break;
      }
      case 6:
        if (in.ConsumeIntegralInRange(0, 15) == 0) {  // opening a window set costs a thread
          const std::string command = Text(in);
          STATS_FUZZ_CHECK(*RunCommand0(0, command.c_str()) == '\0');
        }
        break;
      case 7:
        SetupSet0();
        break;
      default:
        STATS_FUZZ_CHECK(GetNumberOfSets() == 1);
        STATS_FUZZ_CHECK(GetSetName(in.ConsumeIntegral<int>()) != nullptr);
    }
  }
  RunCommand0(0, "HIDEINFO");
  return 0;
}
