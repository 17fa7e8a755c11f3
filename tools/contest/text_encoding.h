// The encodings loggers write their text files in, brought to the one the
// readers take: 8-bit text, or UTF-8, without a byte-order mark.
#ifndef YODX_TEXT_ENCODING_H_
#define YODX_TEXT_ENCODING_H_

#include <string>

namespace yodx {

// BYTES as the readers take them. Text that begins with a UTF-16 byte-order
// mark (little- or big-endian, as Windows loggers write "Unicode" files) is
// converted to UTF-8, a unit that is no character (a lone surrogate, an odd
// last byte) becoming U+FFFD; a UTF-8 byte-order mark is dropped; any other
// text is returned as it is, whatever its 8-bit code page.
std::string DecodeLogText(std::string bytes);

}  // namespace yodx

#endif  // YODX_TEXT_ENCODING_H_
