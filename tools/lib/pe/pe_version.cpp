#include "pe/pe_version.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "pe/pe_reader.h"
#include "pe/utf16.h"

namespace brantel::pe {
namespace {

using Reader = detail::BoundedReader;
using detail::Fail;

constexpr std::uint64_t kBlockHeaderSize = 6;  // wLength, wValueLength, wType
constexpr std::uint64_t kFixedInfoSize = 52;
constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr std::uint16_t kTextValue = 1;

std::uint64_t Align4(std::uint64_t n) {
  return (n + 3) & ~std::uint64_t{3};
}

// One block: its key, its value's bytes, and where its children lie, all inside the buffer.
struct Block {
  std::string key;
  std::uint16_t type = 0;
  std::uint64_t value_offset = 0;
  std::uint64_t value_size = 0;
  std::uint64_t children = 0;  // offset of the first child
  std::uint64_t end = 0;       // offset just past the block
};

// Reads the block at `offset`, which must end by `limit`.
Block ReadBlock(const Reader& bytes, std::uint64_t offset, std::uint64_t limit) {
  constexpr ErrorKind kTruncated = ErrorKind::kTruncatedVersionBlock;
  Reader header = bytes.At(offset, kTruncated);
  const std::uint16_t length = header.U16(kTruncated);
  if (length < kBlockHeaderSize || length > limit - offset) Fail(ErrorKind::kBadVersionBlockLength);
  Block block;
  block.end = offset + length;
  const std::uint16_t value_length = header.U16(kTruncated);
  block.type = header.U16(kTruncated);

  std::u16string key;
  for (;;) {
    if (block.end - header.position() < 2) Fail(ErrorKind::kUnterminatedVersionKey);
    const std::uint16_t unit = header.U16(ErrorKind::kUnterminatedVersionKey);
    if (unit == 0) break;
    key.push_back(static_cast<char16_t>(unit));
  }
  block.key = Utf8FromUtf16(key);

  block.value_offset = std::min(Align4(header.position()), block.end);
  // A text value's length counts UTF-16 units; writers that counted bytes instead are common,
  // so a text is cut at the block's end rather than refused.
  std::uint64_t value_size =
      block.type == kTextValue ? std::uint64_t{value_length} * 2 : value_length;
  if (value_size > block.end - block.value_offset) {
    if (block.type != kTextValue) Fail(ErrorKind::kVersionValuePastBlock);
    value_size = block.end - block.value_offset;
  }
  block.value_size = value_size;
  block.children = std::min(Align4(block.value_offset + value_size), block.end);
  return block;
}

// The children of `parent`, in order. Each is at least 8 bytes apart from the next, so their
// number is bounded by the parent's size.
std::vector<Block> Children(const Reader& bytes, const Block& parent) {
  std::vector<Block> children;
  std::uint64_t at = parent.children;
  while (parent.end - at >= kBlockHeaderSize) {
    // Zeros after the last child are padding.
    constexpr ErrorKind kTruncated = ErrorKind::kTruncatedVersionBlock;
    if (bytes.At(at, kTruncated).U16(kTruncated) == 0) break;
    children.push_back(ReadBlock(bytes, at, parent.end));
    at = std::min(Align4(children.back().end), parent.end);
  }
  return children;
}

// A text value up to its terminating zero.
std::string Text(const Reader& bytes, const Block& block) {
  constexpr ErrorKind kErr = ErrorKind::kVersionValuePastBlock;
  Reader value = bytes.At(block.value_offset, kErr);
  std::u16string units;
  for (std::uint64_t i = 0; i + 1 < block.value_size; i += 2) {
    const std::uint16_t unit = value.U16(kErr);
    if (unit == 0) break;
    units.push_back(static_cast<char16_t>(unit));
  }
  return Utf8FromUtf16(units);
}

// The string-table texts kept, each from the first table that has it.
constexpr std::pair<std::string_view, std::optional<std::string> VersionInfo::*> kTexts[] = {
    {"ProductName", &VersionInfo::productName},
    {"FileVersion", &VersionInfo::fileVersionText},
    {"ProductVersion", &VersionInfo::productVersionText},
    {"CompanyName", &VersionInfo::companyName},
};

VersionInfo Parse(std::span<const std::uint8_t> data) {
  const Reader bytes(data);
  const Block root = ReadBlock(bytes, 0, bytes.size());
  if (root.key != "VS_VERSION_INFO") Fail(ErrorKind::kBadVersionRootKey);
  VersionInfo info;
  if (root.value_size != 0) {
    constexpr ErrorKind kErr = ErrorKind::kBadFixedFileInfo;
    Reader fixed = bytes.At(root.value_offset, kErr);
    if (root.value_size < kFixedInfoSize || fixed.U32(kErr) != kFixedInfoSignature) Fail(kErr);
    fixed.Skip(4, kErr);  // the structure's version
    const std::uint32_t most = fixed.U32(kErr);
    const std::uint32_t least = fixed.U32(kErr);
    info.fileVersion = {static_cast<std::uint16_t>(most >> 16), static_cast<std::uint16_t>(most),
                        static_cast<std::uint16_t>(least >> 16), static_cast<std::uint16_t>(least)};
  }
  for (const Block& child : Children(bytes, root)) {
    if (child.key != "StringFileInfo") continue;
    for (const Block& table : Children(bytes, child)) {
      for (const Block& entry : Children(bytes, table)) {
        if (entry.key == "OLESelfRegister") info.oleSelfRegister = true;
        for (const auto& [key, text] : kTexts) {
          if (entry.key == key && !(info.*text)) info.*text = Text(bytes, entry);
        }
      }
    }
  }
  return info;
}

}  // namespace

VersionParse ParseVersionInfo(std::span<const std::uint8_t> block) {
  return detail::Capture<VersionParse>([&](VersionParse& outcome) { outcome.info = Parse(block); });
}

}  // namespace brantel::pe
