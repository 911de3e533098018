#include "standin/png.h"

#include <vector>

#include "standin/files.h"

namespace standin {

namespace {
DWORD Crc32(const BYTE* data, size_t length, DWORD crc = 0xFFFFFFFF) {
    for (size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return crc;
}

void PutBigEndian(std::vector<BYTE>& out, DWORD value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<BYTE>(value >> shift));
}

void PutChunk(std::vector<BYTE>& out, const char* type, const std::vector<BYTE>& data) {
    PutBigEndian(out, static_cast<DWORD>(data.size()));
    std::vector<BYTE> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBigEndian(out, Crc32(body.data(), body.size()) ^ 0xFFFFFFFF);
}

// zlib stream of stored (uncompressed) deflate blocks: large, but simple.
std::vector<BYTE> StoredZlib(const std::vector<BYTE>& raw) {
    std::vector<BYTE> out = {0x78, 0x01};
    size_t offset = 0;
    do {
        size_t length = raw.size() - offset < 65535 ? raw.size() - offset : 65535;
        bool last = offset + length == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<BYTE>(length));
        out.push_back(static_cast<BYTE>(length >> 8));
        out.push_back(static_cast<BYTE>(~length));
        out.push_back(static_cast<BYTE>(~length >> 8));
        out.insert(out.end(), raw.begin() + static_cast<long>(offset),
                   raw.begin() + static_cast<long>(offset + length));
        offset += length;
    } while (offset < raw.size());
    DWORD a = 1, b = 0;
    for (BYTE byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian(out, (b << 16) | a);
    return out;
}
}  // namespace

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

    std::vector<BYTE> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < width; ++x) {
            const BYTE* bgra = &pixels[(static_cast<size_t>(y) * width + x) * 4];
            raw.insert(raw.end(), {bgra[2], bgra[1], bgra[0]});
        }
    }
    std::vector<BYTE> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<BYTE> header;
    PutBigEndian(header, static_cast<DWORD>(width));
    PutBigEndian(header, static_cast<DWORD>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", StoredZlib(raw));
    PutChunk(png, "IEND", {});

    return WriteFileBytes(path, std::string(png.begin(), png.end()));
}

}  // namespace standin
