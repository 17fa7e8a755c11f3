// The fix for a log over the upload page's size limit: the same log with
// the padding of its QSO lines removed.
#ifndef YODX_CABRILLO_COMPACT_H_
#define YODX_CABRILLO_COMPACT_H_

#include <string>

namespace yodx {

// TEXT with one blank between the fields of every QSO: and X-QSO: line (the
// tag as written, then the fields); every other byte, line ends included,
// is kept. No field changes and every line keeps its number, so the copy
// lints as the original did apart from its size.
std::string CompactCabrillo(const std::string& text);

}  // namespace yodx

#endif  // YODX_CABRILLO_COMPACT_H_
