#pragma once

// Why a PE file, or a part of it, could not be read: one list for every reader in this folder.
// Each kind names the first structure that was found broken, so a test (or a person with a
// damaged file) learns exactly what is wrong. The headers come first in every image reader, so
// any of its outcomes may carry a header's kind as well as one of its own part.

namespace brantel::pe {

enum class ErrorKind {
  kNone,
  // The headers and section table of an image.
  kTruncatedDosHeader,
  kBadDosSignature,
  kBadPeOffset,
  kBadPeSignature,
  kTruncatedFileHeader,
  kTruncatedOptionalHeader,
  kBadOptionalHeaderMagic,
  kTruncatedSectionTable,
  kSectionsOutOfOrder,
  kSectionPastEnd,
  // The resource tree.
  kResourceRvaOutsideSections,
  kDirectoryPastEnd,
  kAbsurdEntryCount,
  kEntryPastEnd,
  kDirectoryLoop,
  kTreeLargerThanSection,
  kTreeTooDeep,
  kDataEntryAboveLanguage,
  kNamePastEnd,
  kDataEntryPastEnd,
  kDataOutsideSections,
  kDataPastEnd,
  // The certificate table.
  kCertificateTableMisaligned,
  kCertificateTablePastEnd,
  kCertificateTableOverlaps,
  kCertificateTooShort,
  kCertificatePastTable,
  // The export names.
  kExportTableOutsideSections,
  kExportTablePastEnd,
  kExportNamesPastEnd,
  kExportNameOutsideSections,
  // A version resource.
  kTruncatedVersionBlock,
  kBadVersionBlockLength,
  kUnterminatedVersionKey,
  kBadVersionRootKey,
  kVersionValuePastBlock,
  kBadFixedFileInfo,
};

inline constexpr ErrorKind kLastErrorKind = ErrorKind::kBadFixedFileInfo;

// A fixed text for each kind; it outlives every error that carries it.
const char* Describe(ErrorKind error);

}  // namespace brantel::pe
