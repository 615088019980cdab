#pragma once

#include "installer/extract.h"

namespace brantel {

class Win32FileWriter : public FileWriter {
 public:
  void WriteWholeFile(std::string_view path, std::span<const std::uint8_t> bytes) override;
};

}  // namespace brantel
