#include "cabrillo/pe_version.h"

namespace stats {
namespace {

constexpr uint32_t kResourceVersion = 16;  // RT_VERSION
constexpr uint32_t kVersionName = 1;       // VS_VERSION_INFO
constexpr uint32_t kFixedInfoSignature = 0xFEEF04BDu;
constexpr uint32_t kSubdirectory = 0x80000000u;

// Little-endian reads that fail instead of reading past the end.
class Bytes {
 public:
  explicit Bytes(const std::string& bytes) : bytes_(bytes) {}
  bool Has(uint64_t offset, uint64_t length) const {
    return offset <= bytes_.size() && length <= bytes_.size() - offset;
  }
  bool U16(uint64_t offset, uint32_t* out) const { return Read(offset, 2, out); }
  bool U32(uint64_t offset, uint32_t* out) const { return Read(offset, 4, out); }

 private:
  bool Read(uint64_t offset, int width, uint32_t* out) const {
    if (!Has(offset, width)) return false;
    uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
      value = (value << 8) | static_cast<unsigned char>(bytes_[offset + i]);
    }
    *out = value;
    return true;
  }
  const std::string& bytes_;
};

struct Image {
  uint64_t sectionTable = 0;
  uint32_t sectionCount = 0;
  uint32_t resourceRva = 0;
};

bool ReadHeaders(const Bytes& file, Image* image) {
  uint32_t magic, peOffset, signature, optionalMagic, optionalSize, directoryCount;
  if (!file.U16(0, &magic) || magic != 0x5A4D) return false;  // "MZ"
  if (!file.U32(0x3C, &peOffset) || !file.U32(peOffset, &signature) || signature != 0x4550) {
    return false;  // "PE\0\0"
  }
  const uint64_t coff = uint64_t{peOffset} + 4;
  const uint64_t optional = coff + 20;
  if (!file.U16(coff + 2, &image->sectionCount) || !file.U16(coff + 16, &optionalSize) ||
      !file.U16(optional, &optionalMagic)) {
    return false;
  }
  uint64_t countAt, directories;
  if (optionalMagic == 0x10b) {  // PE32
    countAt = optional + 92;
    directories = optional + 96;
  } else if (optionalMagic == 0x20b) {  // PE32+
    countAt = optional + 108;
    directories = optional + 112;
  } else {
    return false;
  }
  if (!file.U32(countAt, &directoryCount) || directoryCount < 3) return false;
  const uint64_t resourceEntry = directories + 2 * 8;
  if (resourceEntry + 8 > optional + optionalSize) return false;
  if (!file.U32(resourceEntry, &image->resourceRva) || image->resourceRva == 0) return false;
  image->sectionTable = optional + optionalSize;
  return true;
}

// The file offset of an address of the loaded image.
bool RvaToOffset(const Bytes& file, const Image& image, uint32_t rva, uint64_t* offset) {
  for (uint32_t i = 0; i < image.sectionCount; ++i) {
    const uint64_t section = image.sectionTable + uint64_t{i} * 40;
    uint32_t virtualSize, address, rawSize, rawPointer;
    if (!file.U32(section + 8, &virtualSize) || !file.U32(section + 12, &address) ||
        !file.U32(section + 16, &rawSize) || !file.U32(section + 20, &rawPointer)) {
      return false;
    }
    const uint32_t extent = virtualSize > rawSize ? virtualSize : rawSize;
    if (rva >= address && uint64_t{rva} - address < extent) {
      if (uint64_t{rva} - address >= rawSize) return false;  // not backed by the file
      *offset = uint64_t{rawPointer} + (rva - address);
      return true;
    }
  }
  return false;
}

// In the resource directory at dir (an offset from the resource root), the
// entry with this identifier (any = the first entry), as an offset relative
// to the root with its subdirectory flag.
bool FindEntry(const Bytes& file, uint64_t root, uint32_t dir, bool any, uint32_t id,
               uint32_t* target) {
  uint32_t named, ids;
  if (!file.U16(root + dir + 12, &named) || !file.U16(root + dir + 14, &ids)) return false;
  for (uint32_t i = 0; i < named + ids; ++i) {
    const uint64_t entry = root + dir + 16 + uint64_t{i} * 8;
    uint32_t name, data;
    if (!file.U32(entry, &name) || !file.U32(entry + 4, &data)) return false;
    if (any || (i >= named && name == id)) {
      *target = data;
      return true;
    }
  }
  return false;
}

}  // namespace

bool ReadPeFileVersion(const std::string& bytes, uint32_t* versionMs, uint32_t* versionLs) {
  const Bytes file(bytes);
  Image image;
  uint64_t root;
  if (!ReadHeaders(file, &image) || !RvaToOffset(file, image, image.resourceRva, &root)) {
    return false;
  }
  // Type, then name, then language: two subdirectories and a data entry.
  uint32_t names, languages, dataEntry;
  if (!FindEntry(file, root, 0, false, kResourceVersion, &names) || !(names & kSubdirectory) ||
      !FindEntry(file, root, names & ~kSubdirectory, false, kVersionName, &languages) ||
      !(languages & kSubdirectory) ||
      !FindEntry(file, root, languages & ~kSubdirectory, true, 0, &dataEntry) ||
      (dataEntry & kSubdirectory)) {
    return false;
  }
  uint32_t dataRva, dataSize;
  uint64_t block;
  if (!file.U32(root + dataEntry, &dataRva) || !file.U32(root + dataEntry + 4, &dataSize) ||
      !RvaToOffset(file, image, dataRva, &block) || !file.Has(block, dataSize)) {
    return false;
  }
  // VS_VERSIONINFO: length, value length, type, "VS_VERSION_INFO" in UTF-16
  // with its terminator, padding to 4 bytes, then VS_FIXEDFILEINFO.
  constexpr uint64_t kFixedAt = 40;
  constexpr uint32_t kFixedSize = 52;
  uint32_t length, valueLength, signature;
  if (!file.U16(block, &length) || !file.U16(block + 2, &valueLength) || length > dataSize ||
      valueLength < kFixedSize || kFixedAt + kFixedSize > length ||
      !file.U32(block + kFixedAt, &signature) || signature != kFixedInfoSignature) {
    return false;
  }
  const char key[] = "VS_VERSION_INFO";
  for (uint64_t i = 0; i < sizeof key; ++i) {
    uint32_t unit;
    if (!file.U16(block + 6 + 2 * i, &unit) || unit != static_cast<unsigned char>(key[i])) {
      return false;
    }
  }
  return file.U32(block + kFixedAt + 8, versionMs) && file.U32(block + kFixedAt + 12, versionLs);
}

}  // namespace stats
