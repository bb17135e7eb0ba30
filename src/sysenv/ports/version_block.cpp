#include "sysenv/ports/version_block.h"

#include <algorithm>
#include <cstdio>

#include "base/codepage.h"
#include "base/text.h"

namespace hotfix {
namespace {

constexpr uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
constexpr size_t kFixedFileInfoSize = 52;
constexpr size_t kNodeHeaderSize = 6;  // wLength, wValueLength, wType
constexpr uint16_t kTextValue = 1;

uint16_t ReadU16(std::string_view data, size_t offset) {
  return static_cast<uint16_t>(static_cast<unsigned char>(data[offset]) |
                               (static_cast<unsigned char>(data[offset + 1]) << 8));
}

uint32_t ReadU32(std::string_view data, size_t offset) {
  return static_cast<uint32_t>(ReadU16(data, offset)) |
         (static_cast<uint32_t>(ReadU16(data, offset + 2)) << 16);
}

size_t AlignUp4(size_t offset) { return (offset + 3) & ~static_cast<size_t>(3); }

// UTF-16 text from `offset` up to its terminating zero, which must lie
// before `end`. Nothing when there is no terminator.
std::optional<std::string> ReadZeroTerminated(std::string_view data, size_t offset, size_t end,
                                              size_t* after = nullptr) {
  for (size_t p = offset; p + 2 <= end; p += 2) {
    if (ReadU16(data, p) == 0) {
      if (after != nullptr) *after = p + 2;
      return Utf16LeToUtf8(data.substr(offset, p - offset));
    }
  }
  return std::nullopt;
}

// One node of the block: header, key, value and children, all within
// [offset, offset + length) of the whole block. Alignment is counted from the
// block's start, as the resource compiler lays it out.
struct Node {
  size_t offset = 0;
  size_t end = 0;
  uint16_t value_length = 0;
  uint16_t type = 0;
  std::string key;
  size_t value_offset = 0;  // may equal `end` when the node has no room for a value
  size_t children_offset = 0;

  size_t ValueBytes() const { return type == kTextValue ? value_length * size_t{2} : value_length; }
  size_t ValueAvailable() const { return end - value_offset; }
};

std::optional<Node> ReadNode(std::string_view data, size_t offset, size_t limit) {
  if (offset > limit || limit - offset < kNodeHeaderSize) return std::nullopt;
  Node node;
  node.offset = offset;
  const size_t length = ReadU16(data, offset);
  if (length < kNodeHeaderSize || length > limit - offset) return std::nullopt;
  node.end = offset + length;
  node.value_length = ReadU16(data, offset + 2);
  node.type = ReadU16(data, offset + 4);
  size_t after_key = 0;
  auto key = ReadZeroTerminated(data, offset + kNodeHeaderSize, node.end, &after_key);
  if (!key) return std::nullopt;
  node.key = std::move(*key);
  node.value_offset = std::min(AlignUp4(after_key), node.end);
  const size_t value_end = node.value_offset + std::min(node.ValueBytes(), node.ValueAvailable());
  node.children_offset = std::min(AlignUp4(value_end), node.end);
  return node;
}

// The children of a node in order; stops at the first damaged one.
std::vector<Node> Children(std::string_view data, const Node& parent) {
  std::vector<Node> children;
  size_t offset = parent.children_offset;
  while (offset < parent.end) {
    auto child = ReadNode(data, offset, parent.end);
    if (!child) break;
    offset = AlignUp4(child->end);  // each child is at least a header long
    children.push_back(std::move(*child));
  }
  return children;
}

const Node* FindChild(const std::vector<Node>& children, std::string_view key) {
  for (const Node& child : children) {
    if (SameText(child.key, key)) return &child;
  }
  return nullptr;
}

std::optional<FixedFileVersion> ReadFixedFileInfo(std::string_view data, const Node& root) {
  if (root.value_length < kFixedFileInfoSize || root.ValueAvailable() < kFixedFileInfoSize) {
    return std::nullopt;
  }
  const size_t at = root.value_offset;
  if (ReadU32(data, at) != kFixedFileInfoSignature) return std::nullopt;
  const uint32_t most = ReadU32(data, at + 8);
  const uint32_t least = ReadU32(data, at + 12);
  return FixedFileVersion{static_cast<uint16_t>(most >> 16), static_cast<uint16_t>(most),
                          static_cast<uint16_t>(least >> 16), static_cast<uint16_t>(least)};
}

std::string TextValue(std::string_view data, const Node& node) {
  if (node.value_length == 0) return {};
  // Compilers disagree on whether the length counts the terminator (or
  // bytes instead of characters); the text ends at its zero or at the node.
  size_t p = node.value_offset;
  while (p + 2 <= node.end && ReadU16(data, p) != 0) p += 2;
  return Utf16LeToUtf8(data.substr(node.value_offset, p - node.value_offset));
}

}  // namespace

std::string FixedFileVersion::Text() const {
  return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(release) + "." +
         std::to_string(build);
}

std::optional<VersionBlock> VersionBlock::Parse(std::string_view data) {
  const auto root = ReadNode(data, 0, data.size());
  if (!root) return std::nullopt;
  VersionBlock block;
  block.fixed_version_ = ReadFixedFileInfo(data, *root);

  const std::vector<Node> sections = Children(data, *root);
  if (const Node* strings = FindChild(sections, "StringFileInfo")) {
    for (const Node& table : Children(data, *strings)) {
      StringTable parsed{table.key, {}};
      for (const Node& value : Children(data, table)) {
        parsed.values.emplace_back(value.key, TextValue(data, value));
      }
      block.string_tables_.push_back(std::move(parsed));
    }
  }
  if (const Node* vars = FindChild(sections, "VarFileInfo")) {
    const std::vector<Node> entries = Children(data, *vars);
    const Node* translation = FindChild(entries, "Translation");
    if (translation != nullptr && translation->value_length >= 4 &&
        translation->ValueAvailable() >= 4) {
      block.translation_ = ReadU32(data, translation->value_offset);
    }
  }
  return block;
}

std::string VersionBlock::Translation() const {
  if (!translation_) return {};
  char text[9];
  std::snprintf(text, sizeof text, "%04X%04X", static_cast<unsigned>(*translation_ & 0xFFFF),
                static_cast<unsigned>(*translation_ >> 16));
  return text;
}

std::optional<std::string> VersionBlock::QueryString(std::string_view table,
                                                     std::string_view name) const {
  for (const StringTable& candidate : string_tables_) {
    if (!SameText(candidate.key, table)) continue;
    for (const auto& [key, value] : candidate.values) {
      if (SameText(key, name)) return value;
    }
    return std::nullopt;
  }
  return std::nullopt;
}

std::string VersionBlock::StringValue(std::string_view name) const {
  const std::string table = Translation();
  if (table.empty()) return {};
  return QueryString(table, name).value_or(std::string());
}

std::string VersionBlock::FileVersion() const {
  std::string text = StringValue("FileVersion");
  if (text.empty() && fixed_version_) text = fixed_version_->Text();
  return text;
}

}  // namespace hotfix
