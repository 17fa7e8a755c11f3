#include "tools/yodx/crosscheck/calls.h"

#include <algorithm>
#include <array>
#include <utility>

namespace yodx {
namespace crosscheck {

namespace {

// The call without a portable designator or a prefix: the longest of its
// parts between slashes ("YO7LBX" of "DL/YO7LBX/P").
std::string_view HomeCall(std::string_view call) {
  std::string_view best;
  size_t start = 0;
  for (size_t slash = call.find('/');; slash = call.find('/', start)) {
    const std::string_view part = call.substr(start, slash - start);
    if (part.size() > best.size()) best = part;
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  return best;
}

// Characters changed, added and dropped and neighbours swapped that turn A
// into B (the optimal string alignment distance), up to LIMIT + 1. Calls
// longer than the table are compared on their first characters.
int EditSlips(std::string_view a, std::string_view b, int limit) {
  constexpr size_t kLongest = 24;
  a = a.substr(0, kLongest);
  b = b.substr(0, kLongest);
  const int gap = static_cast<int>(a.size() > b.size() ? a.size() - b.size() : b.size() - a.size());
  if (gap > limit) return limit + 1;
  std::array<std::array<int, kLongest + 1>, kLongest + 1> d{};
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = static_cast<int>(i);
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = static_cast<int>(j);
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      const int change = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return std::min(d[a.size()][b.size()], limit + 1);
}

}  // namespace

bool OneSlipApart(std::string_view a, std::string_view b) {
  if (a.size() < b.size()) std::swap(a, b);
  if (a == b) return false;
  const size_t n = a.size(), m = b.size();
  if (n == m) {  // one character changed, or two neighbours swapped
    size_t first = n, differ = 0;
    for (size_t i = 0; i < n && differ <= 2; ++i) {
      if (a[i] == b[i]) continue;
      if (differ++ == 0) first = i;
    }
    return differ == 1 ||
           (differ == 2 && first + 1 < n && a[first] == b[first + 1] && a[first + 1] == b[first]);
  }
  // A portable designator or a prefix dropped: "YO7LBX/P", "DL/YO7LBX".
  if ((a.compare(0, m, b) == 0 && a[m] == '/') ||
      (a.compare(n - m, m, b) == 0 && a[n - m - 1] == '/')) {
    return true;
  }
  if (n != m + 1) return false;
  size_t same = 0;  // one character dropped
  while (same < m && a[same] == b[same]) ++same;
  return a.substr(same + 1) == b.substr(same);
}

int SlipsApart(std::string_view a, std::string_view b, int limit) {
  const int whole = EditSlips(a, b, limit);
  const std::string_view home_a = HomeCall(a), home_b = HomeCall(b);
  const int designators = (home_a.size() != a.size() ? 1 : 0) + (home_b.size() != b.size() ? 1 : 0);
  if (designators == 0 || designators >= whole) return whole;
  return std::min(whole, EditSlips(home_a, home_b, limit - designators) + designators);
}

}  // namespace crosscheck
}  // namespace yodx
