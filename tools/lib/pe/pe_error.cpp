#include "pe/pe_error.h"

#include <cstddef>
#include <iterator>
#include <utility>

namespace brantel::pe {
namespace {

using enum ErrorKind;

// Listed in the order of the kinds, so that a kind is its own index.
constexpr std::pair<ErrorKind, const char*> kDescriptions[] = {
    {kNone, "no error"},
    {kTruncatedDosHeader, "PE image: truncated DOS header"},
    {kBadDosSignature, "PE image: no MZ signature"},
    {kBadPeOffset, "PE image: e_lfanew points past the end"},
    {kBadPeSignature, "PE image: no PE signature at e_lfanew"},
    {kTruncatedFileHeader, "PE image: truncated file header"},
    {kTruncatedOptionalHeader, "PE image: truncated optional header"},
    {kBadOptionalHeaderMagic, "PE image: optional header is neither PE32 nor PE32+"},
    {kTruncatedSectionTable, "PE image: truncated section table"},
    {kSectionsOutOfOrder, "PE image: sections not in ascending order of address, or overlapping"},
    {kSectionPastEnd, "PE image: section data past the end of the file"},
    {kResourceRvaOutsideSections, "PE resources: root RVA outside every section"},
    {kDirectoryPastEnd, "PE resources: directory past the end of its section"},
    {kAbsurdEntryCount, "PE resources: more entries than the section can hold"},
    {kEntryPastEnd, "PE resources: directory entries past the end of the section"},
    {kDirectoryLoop, "PE resources: directory reached twice"},
    {kTreeLargerThanSection, "PE resources: names repeated beyond what the section can hold"},
    {kTreeTooDeep, "PE resources: directory below the language level"},
    {kDataEntryAboveLanguage, "PE resources: data entry above the language level"},
    {kNamePastEnd, "PE resources: name string past the end of the section"},
    {kDataEntryPastEnd, "PE resources: data entry past the end of the section"},
    {kDataOutsideSections, "PE resources: data RVA outside every section"},
    {kDataPastEnd, "PE resources: data past the end of its section"},
    {kCertificateTableMisaligned, "PE certificate table: offset not a multiple of 8"},
    {kCertificateTablePastEnd, "PE certificate table: runs past the end of the file"},
    {kCertificateTableOverlaps, "PE certificate table: overlaps the headers or a section"},
    {kCertificateTooShort, "PE certificate table: entry shorter than its 8-byte header"},
    {kCertificatePastTable, "PE certificate table: entry runs past the end of the table"},
    {kExportTableOutsideSections, "PE exports: export directory outside every section"},
    {kExportTablePastEnd, "PE exports: export directory past the end of its section"},
    {kExportNamesPastEnd, "PE exports: name table outside its section"},
    {kExportNameOutsideSections, "PE exports: name outside every section"},
    {kTruncatedVersionBlock, "version resource: block header past the end"},
    {kBadVersionBlockLength,
     "version resource: block length shorter than its header or past its parent"},
    {kUnterminatedVersionKey, "version resource: key without its terminating zero"},
    {kBadVersionRootKey, "version resource: the outer block is not VS_VERSION_INFO"},
    {kVersionValuePastBlock, "version resource: value past the end of its block"},
    {kBadFixedFileInfo, "version resource: VS_FIXEDFILEINFO too short or without its signature"},
};

constexpr bool EveryKindInOrder() {
  if (std::size(kDescriptions) != static_cast<std::size_t>(kLastErrorKind) + 1) return false;
  for (std::size_t i = 0; i < std::size(kDescriptions); ++i) {
    if (kDescriptions[i].first != static_cast<ErrorKind>(i)) return false;
  }
  return true;
}
static_assert(EveryKindInOrder(), "kDescriptions lists each ErrorKind once, in order");

}  // namespace

const char* Describe(ErrorKind error) {
  const auto index = static_cast<std::size_t>(error);
  return index < std::size(kDescriptions) ? kDescriptions[index].second : "PE: unknown error";
}

}  // namespace brantel::pe
