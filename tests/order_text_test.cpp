// What the order file's bytes are, and its text in the host's code page.
#include <gtest/gtest.h>

#include <string>

#include "order/order_text.h"
#include "standin/host.h"

namespace {

TEST(OrderText, AFileIsUtf8OrUtf16ByItsMarkOrByItsBytes) {
    using standin::Sjis;
    struct Case {
        const char* what;
        std::string bytes;
        OrderFileEncoding encoding;
    };
    const std::string japanese = u8"仕事\\受信箱\\";
    const Case cases[] = {
        {"Shift_JIS", Sjis(japanese), OrderFileEncoding::kCodePage},
        {"Shift_JIS with 表 and ソ", Sjis(u8"表示\\ソフト\\"), OrderFileEncoding::kCodePage},
        {"ASCII alone", "Inbox\\\r\nOutbox\\", OrderFileEncoding::kCodePage},
        {"half-width katakana in Shift_JIS", Sjis(u8"ｱｲｳ\\"), OrderFileEncoding::kCodePage},
        {"UTF-8", japanese, OrderFileEncoding::kUtf8},
        {"UTF-8 with its mark, ASCII alone", "\xEF\xBB\xBFInbox\\", OrderFileEncoding::kUtf8},
        {"UTF-8 cut in a character", japanese.substr(0, 4), OrderFileEncoding::kCodePage},
        {"UTF-16", std::string("\xFF\xFEI\0n\0", 6), OrderFileEncoding::kUtf16LittleEndian},
        {"UTF-16 big-endian", std::string("\xFE\xFF\0I\0n", 6), OrderFileEncoding::kUtf16BigEndian},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EncodingOf(c.bytes.data(), static_cast<DWORD>(c.bytes.size())), c.encoding) << c.what;
}

}  // namespace
