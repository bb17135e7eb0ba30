#include "sysenv/ports/pe_version.h"

#include <cstdint>
#include <vector>

namespace hotfix {
namespace {

constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr uint16_t kDosSignature = 0x5A4D;     // "MZ"
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kResourceDirectoryIndex = 2;
constexpr uint32_t kRtVersion = 16;
constexpr uint32_t kVersionInfoId = 1;
constexpr uint32_t kLanguageNeutral = 0;
constexpr uint32_t kHighBit = 0x80000000;
constexpr uint64_t kCoffHeaderSize = 20;
constexpr uint64_t kSectionHeaderSize = 40;
constexpr uint64_t kResourceDirectorySize = 16;
constexpr uint64_t kResourceEntrySize = 8;
constexpr uint64_t kResourceDataEntrySize = 16;

// Little-endian reads that refuse to leave the data. Offsets are 64-bit so
// sums of 32-bit fields cannot wrap.
class Bytes {
 public:
  explicit Bytes(std::string_view data) : data_(data) {}

  bool Has(uint64_t offset, uint64_t size) const {
    return offset <= data_.size() && size <= data_.size() - offset;
  }
  bool U16(uint64_t offset, uint16_t& value) const {
    if (!Has(offset, 2)) return false;
    value = static_cast<uint16_t>(Byte(offset) | (Byte(offset + 1) << 8));
    return true;
  }
  bool U32(uint64_t offset, uint32_t& value) const {
    uint16_t low = 0;
    uint16_t high = 0;
    if (!U16(offset, low) || !U16(offset + 2, high)) return false;
    value = static_cast<uint32_t>(low) | (static_cast<uint32_t>(high) << 16);
    return true;
  }
  std::string_view View(uint64_t offset, uint64_t size) const {
    return data_.substr(static_cast<size_t>(offset), static_cast<size_t>(size));
  }

 private:
  unsigned Byte(uint64_t offset) const {
    return static_cast<unsigned char>(data_[static_cast<size_t>(offset)]);
  }
  std::string_view data_;
};

struct Section {
  uint32_t virtual_address = 0;
  uint32_t raw_size = 0;
  uint32_t raw_offset = 0;
};

// The image as its headers describe it: where each section's data lies in
// the file, and the resource directory's address.
class PeImage {
 public:
  explicit PeImage(std::string_view data) : bytes_(data) {}

  bool ReadHeaders() {
    uint16_t dos_signature = 0;
    uint32_t pe_offset = 0;
    uint32_t pe_signature = 0;
    if (!bytes_.U16(0, dos_signature) || dos_signature != kDosSignature ||
        !bytes_.U32(0x3C, pe_offset) || !bytes_.U32(pe_offset, pe_signature) ||
        pe_signature != kPeSignature) {
      return false;
    }
    const uint64_t coff = uint64_t{pe_offset} + 4;
    uint16_t section_count = 0;
    uint16_t optional_size = 0;
    if (!bytes_.U16(coff + 2, section_count) || !bytes_.U16(coff + 16, optional_size)) {
      return false;
    }
    const uint64_t optional = coff + kCoffHeaderSize;
    if (!bytes_.Has(optional, optional_size) || !ReadResourceDirectory(optional, optional_size)) {
      return false;
    }
    const uint64_t table = optional + optional_size;
    if (!bytes_.Has(table, section_count * kSectionHeaderSize)) return false;
    sections_.resize(section_count);
    for (uint64_t i = 0; i < section_count; ++i) {
      const uint64_t header = table + i * kSectionHeaderSize;
      Section& section = sections_[i];
      bytes_.U32(header + 12, section.virtual_address);
      bytes_.U32(header + 16, section.raw_size);
      bytes_.U32(header + 20, section.raw_offset);
    }
    return true;
  }

  uint32_t resource_rva() const { return resource_rva_; }

  // The file bytes of [rva, rva + size) when they lie whole within the file
  // data of one section.
  std::optional<std::string_view> MapRva(uint64_t rva, uint64_t size) const {
    for (const Section& section : sections_) {
      if (rva < section.virtual_address) continue;
      const uint64_t into = rva - section.virtual_address;
      if (into >= section.raw_size || size > section.raw_size - into) continue;
      const uint64_t offset = uint64_t{section.raw_offset} + into;
      if (bytes_.Has(offset, size)) return bytes_.View(offset, size);
    }
    return std::nullopt;
  }

 private:
  bool ReadResourceDirectory(uint64_t optional, uint16_t optional_size) {
    uint16_t magic = 0;
    if (!bytes_.U16(optional, magic)) return false;
    uint64_t count_at = 0;
    if (magic == kPe32Magic) {
      count_at = 92;
    } else if (magic == kPe32PlusMagic) {
      count_at = 108;
    } else {
      return false;
    }
    const uint64_t directories_at = count_at + 4;
    const uint64_t resource_at = directories_at + kResourceDirectoryIndex * 8;
    uint32_t directory_count = 0;
    if (optional_size < resource_at + 8 || !bytes_.U32(optional + count_at, directory_count) ||
        directory_count <= kResourceDirectoryIndex) {
      return false;
    }
    return bytes_.U32(optional + resource_at, resource_rva_) && resource_rva_ != 0;
  }

  Bytes bytes_;
  std::vector<Section> sections_;
  uint32_t resource_rva_ = 0;
};

struct ResourceEntry {
  uint32_t name = 0;    // an integer identifier unless the high bit is set
  uint32_t target = 0;  // a subdirectory when the high bit is set, else a data entry
  bool IsDirectory() const { return (target & kHighBit) != 0; }
  bool HasId(uint32_t id) const { return name == id; }
  uint32_t Offset() const { return target & ~kHighBit; }
};

// The entries of the resource directory at `offset` from the resource root.
std::optional<std::vector<ResourceEntry>> ReadDirectory(const PeImage& image, uint32_t offset) {
  const uint64_t at = uint64_t{image.resource_rva()} + offset;
  const auto header = image.MapRva(at, kResourceDirectorySize);
  if (!header) return std::nullopt;
  const Bytes head(*header);
  uint16_t named = 0;
  uint16_t numbered = 0;
  head.U16(12, named);
  head.U16(14, numbered);
  const uint64_t count = uint64_t{named} + numbered;
  const auto table = image.MapRva(at + kResourceDirectorySize, count * kResourceEntrySize);
  if (!table) return std::nullopt;
  const Bytes entries_bytes(*table);
  std::vector<ResourceEntry> entries(count);
  for (uint64_t i = 0; i < count; ++i) {
    entries_bytes.U32(i * kResourceEntrySize, entries[i].name);
    entries_bytes.U32(i * kResourceEntrySize + 4, entries[i].target);
  }
  return entries;
}

// The entry with the identifier, else (when `first_otherwise`) the first one.
const ResourceEntry* Choose(const std::vector<ResourceEntry>& entries, uint32_t id,
                            bool first_otherwise) {
  for (const ResourceEntry& entry : entries) {
    if (entry.HasId(id)) return &entry;
  }
  return first_otherwise && !entries.empty() ? &entries.front() : nullptr;
}

// The next level of the tree: the chosen entry must lead to a directory.
std::optional<std::vector<ResourceEntry>> Descend(const PeImage& image,
                                                  const ResourceEntry* entry) {
  if (entry == nullptr || !entry->IsDirectory()) return std::nullopt;
  return ReadDirectory(image, entry->Offset());
}

}  // namespace

std::optional<std::string> ExtractPeVersionResource(std::string_view file_bytes) {
  PeImage image(file_bytes);
  if (!image.ReadHeaders()) return std::nullopt;

  // Type, then name (VS_VERSION_INFO, else the first), then language (the
  // language-neutral one, else the first): three levels, never more, so a
  // directory that points back at itself cannot make the walk go round.
  const auto types = ReadDirectory(image, 0);
  if (!types) return std::nullopt;
  const auto names = Descend(image, Choose(*types, kRtVersion, false));
  if (!names) return std::nullopt;
  const auto languages = Descend(image, Choose(*names, kVersionInfoId, true));
  if (!languages) return std::nullopt;
  const ResourceEntry* leaf = Choose(*languages, kLanguageNeutral, true);
  if (leaf == nullptr || leaf->IsDirectory()) return std::nullopt;

  const auto data_entry =
      image.MapRva(uint64_t{image.resource_rva()} + leaf->Offset(), kResourceDataEntrySize);
  if (!data_entry) return std::nullopt;
  const Bytes entry(*data_entry);
  uint32_t data_rva = 0;
  uint32_t data_size = 0;
  entry.U32(0, data_rva);
  entry.U32(4, data_size);
  if (data_size == 0) return std::nullopt;
  const auto data = image.MapRva(data_rva, data_size);
  if (!data) return std::nullopt;
  return std::string(*data);
}

}  // namespace hotfix
