// Saves what a window shows as a PNG file, for looking at the dialog.
#pragma once

#include <windows.h>

#include <string>

namespace standin {

// Saves what the display shows inside `rect` (screen coordinates) to `path`.
bool SaveScreenPng(const RECT& rect, const std::string& path);

}  // namespace standin
