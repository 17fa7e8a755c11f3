// The Cabrillo reader on arbitrary bytes, as a log file's text is decoded
// for it: bounded diagnostics, sane contacts.
#include "fuzz/fuzz_support.h"
#include "tools/contest/cabrillo_reader.h"
#include "tools/contest/text_encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  yodx::LogData log;
  yodx::ParseCabrillo(yodx::DecodeLogText(std::string(reinterpret_cast<const char*>(data), size)),
                      "f.log", &log);
  STATS_FUZZ_CHECK(log.diagnostics.size() <= yodx::LogData::kKeptDiagnostics);
  for (const yodx::Diagnostic& d : log.diagnostics) d.ToString();
  for (const yodx::Contact& c : log.contacts) {
    STATS_FUZZ_CHECK(yodx::ValidDate(c.year, c.month, c.day));
  }
  return 0;
}
