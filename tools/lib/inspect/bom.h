#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "signature.h"

namespace brantel::inspect {

// What the bill of materials says about one component file.
struct ComponentFacts {
  std::string name;
  std::uint64_t size = 0;
  std::string sha256;
  std::string fileVersion;     // "-" when the file has no readable version resource
  std::string productName;     // "-" likewise
  std::string productVersion;  // the "ProductVersion" text, "-" likewise
  std::string companyName;     // "-" likewise
  bool oleSelfRegister = false;
  // Whether its export table lists DllRegisterServer; unknown for a file that is no PE image or
  // whose exports cannot be read.
  std::optional<bool> exportsRegisterServer;
  std::string note;                        // why there is no version information, or empty
  std::vector<SignatureFacts> signatures;  // every one it carries; none when it is unsigned
};

// Reads a component's version resource through the bounded PE readers; a file that is no PE
// image, or has no (readable) version resource, is described all the same, with a note.
ComponentFacts DescribeComponent(std::string_view name, std::span<const std::uint8_t> bytes);

// "yes", "no", or "-" when the exports could not be read.
std::string RegisterServerText(const ComponentFacts& facts);

// The list as brantel-inspect prints it and the build writes it: a header line, then one line
// per component, fields separated by tabs.
// The signature columns are SignatureText, the signer and SignedDigestText, each with one entry
// per signature, joined by kSignatureSeparator, so that the n-th entries of the three columns
// describe one signature; an unsigned component has "none", "-" and "-".
inline constexpr char kSignatureSeparator[] = " | ";
std::string FormatBom(const std::vector<ComponentFacts>& components);

}  // namespace brantel::inspect
