#include "image_builder.h"

#include <algorithm>
#include <map>

#include "bytes/little_endian.h"

namespace brantel::pe::testing {

void Bytes::U16(std::size_t offset, std::uint16_t value) {
  WriteU16At(data, offset, value);
}

void Bytes::U32(std::size_t offset, std::uint32_t value) {
  WriteU32At(data, offset, value);
}

void Bytes::Directory(std::size_t offset, std::uint16_t named, std::uint16_t ids) {
  for (std::size_t i = 0; i < 12; i += 4) U32(offset + i, 0);
  U16(offset + 12, named);
  U16(offset + 14, ids);
}

void Bytes::Entry(std::size_t offset, std::uint32_t name_field, std::uint32_t target) {
  U32(offset, name_field);
  U32(offset + 4, target);
}

void Bytes::DataEntry(std::size_t offset, std::uint32_t rva, std::uint32_t size,
                      std::uint32_t codePage) {
  U32(offset, rva);
  U32(offset + 4, size);
  U32(offset + 8, codePage);
  U32(offset + 12, 0);
}

void Bytes::Name(std::size_t offset, const std::u16string& units) {
  U16(offset, static_cast<std::uint16_t>(units.size()));
  for (std::size_t i = 0; i < units.size(); ++i) U16(offset + 2 + 2 * i, units[i]);
}

Bytes OneResource::Tree(std::uint16_t language, std::uint32_t size) {
  Bytes tree;
  tree.Directory(0, 0, 1);
  tree.Entry(kRootEntry, 10, 0x80000018);
  tree.Directory(0x18, 0, 1);
  tree.Entry(kTypeEntry, 1, 0x80000030);
  tree.Directory(0x30, 0, 1);
  tree.Entry(kNameEntry, language, kDataEntry);
  tree.DataEntry(kDataEntry, kSectionRva + kData, size);
  return tree;
}

std::size_t OptionalHeaderSize(bool pe32_plus) {
  return pe32_plus ? 0xF0 : 0xE0;
}

std::size_t SectionTableOffset(bool pe32_plus) {
  return kOptionalHeaderOffset + OptionalHeaderSize(pe32_plus);
}

std::vector<std::uint8_t> BuildImage(const std::vector<std::uint8_t>& section,
                                     const ImageOptions& options) {
  Bytes image;
  image.U16(0, 0x5A4D);
  image.U32(0x3C, kPeOffset);
  image.U32(kPeOffset, 0x00004550);
  image.U16(kFileHeaderOffset, options.pe32_plus ? 0x8664 : 0x14C);
  image.U16(kFileHeaderOffset + 2, static_cast<std::uint16_t>(options.empty_sections_before + 1));
  image.U16(kFileHeaderOffset + 16,
            static_cast<std::uint16_t>(OptionalHeaderSize(options.pe32_plus)));
  image.U16(kOptionalHeaderOffset, options.pe32_plus ? 0x20B : 0x10B);
  const std::size_t directories = kOptionalHeaderOffset + (options.pe32_plus ? 112 : 96);
  image.U32(directories - 4, options.directory_count);
  image.U32(directories + 16, options.resource_rva);
  image.U32(directories + 20, static_cast<std::uint32_t>(section.size()));

  std::size_t header = SectionTableOffset(options.pe32_plus);
  for (std::size_t i = 0; i < options.empty_sections_before; ++i, header += 40) {
    image.U32(header + 12, kSectionRva / 2);
  }
  const std::string_view name = ".rsrc";
  image.Resize(header + 40);
  const std::size_t file_offset =
      std::max<std::size_t>(kSectionFileOffset, (header + 40 + 0x1FF) & ~std::size_t{0x1FF});
  std::copy(name.begin(), name.end(), image.data.begin() + static_cast<std::ptrdiff_t>(header));
  const std::uint32_t size = static_cast<std::uint32_t>(section.size());
  image.U32(header + 8, options.virtual_size != 0 ? options.virtual_size : size);
  image.U32(header + 12, kSectionRva);
  image.U32(header + 16, size);
  image.U32(header + 20, static_cast<std::uint32_t>(file_offset));

  image.Resize(file_offset);
  image.data.insert(image.data.end(), section.begin(), section.end());
  return image.data;
}

namespace {

using Key = std::variant<std::uint16_t, std::u16string>;

// Resource compilers sort named entries first, by text, then numbered ones by number.
bool KeyLess(const Key& a, const Key& b) {
  if (a.index() != b.index()) return a.index() > b.index();
  return a < b;
}

std::size_t Align8(std::size_t n) {
  return (n + 7) & ~std::size_t{7};
}

struct KeyOrder {
  bool operator()(const Key& a, const Key& b) const { return KeyLess(a, b); }
};
using Languages = std::map<std::uint16_t, const Resource*>;
using Names = std::map<Key, Languages, KeyOrder>;
using Types = std::map<Key, Names, KeyOrder>;

// Where every table, data entry, name string and block of data goes in the section.
struct Layout {
  std::map<const void*, std::size_t> tables;  // names and languages levels, and data entries
  std::map<const void*, std::size_t> names;
  std::map<const Resource*, std::size_t> data;
};

template <typename Level>
std::uint16_t NamedCount(const Level& level) {
  return static_cast<std::uint16_t>(std::count_if(
      level.begin(), level.end(), [](const auto& kv) { return kv.first.index() == 1; }));
}

// The order compilers emit: directory tables, data entries, name strings, then the data.
Layout LayOut(const Types& types, const std::vector<Resource>& resources) {
  Layout layout;
  std::size_t offset = 16 + 8 * types.size();
  for (const auto& [type, names] : types) {
    layout.tables[&names] = offset;
    offset += 16 + 8 * names.size();
  }
  for (const auto& [type, names] : types) {
    for (const auto& [name, languages] : names) {
      layout.tables[&languages] = offset;
      offset += 16 + 8 * languages.size();
    }
  }
  for (const Resource& r : resources) {
    layout.tables[&r] = offset;
    offset += 16;
  }
  const auto place_name = [&](const Key& key) {
    if (key.index() != 1) return;
    layout.names[&key] = offset;
    offset += 2 + 2 * std::get<1>(key).size();
  };
  for (const auto& [type, names] : types) {
    place_name(type);
    for (const auto& [name, languages] : names) place_name(name);
  }
  for (const Resource& r : resources) {
    offset = Align8(offset);
    layout.data[&r] = offset;
    offset += r.data.size();
  }
  return layout;
}

void WriteDirectories(Bytes& out, const Types& types, const Layout& layout) {
  const auto key_field = [&](const Key& key) {
    return key.index() == 1 ? static_cast<std::uint32_t>(0x80000000u | layout.names.at(&key))
                            : std::uint32_t{std::get<0>(key)};
  };
  const auto subdirectory = [](std::size_t at) {
    return static_cast<std::uint32_t>(0x80000000u | at);
  };
  out.Directory(0, NamedCount(types), static_cast<std::uint16_t>(types.size() - NamedCount(types)));
  std::size_t entry = 16;
  for (const auto& [type, names] : types) {
    const std::size_t names_at = layout.tables.at(&names);
    out.Entry(entry, key_field(type), subdirectory(names_at));
    entry += 8;
    out.Directory(names_at, NamedCount(names),
                  static_cast<std::uint16_t>(names.size() - NamedCount(names)));
    std::size_t name_entry = names_at + 16;
    for (const auto& [name, languages] : names) {
      const std::size_t languages_at = layout.tables.at(&languages);
      out.Entry(name_entry, key_field(name), subdirectory(languages_at));
      name_entry += 8;
      out.Directory(languages_at, 0, static_cast<std::uint16_t>(languages.size()));
      std::size_t language_entry = languages_at + 16;
      for (const auto& [language, resource] : languages) {
        out.Entry(language_entry, language, static_cast<std::uint32_t>(layout.tables.at(resource)));
        language_entry += 8;
      }
    }
  }
}

void WriteNamesAndData(Bytes& out, const std::vector<Resource>& resources, const Layout& layout) {
  for (const auto& [key, name_offset] : layout.names) {
    out.Name(name_offset, std::get<1>(*static_cast<const Key*>(key)));
  }
  for (const Resource& r : resources) {
    const std::size_t data_at = layout.data.at(&r);
    out.DataEntry(layout.tables.at(&r), static_cast<std::uint32_t>(kSectionRva + data_at),
                  static_cast<std::uint32_t>(r.data.size()));
    out.Resize(std::max(out.data.size(), data_at + r.data.size()));
    std::copy(r.data.begin(), r.data.end(),
              out.data.begin() + static_cast<std::ptrdiff_t>(data_at));
  }
}

}  // namespace

std::vector<std::uint8_t> BuildResourceSection(std::vector<Resource> resources) {
  Types types;
  for (const Resource& r : resources) types[r.type][r.name][r.language] = &r;
  const Layout layout = LayOut(types, resources);
  Bytes out;
  WriteDirectories(out, types, layout);
  WriteNamesAndData(out, resources, layout);
  return out.data;
}

}  // namespace brantel::pe::testing
