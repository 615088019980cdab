#include "pe/pe_resources.h"

#include <unordered_set>
#include <utility>

#include "common/ascii.h"
#include "common/error.h"
#include "pe/pe_image.h"
#include "pe/pe_reader.h"
#include "pe/utf16.h"

namespace brantel::pe {
namespace {

using detail::Fail;

constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::uint64_t kDirectoryHeaderSize = 16;
constexpr std::uint64_t kEntryCountsOffset = 12;  // the named entries' count, then the ids'
constexpr std::uint64_t kEntrySize = 8;
constexpr std::uint64_t kDataEntrySize = 16;
constexpr std::uint32_t kHighBit = 0x80000000u;
// Type, name and language: the only shape the loader understands.
constexpr int kLanguageDepth = 2;

// Walks the directory tree below the resource section's root. Every offset in the tree is
// relative to the root, so `tree_` covers the root up to the end of its section.
class TreeWalker {
 public:
  TreeWalker(const detail::Image& image, std::span<const std::uint8_t> tree)
      : image_(image),
        tree_(tree),
        // Entries of a sound tree never share bytes, so the section bounds how many there are;
        // the texts the leaves carry are bounded in proportion, whatever the tree reuses.
        entry_budget_(tree.size() / kEntrySize),
        text_budget_(4 * tree.size() + 4096) {}

  ResourceTree Walk() {
    Directory(0, 0);
    return std::move(leaves_);
  }

 private:
  void Directory(std::uint64_t offset, int depth) {
    if (!visited_.insert(offset).second) Fail(ErrorKind::kDirectoryLoop);
    constexpr ErrorKind kErr = ErrorKind::kDirectoryPastEnd;
    detail::BoundedReader at = tree_.At(offset, kErr);
    detail::BoundedReader header = at.Sub(kDirectoryHeaderSize, kErr);
    header.Skip(kEntryCountsOffset, kErr);
    const std::uint64_t named = header.U16(kErr);
    const std::uint64_t count = named + header.U16(kErr);
    if (count > entry_budget_) Fail(ErrorKind::kAbsurdEntryCount);
    entry_budget_ -= count;
    detail::BoundedReader entries = at.Sub(count * kEntrySize, ErrorKind::kEntryPastEnd);

    for (std::uint64_t i = 0; i < count; ++i) {
      const std::uint32_t name_field = entries.U32(ErrorKind::kEntryPastEnd);
      const std::uint32_t target = entries.U32(ErrorKind::kEntryPastEnd);
      path_[depth] = (name_field & kHighBit) != 0 ? ResourceKey(Name(name_field & ~kHighBit))
                                                  : ResourceKey(name_field);
      if ((target & kHighBit) != 0) {
        if (depth == kLanguageDepth) Fail(ErrorKind::kTreeTooDeep);
        Directory(target & ~kHighBit, depth + 1);
      } else {
        if (depth != kLanguageDepth) Fail(ErrorKind::kDataEntryAboveLanguage);
        Leaf(target);
      }
    }
  }

  std::string Name(std::uint64_t offset) {
    constexpr ErrorKind kErr = ErrorKind::kNamePastEnd;
    detail::BoundedReader name = tree_.At(offset, kErr);
    const std::uint64_t length = name.U16(kErr);
    const std::span<const std::uint8_t> units = name.Bytes(length * 2, kErr);
    Charge(units.size());
    return Utf8FromUtf16Le(units);
  }

  void Leaf(std::uint64_t offset) {
    constexpr ErrorKind kErr = ErrorKind::kDataEntryPastEnd;
    detail::BoundedReader entry = tree_.At(offset, kErr).Sub(kDataEntrySize, kErr);
    const std::uint32_t rva = entry.U32(kErr);
    const std::uint32_t size = entry.U32(kErr);
    ResourceLeaf leaf{
        .type = path_[0],
        .name = path_[1],
        .language = path_[2],
        .codePage = entry.U32(kErr),
        .reserved = entry.U32(kErr),
        .rva = rva,
        .size = size,
        .data = image_.Map(rva, size, ErrorKind::kDataOutsideSections, ErrorKind::kDataPastEnd)};
    Charge(leaf.type.text.size() + leaf.name.text.size() + leaf.language.text.size());
    leaves_.push_back(std::move(leaf));
  }

  void Charge(std::uint64_t text_bytes) {
    if (text_bytes > text_budget_) Fail(ErrorKind::kTreeLargerThanSection);
    text_budget_ -= text_bytes;
  }

  const detail::Image& image_;
  detail::BoundedReader tree_;
  std::uint64_t entry_budget_;
  std::uint64_t text_budget_;
  std::unordered_set<std::uint64_t> visited_;
  ResourceKey path_[kLanguageDepth + 1] = {0u, 0u, 0u};
  ResourceTree leaves_;
};

ResourceTree ReadTree(std::span<const std::uint8_t> bytes) {
  const detail::Image image(bytes);
  const std::uint32_t root_rva = image.Directory(kResourceDirectoryIndex).address;
  if (root_rva == 0) return {};

  // Offsets in the tree are relative to the root and may reach the end of the root's section.
  const detail::Location root = image.Locate(root_rva, 0, ErrorKind::kResourceRvaOutsideSections,
                                             ErrorKind::kResourceRvaOutsideSections);
  return TreeWalker(image, image.Bytes(root, root.section->extent - root.within)).Walk();
}

}  // namespace

ResourceParse ParseResources(std::span<const std::uint8_t> image) {
  return detail::Capture<ResourceParse>(
      [&](ResourceParse& outcome) { outcome.tree = ReadTree(image); });
}

ResourceTree ReadResourceTree(std::span<const std::uint8_t> image) {
  ResourceParse parsed = ParseResources(image);
  if (parsed.error != ErrorKind::kNone) {
    throw Error(error_code::kBadFormat, Describe(parsed.error));
  }
  return std::move(parsed.tree);
}

bool KeyMatches(const ResourceKey& key, const ResourceKey& query) {
  if (key.isText != query.isText) return false;
  return key.isText ? AsciiEqualIgnoringCase(key.text, query.text) : key.id == query.id;
}

std::optional<std::span<const std::uint8_t>> FindResource(const ResourceTree& tree,
                                                          const ResourceKey& type,
                                                          const ResourceKey& name) {
  for (const ResourceLeaf& leaf : tree) {
    if (KeyMatches(leaf.type, type) && KeyMatches(leaf.name, name)) return leaf.data;
  }
  return std::nullopt;
}

bool HasResourceType(const ResourceTree& tree, const ResourceKey& type) {
  for (const ResourceLeaf& leaf : tree) {
    if (KeyMatches(leaf.type, type)) return true;
  }
  return false;
}

}  // namespace brantel::pe
