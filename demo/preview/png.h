// Saves what a window shows as a PNG file, for looking at the dialog.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace preview {

// An 8-bit RGB PNG of `width` × `height` pixels given top row first, four
// bytes a pixel in blue, green, red, unused order (a 32-bit DIB's); the image
// data compressed by zlib. Empty if zlib fails.
std::string EncodePng(int width, int height, const std::vector<BYTE>& bgra);

// Saves what the display shows inside `rect` (screen coordinates) to `path`.
bool SaveScreenPng(const RECT& rect, const std::string& path);

}  // namespace preview
