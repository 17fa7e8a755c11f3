// The country-file reader on arbitrary text, and lookups in what it read.
#include "tools/contest/cty.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  yodx::CtyFile cty;
  std::vector<std::string> errors;
  cty.Parse(text, &errors);
  for (const char* call : {"YO3ABC", "DL/YO3ABC/P", "IT9ABC", "A", "", "VK9XX/MM", "W1AW/4"}) {
    cty.Lookup(call);
  }
  cty.Lookup(text.substr(0, 20));
  return 0;
}
