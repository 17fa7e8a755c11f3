#include "tools/yodx/serve/zip.h"

#include <zlib.h>

#include <cstdint>
#include <ctime>
#include <limits>

namespace yodx {
namespace serve {

namespace {

void Put16(std::string* out, uint32_t v) {
  out->push_back(static_cast<char>(v & 0xff));
  out->push_back(static_cast<char>((v >> 8) & 0xff));
}

void Put32(std::string* out, uint32_t v) {
  Put16(out, v & 0xffff);
  Put16(out, v >> 16);
}

// MS-DOS's date and time of T (UTC; the format has no zone), from 1980.
void DosTime(UnixSeconds t, uint32_t* time, uint32_t* date) {
  const std::time_t when = static_cast<std::time_t>(t);
  std::tm fields{};
  gmtime_r(&when, &fields);
  if (fields.tm_year < 80) {
    *time = 0;
    *date = (1 << 5) | 1;  // 1980-01-01
    return;
  }
  *time =
      static_cast<uint32_t>((fields.tm_hour << 11) | (fields.tm_min << 5) | (fields.tm_sec / 2));
  *date = static_cast<uint32_t>(((fields.tm_year - 80) << 9) | ((fields.tm_mon + 1) << 5) |
                                fields.tm_mday);
}

// BYTES deflated with WINDOW_BITS as zlib takes them: -15 for no header (as
// zip entries hold them), 31 for gzip's.
bool Deflate(const std::string& bytes, std::string* out, int window_bits = -15) {
  z_stream z{};
  if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, window_bits, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    return false;
  }
  out->resize(deflateBound(&z, bytes.size()));
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  z.avail_in = static_cast<uInt>(bytes.size());
  z.next_out = reinterpret_cast<Bytef*>(&(*out)[0]);
  z.avail_out = static_cast<uInt>(out->size());
  const int rc = deflate(&z, Z_FINISH);
  out->resize(z.total_out);
  deflateEnd(&z);
  return rc == Z_STREAM_END;
}

}  // namespace

std::string Gzip(const std::string& text) {
  std::string packed;
  return text.size() <= std::numeric_limits<uInt>::max() && Deflate(text, &packed, 31)
             ? packed
             : std::string();
}

bool ZipArchive(const std::vector<ZipEntry>& entries, std::string* archive, std::string* error) {
  constexpr uint64_t kMost = std::numeric_limits<uint32_t>::max();
  if (entries.size() > 0xffff) {
    *error = "more logs than a zip holds";
    return false;
  }
  std::string& out = *archive;
  out.clear();
  std::string directory;
  for (const ZipEntry& e : entries) {
    std::string packed;
    if (e.bytes.size() > kMost || !Deflate(e.bytes, &packed)) {
      *error = "cannot compress " + e.name;
      return false;
    }
    const uint32_t crc = static_cast<uint32_t>(crc32_z(
        crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(e.bytes.data()), e.bytes.size()));
    uint32_t time = 0, date = 0;
    DosTime(e.modified, &time, &date);
    if (out.size() > kMost) {
      *error = "the logs are more than a zip holds";
      return false;
    }
    const uint32_t offset = static_cast<uint32_t>(out.size());
    // The fields both headers share, from "version needed" to the name's length.
    std::string common;
    Put16(&common, 20);  // version needed: deflate
    Put16(&common, 0);   // flags
    Put16(&common, 8);   // method: deflate
    Put16(&common, time);
    Put16(&common, date);
    Put32(&common, crc);
    Put32(&common, static_cast<uint32_t>(packed.size()));
    Put32(&common, static_cast<uint32_t>(e.bytes.size()));
    Put16(&common, static_cast<uint32_t>(e.name.size()));
    Put16(&common, 0);  // extra field's length

    Put32(&out, 0x04034b50);
    out += common;
    out += e.name;
    out += packed;

    Put32(&directory, 0x02014b50);
    Put16(&directory, 20);  // made by: MS-DOS attributes, version 2.0
    directory += common;
    Put16(&directory, 0);  // comment's length
    Put16(&directory, 0);  // disk
    Put16(&directory, 0);  // internal attributes
    Put32(&directory, 0);  // external attributes
    Put32(&directory, offset);
    directory += e.name;
  }
  if (out.size() + directory.size() > kMost) {
    *error = "the logs are more than a zip holds";
    return false;
  }
  const uint32_t directory_at = static_cast<uint32_t>(out.size());
  out += directory;
  Put32(&out, 0x06054b50);
  Put16(&out, 0);
  Put16(&out, 0);
  Put16(&out, static_cast<uint32_t>(entries.size()));
  Put16(&out, static_cast<uint32_t>(entries.size()));
  Put32(&out, static_cast<uint32_t>(directory.size()));
  Put32(&out, directory_at);
  Put16(&out, 0);  // comment's length
  return true;
}

}  // namespace serve
}  // namespace yodx
