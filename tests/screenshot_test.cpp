// What `make screenshot` needs: a PNG that a viewer reads back pixel for
// pixel, compressed, and Wine's Marlett font, which draws the title bar's
// buttons (without it they show as the letters "0 1 r").
#include <gtest/gtest.h>

#include <windows.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "demo/preview/png.h"

namespace {

DWORD BigEndian(const std::string& bytes, size_t at) {
    DWORD value = 0;
    for (size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<BYTE>(bytes[at + i]);
    return value;
}

struct Chunk {
    std::string type, data;
};

// Splits a PNG into its chunks as a viewer does, checking the signature and
// every chunk's CRC (computed over its type and data).
::testing::AssertionResult ReadChunks(const std::string& png, std::vector<Chunk>& chunks) {
    if (png.compare(0, 8, "\x89PNG\r\n\x1A\n", 8) != 0) return ::testing::AssertionFailure() << "no PNG signature";
    for (size_t at = 8; at < png.size();) {
        if (at + 12 > png.size()) return ::testing::AssertionFailure() << "chunk header cut at " << at;
        DWORD length = BigEndian(png, at);
        if (at + 12 + length > png.size()) return ::testing::AssertionFailure() << "chunk cut at " << at;
        const Bytef* typeAndData = reinterpret_cast<const Bytef*>(png.data() + at + 4);
        if (crc32(0, typeAndData, 4 + length) != BigEndian(png, at + 8 + length))
            return ::testing::AssertionFailure() << "bad CRC in the chunk at " << at;
        chunks.push_back({png.substr(at + 4, 4), png.substr(at + 8, length)});
        at += 12 + length;
    }
    return ::testing::AssertionSuccess();
}

// A picture like a dialog's: flat areas and edges, with each channel drawn
// differently so that a swap shows, and the unused fourth byte set.
std::vector<BYTE> Picture(int width, int height) {
    std::vector<BYTE> bgra;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bgra.push_back(x < width / 2 ? 0xC0 : 0x10);                    // blue: halves
            bgra.push_back(static_cast<BYTE>(y * 255 / height));            // green: by row
            bgra.push_back((x / 40 + y / 40) % 2 ? 0xF0 : 0x20);            // red: squares
            bgra.push_back(0xAA);
        }
    }
    return bgra;
}

TEST(Screenshot, PngHoldsEveryPixelInRgbOrderCompressed) {
    const SIZE sizes[] = {{1, 1}, {3, 2}, {680, 500}};
    for (const SIZE& size : sizes) {
        const int width = size.cx, height = size.cy;
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        std::vector<BYTE> bgra = Picture(width, height);
        std::string png = preview::EncodePng(width, height, bgra);

        std::vector<Chunk> chunks;
        ASSERT_TRUE(ReadChunks(png, chunks));
        ASSERT_EQ(chunks.size(), 3u);
        EXPECT_EQ(chunks[0].type, "IHDR");
        EXPECT_EQ(chunks[1].type, "IDAT");
        EXPECT_EQ(chunks[2].type, "IEND");
        const std::string& header = chunks[0].data;
        ASSERT_EQ(header.size(), 13u);
        EXPECT_EQ(BigEndian(header, 0), static_cast<DWORD>(width));
        EXPECT_EQ(BigEndian(header, 4), static_cast<DWORD>(height));
        EXPECT_EQ(header.substr(8), std::string("\x08\x02\x00\x00\x00", 5)) << "8-bit RGB, not interlaced";

        const size_t rowBytes = 1 + 3 * static_cast<size_t>(width);
        std::vector<BYTE> rows(rowBytes * height);
        uLongf length = static_cast<uLongf>(rows.size());
        ASSERT_EQ(uncompress(rows.data(), &length, reinterpret_cast<const Bytef*>(chunks[1].data.data()),
                             static_cast<uLong>(chunks[1].data.size())),
                  Z_OK);
        ASSERT_EQ(length, rows.size());
        int wrong = 0;
        for (int y = 0; y < height; ++y) {
            const BYTE* row = &rows[y * rowBytes];
            EXPECT_EQ(row[0], 0) << "row " << y << " filter";
            for (int x = 0; x < width; ++x) {
                const BYTE* want = &bgra[(static_cast<size_t>(y) * width + x) * 4];
                const BYTE* got = row + 1 + 3 * x;
                if (got[0] != want[2] || got[1] != want[1] || got[2] != want[0]) ++wrong;
            }
        }
        EXPECT_EQ(wrong, 0) << "pixels that differ";
        // The stored blocks the encoder once wrote made this picture 1 MB.
        if (width * height > 1000) {
            EXPECT_LT(png.size() * 20, rows.size());
        }
    }
}

int CALLBACK NoteFontFound(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

TEST(Screenshot, WineHasMarlettForTheTitleBarButtons) {
    HDC screen = GetDC(nullptr);
    LOGFONTA font = {};
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpyA(font.lfFaceName, "Marlett");
    bool found = false;
    EnumFontFamiliesExA(screen, &font, NoteFontFound, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    EXPECT_TRUE(found) << "no Marlett font: scripts/setup installs fonts-wine";
}

}  // namespace
