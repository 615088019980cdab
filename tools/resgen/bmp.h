#pragma once

#include "bytes.h"
#include "canvas.h"

namespace brantel::resgen {

// The canvas as a complete uncompressed 24-bit BMP file at 96 dpi.
Bytes EncodeBmp(const Canvas& canvas);

}  // namespace brantel::resgen
