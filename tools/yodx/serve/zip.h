// A zip archive (written by libzip, entries deflated) of files held in
// memory, for the organiser's download of every current log; and gzip
// (zlib), for the answers worth compressing.
#ifndef YODX_SERVE_ZIP_H_
#define YODX_SERVE_ZIP_H_

#include <string>
#include <vector>

#include "tools/yodx/serve/store.h"

namespace yodx {
namespace serve {

struct ZipEntry {
  std::string name;  // letters, digits, '-', '_' and '.' only: no folder, no path
  std::string bytes;
  UnixSeconds modified = 0;
};

// TEXT compressed with gzip (RFC 1952), as HTTP's Content-Encoding: gzip
// takes it; "" when zlib fails.
std::string Gzip(const std::string& text);

// The archive of ENTRIES, in their order; false with *error when libzip
// cannot make it.
bool ZipArchive(const std::vector<ZipEntry>& entries, std::string* archive, std::string* error);

}  // namespace serve
}  // namespace yodx

#endif  // YODX_SERVE_ZIP_H_
