// How far apart two call signs are, as a call copied wrong is from the
// right one.
#ifndef YODX_CROSSCHECK_CALLS_H_
#define YODX_CROSSCHECK_CALLS_H_

#include <string_view>

namespace yodx {
namespace crosscheck {

// Whether two different calls are one slip apart: one character changed,
// added or dropped, two neighbours swapped, or a portable designator or a
// prefix dropped ("YO7LBX/P", "DL/YO7LBX" for "YO7LBX").
bool OneSlipApart(std::string_view a, std::string_view b);

// How many slips apart two calls are, counting each character changed,
// added or dropped and each swap of two neighbours as one, and a portable
// designator or prefix on either call as one more ("LZ0AA" and "LZ0DP": 2;
// "LZ0" and "LZ0DP": 2; "LZ0AA/P" and "LZ0DP": 3). Counts past LIMIT are
// given as LIMIT + 1.
int SlipsApart(std::string_view a, std::string_view b, int limit);

}  // namespace crosscheck
}  // namespace yodx

#endif  // YODX_CROSSCHECK_CALLS_H_
