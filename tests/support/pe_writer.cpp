#include "support/pe_writer.h"

#include "base/codepage.h"

namespace hotfix::testing {
namespace {

void PutU16(std::string& out, size_t at, uint16_t value) {
  if (out.size() < at + 2) out.resize(at + 2, '\0');
  out[at] = static_cast<char>(value & 0xFF);
  out[at + 1] = static_cast<char>(value >> 8);
}

void PutU32(std::string& out, size_t at, uint32_t value) {
  PutU16(out, at, static_cast<uint16_t>(value));
  PutU16(out, at + 2, static_cast<uint16_t>(value >> 16));
}

void PutU64(std::string& out, size_t at, uint64_t value) {
  PutU32(out, at, static_cast<uint32_t>(value));
  PutU32(out, at + 4, static_cast<uint32_t>(value >> 32));
}

void AppendU32(std::string& out, uint32_t value) { PutU32(out, out.size(), value); }

void PadTo4(std::string& out) {
  while (out.size() % 4 != 0) out.push_back('\0');
}

size_t AlignUp(size_t value, size_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

std::string Wide(const std::string& utf8) { return Utf8ToUtf16Le(utf8) + std::string(2, '\0'); }

// One node: wLength, wValueLength, wType, key, padding, value, padding,
// children (each already padded to 4 bytes).
std::string Node(const std::string& key, const std::string& value, uint16_t value_length,
                 uint16_t type, const std::string& children) {
  std::string out(6, '\0');
  out += Wide(key);
  PadTo4(out);
  out += value;
  PadTo4(out);
  out += children;
  PutU16(out, 0, static_cast<uint16_t>(out.size()));
  PutU16(out, 2, value_length);
  PutU16(out, 4, type);
  PadTo4(out);
  return out;
}

std::string FixedFileInfo(const std::array<uint16_t, 4>& v) {
  std::string out;
  AppendU32(out, 0xFEEF04BD);
  AppendU32(out, 0x00010000);
  const uint32_t most = (uint32_t{v[0]} << 16) | v[1];
  const uint32_t least = (uint32_t{v[2]} << 16) | v[3];
  AppendU32(out, most);  // file version
  AppendU32(out, least);
  AppendU32(out, most);  // product version
  AppendU32(out, least);
  AppendU32(out, 0x3F);     // flags mask
  AppendU32(out, 0);        // flags
  AppendU32(out, 0x40004);  // VOS_NT_WINDOWS32
  AppendU32(out, 1);        // VFT_APP
  AppendU32(out, 0);
  AppendU32(out, 0);
  AppendU32(out, 0);
  return out;
}

// The resource tree: type -> name -> language -> data, in the order given.
struct Tree {
  struct Name {
    uint32_t id;
    std::vector<std::pair<uint16_t, const std::string*>> languages;
  };
  struct Type {
    uint32_t id;
    std::vector<Name> names;
  };
  std::vector<Type> types;

  explicit Tree(const std::vector<PeFileContents::Resource>& resources) {
    for (const auto& r : resources) {
      Type* type = nullptr;
      for (auto& t : types) {
        if (t.id == r.type) type = &t;
      }
      if (type == nullptr) type = &types.emplace_back(Type{r.type, {}});
      Name* name = nullptr;
      for (auto& n : type->names) {
        if (n.id == r.name) name = &n;
      }
      if (name == nullptr) name = &type->names.emplace_back(Name{r.name, {}});
      name->languages.emplace_back(r.language, &r.data);
    }
  }
};

constexpr uint32_t kSubdirectory = 0x80000000;

std::string DirectoryHeader(size_t entries) {
  std::string out(16, '\0');
  PutU16(out, 14, static_cast<uint16_t>(entries));  // all numbered entries
  return out;
}

size_t DirectorySize(size_t entries) { return 16 + 8 * entries; }

// Lays out the type directory, the name directories, the language
// directories, the data entries and the data, in that order.
std::string BuildResourceSection(const std::vector<PeFileContents::Resource>& resources,
                                 uint32_t section_rva) {
  const Tree tree(resources);
  const size_t name_directories_at = DirectorySize(tree.types.size());
  size_t language_directories_at = name_directories_at;
  size_t leaf_count = 0;
  for (const auto& type : tree.types) {
    language_directories_at += DirectorySize(type.names.size());
    for (const auto& name : type.names) leaf_count += name.languages.size();
  }
  size_t data_entries_at = language_directories_at;
  for (const auto& type : tree.types) {
    for (const auto& name : type.names) data_entries_at += DirectorySize(name.languages.size());
  }
  const size_t data_at = data_entries_at + 16 * leaf_count;

  std::string types = DirectoryHeader(tree.types.size());
  std::string names;
  std::string languages;
  std::string data_entries;
  std::string data;
  size_t next_name_directory = name_directories_at;
  size_t next_language_directory = language_directories_at;
  for (const auto& type : tree.types) {
    AppendU32(types, type.id);
    AppendU32(types, kSubdirectory | static_cast<uint32_t>(next_name_directory));
    next_name_directory += DirectorySize(type.names.size());
    names += DirectoryHeader(type.names.size());
    for (const auto& name : type.names) {
      AppendU32(names, name.id);
      AppendU32(names, kSubdirectory | static_cast<uint32_t>(next_language_directory));
      next_language_directory += DirectorySize(name.languages.size());
      languages += DirectoryHeader(name.languages.size());
      for (const auto& [language, bytes] : name.languages) {
        AppendU32(languages, language);
        AppendU32(languages, static_cast<uint32_t>(data_entries_at + data_entries.size()));
        data.resize(AlignUp(data.size(), 8), '\0');
        AppendU32(data_entries, static_cast<uint32_t>(section_rva + data_at + data.size()));
        AppendU32(data_entries, static_cast<uint32_t>(bytes->size()));
        AppendU32(data_entries, 0);  // code page
        AppendU32(data_entries, 0);
        data += *bytes;
      }
    }
  }
  return types + names + languages + data_entries + data;
}

}  // namespace

std::string BuildVersionBlock(const VersionBlockContents& contents) {
  std::string children;
  if (!contents.string_tables.empty()) {
    std::string tables;
    for (const auto& table : contents.string_tables) {
      std::string strings;
      for (const auto& [name, value] : table.strings) {
        const std::string text = Wide(value);
        strings += Node(name, text, static_cast<uint16_t>(text.size() / 2), 1, "");
      }
      tables += Node(table.key, "", 0, 1, strings);
    }
    children += Node("StringFileInfo", "", 0, 1, tables);
  }
  if (!contents.translations.empty()) {
    std::string value;
    for (const auto& [language, code_page] : contents.translations) {
      AppendU32(value, language | (uint32_t{code_page} << 16));
    }
    const std::string var = Node("Translation", value, static_cast<uint16_t>(value.size()), 0, "");
    children += Node("VarFileInfo", "", 0, 1, var);
  }
  const std::string fixed = contents.fixed_version ? FixedFileInfo(*contents.fixed_version) : "";
  return Node("VS_VERSION_INFO", fixed, static_cast<uint16_t>(fixed.size()), 0, children);
}

std::string BuildPeFile(const PeFileContents& contents) {
  const PeLayout layout = kPeLayout;
  constexpr uint32_t kFileAlignment = 0x200;
  constexpr uint32_t kSectionAlignment = 0x1000;
  constexpr uint32_t kCodeRva = 0x1000;
  constexpr uint32_t kCodeOffset = 0x200;
  const bool has_resources = !contents.resources.empty();
  const std::string resources =
      has_resources ? BuildResourceSection(contents.resources, layout.resource_section_rva) : "";
  const uint32_t resource_raw_size =
      static_cast<uint32_t>(AlignUp(resources.size(), kFileAlignment));

  std::string file(layout.pe_header, '\0');
  file[0] = 'M';
  file[1] = 'Z';
  PutU32(file, 0x3C, layout.pe_header);

  const size_t coff = layout.pe_header + 4;
  const uint16_t optional_size = contents.pe32_plus ? 240 : 224;
  const uint16_t section_count = has_resources ? 2 : 1;
  file += std::string("PE\0\0", 4);
  PutU16(file, coff, contents.pe32_plus ? 0x8664 : 0x14C);
  PutU16(file, coff + 2, section_count);
  PutU16(file, coff + 16, optional_size);
  PutU16(file, coff + 18, contents.pe32_plus ? 0x0022 : 0x0102);

  const size_t optional = coff + 20;
  file.resize(optional + optional_size, '\0');
  PutU16(file, optional, contents.pe32_plus ? 0x20B : 0x10B);
  PutU32(file, optional + 4, kFileAlignment);  // size of code
  PutU32(file, optional + 16, kCodeRva);       // entry point
  PutU32(file, optional + 20, kCodeRva);       // base of code
  if (contents.pe32_plus) {
    PutU64(file, optional + 24, 0x140000000ULL);
  } else {
    PutU32(file, optional + 28, 0x400000);
  }
  PutU32(file, optional + 32, kSectionAlignment);
  PutU32(file, optional + 36, kFileAlignment);
  PutU16(file, optional + 40, 6);  // operating system 6.0
  PutU16(file, optional + 48, 6);  // subsystem 6.0
  PutU32(file, optional + 56,
         layout.resource_section_rva +
             static_cast<uint32_t>(AlignUp(resources.size() + 1, kSectionAlignment)));
  PutU32(file, optional + 60, kCodeOffset);  // size of headers
  PutU16(file, optional + 68, 2);            // Windows GUI
  const size_t directories = optional + (contents.pe32_plus ? 112 : 96);
  PutU32(file, directories - 4, 16);
  if (has_resources) {
    PutU32(file, directories + 16, layout.resource_section_rva);
    PutU32(file, directories + 20, static_cast<uint32_t>(resources.size()));
  }

  auto add_section = [&](const char* name, uint32_t virtual_size, uint32_t rva, uint32_t raw_size,
                         uint32_t raw_offset, uint32_t characteristics) {
    std::string header(40, '\0');
    for (size_t i = 0; i < 8 && name[i] != '\0'; ++i) header[i] = name[i];
    PutU32(header, 8, virtual_size);
    PutU32(header, 12, rva);
    PutU32(header, 16, raw_size);
    PutU32(header, 20, raw_offset);
    PutU32(header, 36, characteristics);
    file += header;
  };
  add_section(".text", 1, kCodeRva, kFileAlignment, kCodeOffset, 0x60000020);
  if (has_resources) {
    add_section(".rsrc", static_cast<uint32_t>(resources.size()), layout.resource_section_rva,
                resource_raw_size, layout.resource_section_offset, 0x40000040);
  }

  file.resize(kCodeOffset, '\0');
  file += std::string(kFileAlignment, '\0');
  file[kCodeOffset] = '\xC3';  // ret
  if (has_resources) {
    file += resources;
    file.resize(layout.resource_section_offset + resource_raw_size, '\0');
  }
  return file;
}

std::string BuildPeWithVersion(const std::string& version_block, bool pe32_plus) {
  PeFileContents contents;
  contents.pe32_plus = pe32_plus;
  contents.resources.push_back({3, 1, 0x0C0A, std::string(40, '\x11')});  // RT_ICON
  contents.resources.push_back({16, 1, 0, version_block});
  return BuildPeFile(contents);
}

}  // namespace hotfix::testing
