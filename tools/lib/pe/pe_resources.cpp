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
    if (!tree_.Fits(offset, kDirectoryHeaderSize)) Fail(kErr);
    const std::uint64_t count =
        std::uint64_t{tree_.U16(offset + 12, kErr)} + tree_.U16(offset + 14, kErr);
    if (count > entry_budget_) Fail(ErrorKind::kAbsurdEntryCount);
    entry_budget_ -= count;
    const std::uint64_t entries = offset + kDirectoryHeaderSize;
    if (!tree_.Fits(entries, count * kEntrySize)) Fail(ErrorKind::kEntryPastEnd);

    for (std::uint64_t i = 0; i < count; ++i) {
      const std::uint64_t entry = entries + i * kEntrySize;
      const std::uint32_t name_field = tree_.U32(entry, ErrorKind::kEntryPastEnd);
      const std::uint32_t target = tree_.U32(entry + 4, ErrorKind::kEntryPastEnd);
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
    const std::uint64_t length = tree_.U16(offset, kErr);
    const std::span<const std::uint8_t> units = tree_.Bytes(offset + 2, length * 2, kErr);
    Charge(units.size());
    return Utf8FromUtf16Le(units);
  }

  void Leaf(std::uint64_t offset) {
    constexpr ErrorKind kErr = ErrorKind::kDataEntryPastEnd;
    if (!tree_.Fits(offset, kDataEntrySize)) Fail(kErr);
    const std::uint32_t rva = tree_.U32(offset, kErr);
    const std::uint32_t size = tree_.U32(offset + 4, kErr);
    ResourceLeaf leaf{
        .type = path_[0],
        .name = path_[1],
        .language = path_[2],
        .codePage = tree_.U32(offset + 8, kErr),
        .reserved = tree_.U32(offset + 12, kErr),
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
