// The preview's check of a hand-written order file: every slip a person
// makes, found on the line an editor shows it on.
#include <gtest/gtest.h>

#include <windows.h>

#include "standin/host.h"
#include "demo/preview/order_check.h"

namespace {

using preview::SlipKind;

const std::string kDataFolder = "C:\\BeckyData\\";
// 受信箱\, 受信箱\仕事\, 送信箱\ in Shift_JIS, and an ASCII mailbox.
const std::string kInbox = "\x8E\xF3\x90\x4D\x94\xA0\\";
const std::string kWork = kInbox + "\x8E\x64\x8E\x96\\";
const std::string kOutbox = "\x91\x97\x90\x4D\x94\xA0\\";
const std::vector<std::string> kKeys = {"Inbox\\", kInbox, kWork, kOutbox};

std::vector<std::pair<int, SlipKind>> Found(const preview::OrderFileCheck& check) {
    std::vector<std::pair<int, SlipKind>> found;
    for (const preview::Slip& slip : check.slips) {
        EXPECT_EQ(slip.text.rfind("line " + std::to_string(slip.line) + ": ", 0), 0u) << slip.text;
        found.emplace_back(slip.line, slip.kind);
    }
    return found;
}

TEST(OrderCheckTest, EverySlipIsNamedOnItsLine) {
    const std::string file =
        "Inbox\\\r\n" +                                  // 1: places
        kInbox + "\r\n" +                                // 2: places
        kDataFolder + kOutbox + "\r\n" +                 // 3: a full path
        kWork + " \r\n" +                                // 4: a trailing space
        "\xE9\x80\x81\xE4\xBF\xA1\xE7\xAE\xB1\\\r\n" +   // 5: 送信箱\ in UTF-8
        "Inbox\\\r\n\r\n" +                              // 6: a repeat, then a blank line
        "Gone\\\r\n" +                                   // 8: no such folder
        "inbox\\\n" +                                    // 9: letter case
        "\x8E\xF3\x90\x4D\x94\xA0\r" +                   // 10: no final separator
        "\\Inbox\\";                                     // 11: a leading separator
    preview::OrderFileCheck check = preview::CheckOrderFile(file, kKeys, kDataFolder);
    const std::vector<std::pair<int, SlipKind>> expected = {
        {3, SlipKind::kDataFolderPrefix}, {4, SlipKind::kTrailingBlank},
        {5, SlipKind::kUtf8},             {6, SlipKind::kRepeat},
        {8, SlipKind::kNoFolder},         {9, SlipKind::kLetterCase},
        {10, SlipKind::kNoFinalSeparator}, {11, SlipKind::kLeadingSeparator},
    };
    EXPECT_EQ(Found(check), expected);
    EXPECT_EQ(check.placingLines, 2);

    // What each says, shown as UTF-8, with the line to write where there is one.
    auto text = [&](size_t i) { return check.slips[i].text; };
    EXPECT_NE(text(0).find(u8"write \"送信箱\\\""), std::string::npos) << text(0);
    EXPECT_NE(text(1).find(u8"write \"受信箱\\仕事\\\""), std::string::npos) << text(1);
    EXPECT_NE(text(2).find(u8"as UTF-8 it says \"送信箱\\\", which would place that folder"), std::string::npos)
        << text(2);
    EXPECT_NE(text(3).find("repeats line 1"), std::string::npos) << text(3);
    EXPECT_NE(text(5).find("write \"Inbox\\\""), std::string::npos) << text(5);
}

TEST(OrderCheckTest, ACleanFileAndAUtf8MarkedFile) {
    preview::OrderFileCheck clean =
        preview::CheckOrderFile(kOutbox + "\r\n" + kWork + "\r\nInbox\\\r\n", kKeys, kDataFolder);
    EXPECT_TRUE(clean.slips.empty());
    EXPECT_EQ(clean.placingLines, 3);

    // Notepad's "UTF-8 with BOM": the mark sits at the start of line 1, which
    // is plain ASCII and still names nothing.
    preview::OrderFileCheck marked =
        preview::CheckOrderFile("\xEF\xBB\xBFInbox\\\r\n" + kInbox + "\r\n", kKeys, kDataFolder);
    ASSERT_EQ(Found(marked), (std::vector<std::pair<int, SlipKind>>{{1, SlipKind::kUtf8}}));
    EXPECT_NE(marked.slips[0].text.find("byte-order mark"), std::string::npos);
}

TEST(OrderCheckTest, LetterCaseIsThatOfAsciiLettersNotOfShiftJisSecondBytes) {
    // ア\ is 83 41 5C and ヂ\ 83 61 5C: the second bytes are "A" and "a".
    const std::vector<std::string> keys = {"\x83\x41\\", "Box\x83\x41\\"};
    preview::OrderFileCheck check = preview::CheckOrderFile("\x83\x61\\\r\nBOX\x83\x41\\\r\n", keys, kDataFolder);
    EXPECT_EQ(Found(check),
              (std::vector<std::pair<int, SlipKind>>{{1, SlipKind::kNoFolder}, {2, SlipKind::kLetterCase}}));
}

TEST(OrderCheckTest, ThePreviewOfOkKeepsAddsAndDrops) {
    // Listed: Inbox\ and 受信箱\; unlisted: 仕事, 送信箱; "Gone\" and a repeat go.
    const std::string current = "Inbox\\\r\nGone\\\r\n" + kInbox + "\r\nInbox\\\r\n";
    preview::SavePreview preview =
        preview::PreviewSave(current, {"Inbox\\", kInbox, kWork, kOutbox});
    EXPECT_EQ(preview.file, "Inbox\\\r\n" + kInbox + "\r\n" + kWork + "\r\n" + kOutbox + "\r\n");
    EXPECT_EQ(preview.kept, 2);
    EXPECT_EQ(preview.added, 2);
    EXPECT_EQ(preview.dropped, 2);
    EXPECT_EQ(preview::Count(1, "slip", "slips"), "1 slip");
    EXPECT_EQ(preview::Count(0, "slip", "slips"), "0 slips");
    EXPECT_EQ(preview::Count(999, "line", "lines"), "999 lines");
    EXPECT_EQ(preview::Count(1000, "line", "lines"), "1,000 lines");
    EXPECT_EQ(preview::Count(1234567, "byte", "bytes"), "1,234,567 bytes");
}

TEST(OrderCheckTest, TheListingShowsWhatTheCheckReadsAsUtf8AsUtf8) {
    const std::string sentUtf8 = "\xE9\x80\x81\xE4\xBF\xA1\xE7\xAE\xB1\\";  // 送信箱\ in UTF-8
    auto listed = [](const std::string& file) {
        return preview::ListedLines(file, preview::CheckOrderFile(file, kKeys, kDataFolder));
    };
    // Shift_JIS lines, placing or not, are decoded as the module reads them;
    // the UTF-8 line and its repeat show what they say.
    EXPECT_EQ(listed(kInbox + "\r\n" + sentUtf8 + "\r\nGone\\\r\n" + sentUtf8 + "\r\n" + kInbox + "\r\n"),
              (std::vector<std::string>{u8"受信箱\\", u8"送信箱\\   [UTF-8: names no folder]", "Gone\\",
                                        u8"送信箱\\   [UTF-8: repeats line 2]", u8"受信箱\\"}));
    EXPECT_EQ(listed("\xEF\xBB\xBFInbox\\\r\n" + kWork + "\r\n"),
              (std::vector<std::string>{"Inbox\\   [UTF-8 with a byte-order mark: names no folder]",
                                        u8"受信箱\\仕事\\"}));
    // Where a NUL splits a line, both halves have its number: each keeps its own text.
    EXPECT_EQ(listed(std::string("Gone\\") + '\0' + sentUtf8),
              (std::vector<std::string>{"Gone\\", u8"送信箱\\   [UTF-8: names no folder]"}));
}

TEST(OrderCheckTest, ALongFileIsCheckedInSeconds) {
    // 20,000 folders and 100,000 more lines that name none, as a tree that
    // has lost most of its folders: a check that compares every line with
    // every other or with every key takes minutes on this.
    std::vector<std::string> keys;
    std::string file;
    for (int i = 0; i < 20000; ++i) {
        keys.push_back("Box" + std::to_string(i) + "\\");
        file += keys.back() + "\r\n";
    }
    for (int i = 0; i < 100000; ++i) file += "Gone" + std::to_string(i) + "\\\r\n";
    file += "box7\\\r\nBox7\\\r\n";
    const DWORD start = GetTickCount();
    preview::OrderFileCheck check = preview::CheckOrderFile(file, keys, kDataFolder);
    EXPECT_LT(GetTickCount() - start, 5000u);
    EXPECT_EQ(check.placingLines, 20000);
    ASSERT_EQ(check.slips.size(), 100002u);
    EXPECT_EQ(check.slips[100000].kind, SlipKind::kLetterCase);
    EXPECT_NE(check.slips[100000].text.find("write \"Box7\\\""), std::string::npos);
    EXPECT_EQ(check.slips[100001].text, "line 120002: repeats line 8, and only the first counts");
}

}  // namespace
