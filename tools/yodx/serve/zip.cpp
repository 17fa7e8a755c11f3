#include "tools/yodx/serve/zip.h"

#include <zip.h>
#include <zlib.h>

#include <ctime>
#include <limits>

namespace yodx {
namespace serve {

namespace {

// BYTES deflated by zlib, with gzip's header and trailer.
bool GzipBytes(const std::string& bytes, std::string* out) {
  z_stream z{};
  if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
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
  return text.size() <= std::numeric_limits<uInt>::max() && GzipBytes(text, &packed)
             ? packed
             : std::string();
}

bool ZipArchive(const std::vector<ZipEntry>& entries, std::string* archive, std::string* error) {
  // libzip writes the archive into a buffer of its own, kept past the
  // archive's close so that it can be read back.
  zip_error_t failure;
  zip_error_init(&failure);
  zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &failure);
  if (buffer == nullptr) {
    *error = std::string("cannot make the zip: ") + zip_error_strerror(&failure);
    zip_error_fini(&failure);
    return false;
  }
  zip_t* zip = zip_open_from_source(buffer, ZIP_TRUNCATE, &failure);
  if (zip == nullptr) {
    *error = std::string("cannot make the zip: ") + zip_error_strerror(&failure);
    zip_error_fini(&failure);
    zip_source_free(buffer);
    return false;
  }
  zip_error_fini(&failure);
  // The archive owns the buffer now; one more reference keeps it past the
  // archive's close. Both are let go on every way out.
  zip_source_keep(buffer);
  struct Holder {
    zip_source_t* buffer;
    zip_t* zip;
    ~Holder() {
      if (zip != nullptr) zip_discard(zip);
      zip_source_free(buffer);
    }
  } held{buffer, zip};
  for (const ZipEntry& e : entries) {
    // The entry's bytes are read at the close, while ENTRIES still holds them.
    zip_source_t* source = zip_source_buffer(held.zip, e.bytes.data(), e.bytes.size(), 0);
    const zip_int64_t index =
        source == nullptr ? -1 : zip_file_add(held.zip, e.name.c_str(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
      if (source != nullptr) zip_source_free(source);
      *error = "cannot add " + e.name + " to the zip: " + zip_strerror(held.zip);
      return false;
    }
    if (zip_file_set_mtime(held.zip, static_cast<zip_uint64_t>(index),
                           static_cast<time_t>(e.modified), 0) != 0 ||
        zip_set_file_compression(held.zip, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 0) !=
            0) {
      *error = "cannot add " + e.name + " to the zip: " + zip_strerror(held.zip);
      return false;
    }
  }
  if (zip_close(held.zip) != 0) {
    *error = std::string("cannot make the zip: ") + zip_strerror(held.zip);
    return false;
  }
  held.zip = nullptr;
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_source_stat(buffer, &stat) != 0 || (stat.valid & ZIP_STAT_SIZE) == 0 ||
      zip_source_open(buffer) != 0) {
    *error = "cannot read the zip back";
    return false;
  }
  archive->assign(static_cast<size_t>(stat.size), '\0');
  const zip_int64_t read = stat.size == 0 ? 0 : zip_source_read(buffer, &(*archive)[0], stat.size);
  zip_source_close(buffer);
  if (read < 0 || static_cast<zip_uint64_t>(read) != stat.size) {
    *error = "cannot read the zip back";
    return false;
  }
  return true;
}

}  // namespace serve
}  // namespace yodx
