#pragma once

#include <optional>
#include <string>
#include <vector>

#include "bom.h"

namespace brantel::inspect {

// The program that carries the components, as its own version resource describes it.
struct ProgramFacts {
  std::string name;
  std::string version;
  std::string manufacturer;
  std::string sha256;
};

// Brantel.exe as the document's subject: the product name and version its version resource
// gives, falling back to the file's name and file version.
ProgramFacts DescribeProgram(const ComponentFacts& facts);

// The bill of materials as a CycloneDX 1.6 JSON document. Without `program` (the components
// came from a folder) the document has no subject component. Same inputs, same bytes: the serial
// number is a name-based UUID of the document's content, and `timestamp` (ISO 8601, UTC) is left
// out when absent.
std::string FormatCycloneDx(const std::optional<ProgramFacts>& program,
                            const std::vector<ComponentFacts>& components,
                            const std::optional<std::string>& timestamp);

// SOURCE_DATE_EPOCH, seconds since 1970 as decimal digits, as an ISO 8601 UTC time; nothing for
// a value that is not such a number.
std::optional<std::string> TimestampFromEpoch(const std::string& seconds);

}  // namespace brantel::inspect
