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
  const uint64_t resourceEntry = directories + uint64_t{2} * 8;  // the third directory
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
    // A loaded section spans its virtual size (the raw size when that is 0).
    const uint32_t extent = virtualSize != 0 ? virtualSize : rawSize;
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
    // An identifier entry names its resource by the low 16 bits.
    if (any || (i >= named && (name & 0xffffu) == id)) {
      *target = data;
      return true;
    }
  }
  return false;
}

// One node of the version tree (length, value length, type, a UTF-16 key,
// its value, its children, each part 32-bit aligned from the block's start)
// lies within [at, end), and so do its children. The platform walks the
// whole tree when it converts it, and trusts every length in it.
// It recurses once per level, and stops beyond six levels.
// NOLINTNEXTLINE(misc-no-recursion)
bool SoundNode(const Bytes& file, uint64_t block, uint64_t at, uint64_t end, int depth) {
  auto align = [block](uint64_t p) { return block + ((p - block + 3) & ~uint64_t{3}); };
  uint32_t length, valueLength, type;
  if (depth > 6 || !file.U16(at, &length) || !file.U16(at + 2, &valueLength) ||
      !file.U16(at + 4, &type) || length < 6 || at + length > end || type > 1) {
    return false;
  }
  const uint64_t nodeEnd = at + length;
  uint64_t p = at + 6;
  for (uint32_t unit = 1; unit != 0; p += 2) {
    if (p + 2 > nodeEnd || !file.U16(p, &unit)) return false;
  }
  p = align(p);
  const uint64_t valueBytes = type == 1 ? uint64_t{valueLength} * 2 : valueLength;
  if (valueBytes > 0 && p + valueBytes > nodeEnd) return false;
  for (p = align(p + valueBytes); p < nodeEnd;) {
    uint32_t childLength;
    if (!file.U16(p, &childLength) || !SoundNode(file, block, p, nodeEnd, depth + 1)) return false;
    p = align(p + childLength);
  }
  return true;
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
  // with its terminator, padding to 4 bytes, then VS_FIXEDFILEINFO. Like the
  // platform, the key's text is not checked; the signature and every length
  // of the tree are.
  constexpr uint64_t kFixedAt = 40;
  constexpr uint32_t kFixedSize = 52;
  uint32_t length, valueLength, signature;
  if (!file.U16(block, &length) || !file.U16(block + 2, &valueLength) || length > dataSize ||
      valueLength != kFixedSize || !SoundNode(file, block, block, block + length, 0) ||
      !file.U32(block + kFixedAt, &signature) || signature != kFixedInfoSignature) {
    return false;
  }
  return file.U32(block + kFixedAt + 8, versionMs) && file.U32(block + kFixedAt + 12, versionLs);
}

}  // namespace stats
