#include "demo/preview/png.h"

#include <zlib.h>

#include <vector>

#include "standin/files.h"

namespace preview {

using standin::WriteFileBytes;

namespace {
void PutBigEndian(std::vector<BYTE>& out, DWORD value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<BYTE>(value >> shift));
}

void PutChunk(std::vector<BYTE>& out, const char* type, const std::vector<BYTE>& data) {
    PutBigEndian(out, static_cast<DWORD>(data.size()));
    std::vector<BYTE> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBigEndian(out, crc32(0, body.data(), static_cast<uInt>(body.size())));
}

// The image data as a zlib stream, compressed by zlib itself.
bool Compress(const std::vector<BYTE>& raw, std::vector<BYTE>& out) {
    uLongf length = compressBound(static_cast<uLong>(raw.size()));
    out.resize(length);
    if (compress2(out.data(), &length, raw.data(), static_cast<uLong>(raw.size()), Z_BEST_COMPRESSION) != Z_OK)
        return false;
    out.resize(length);
    return true;
}
}  // namespace

std::string EncodePng(int width, int height, const std::vector<BYTE>& bgra) {
    std::vector<BYTE> raw;
    raw.reserve(static_cast<size_t>(height) * (1 + static_cast<size_t>(width) * 3));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < width; ++x) {
            const BYTE* pixel = &bgra[(static_cast<size_t>(y) * width + x) * 4];
            raw.insert(raw.end(), {pixel[2], pixel[1], pixel[0]});
        }
    }
    std::vector<BYTE> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<BYTE> header;
    PutBigEndian(header, static_cast<DWORD>(width));
    PutBigEndian(header, static_cast<DWORD>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
    PutChunk(png, "IHDR", header);
    std::vector<BYTE> compressed;
    if (!Compress(raw, compressed)) return std::string();
    PutChunk(png, "IDAT", compressed);
    PutChunk(png, "IEND", {});
    return std::string(png.begin(), png.end());
}

bool SaveScreenPng(const RECT& rect, const std::string& path) {
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<BYTE> pixels(static_cast<size_t>(width) * height * 4);
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    std::string png = EncodePng(width, height, pixels);
    return !png.empty() && WriteFileBytes(path, png);
}

}  // namespace preview
