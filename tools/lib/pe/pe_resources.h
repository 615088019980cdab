#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pe/pe_error.h"

namespace brantel::pe {

// A resource type, name or language: either a number or a text (converted to UTF-8).
struct ResourceKey {
  // Implicit on purpose, so that lookups read as FindResource(tree, "CUSTOM", "VBAME.DLL") or
  // FindResource(tree, 14, 1).
  ResourceKey(std::uint32_t number) : isText(false), id(number) {}
  ResourceKey(std::string_view name) : isText(true), text(name) {}
  ResourceKey(const char* name) : isText(true), text(name) {}

  bool isText;
  std::uint32_t id = 0;
  std::string text;

  friend bool operator==(const ResourceKey&, const ResourceKey&) = default;
};

// One data entry of the tree with the path that leads to it. `data` views the image that was
// parsed and is valid only as long as that image is.
struct ResourceLeaf {
  ResourceKey type;
  ResourceKey name;
  ResourceKey language;
  std::uint32_t codePage = 0;
  std::uint32_t reserved = 0;
  std::uint32_t rva = 0;
  std::uint32_t size = 0;
  std::span<const std::uint8_t> data;
};

// The leaves in the order the directories list them. An image without a resource directory
// has an empty tree.
using ResourceTree = std::vector<ResourceLeaf>;

struct ResourceParse {
  ErrorKind error = ErrorKind::kNone;
  ResourceTree tree;  // empty unless `error` is kNone
};

// Reads the resource tree of a PE32 or PE32+ image held in memory, as its file is laid out on
// disk. Never reads outside `image`.
ResourceParse ParseResources(std::span<const std::uint8_t> image);

// As ParseResources, but throws Error(kBadFormat) carrying the error's description on a broken
// image.
ResourceTree ReadResourceTree(std::span<const std::uint8_t> image);

// Whether a key matches a query: numbers by value, texts with ASCII letters compared without
// regard to case. A number never matches a text.
bool KeyMatches(const ResourceKey& key, const ResourceKey& query);

// The bytes of the first leaf with that type and name, whatever its language.
std::optional<std::span<const std::uint8_t>> FindResource(const ResourceTree& tree,
                                                          const ResourceKey& type,
                                                          const ResourceKey& name);

bool HasResourceType(const ResourceTree& tree, const ResourceKey& type);

}  // namespace brantel::pe
