// The preview's check of a hand-written order file: every slip a person
// makes, found on the line an editor shows it on.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "standin/host.h"
#include "demo/preview/order_check.h"
#include "order/order_check.h"
#include "tests/core_fixture.h"

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
        if (slip.line > 0) {
            EXPECT_EQ(slip.text.rfind("line " + std::to_string(slip.line) + ": ", 0), 0u) << slip.text;
        }
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

    // Notepad's "UTF-8 with BOM" on Shift_JIS bytes: read as UTF-8, as the
    // mark says, line 1 places its folder and line 2 is characters lost.
    preview::OrderFileCheck marked =
        preview::CheckOrderFile("\xEF\xBB\xBFInbox\\\r\n" + kInbox + "\r\n", kKeys, kDataFolder);
    ASSERT_EQ(Found(marked), (std::vector<std::pair<int, SlipKind>>{{0, SlipKind::kEncoding},
                                                                     {2, SlipKind::kLacksCharacter}}));
    EXPECT_EQ(marked.placingLines, 1);
    EXPECT_NE(marked.slips[1].text.find("a character that Shift_JIS lacks"), std::string::npos);
}

TEST(OrderCheckTest, LetterCaseIsThatOfAsciiLettersNotOfShiftJisSecondBytes) {
    // ア\ is 83 41 5C and ヂ\ 83 61 5C: the second bytes are "A" and "a".
    const std::vector<std::string> keys = {"\x83\x41\\", "Box\x83\x41\\"};
    preview::OrderFileCheck check = preview::CheckOrderFile("\x83\x61\\\r\nBOX\x83\x41\\\r\n", keys, kDataFolder);
    EXPECT_EQ(Found(check),
              (std::vector<std::pair<int, SlipKind>>{{1, SlipKind::kNoFolder}, {2, SlipKind::kLetterCase}}));
}

TEST(OrderCheckTest, ThePreviewOfOkKeepsAddsCarriesOverAndDrops) {
    // Listed: Inbox\ and 受信箱\; unlisted: 仕事, 送信箱; "Gone\" names no
    // folder and is carried over, after the tree's lines; a repeat goes.
    const std::string current = "Inbox\\\r\nGone\\\r\n" + kInbox + "\r\nInbox\\\r\nGone\\\r\n";
    preview::SavePreview preview =
        preview::PreviewSave(current, {"Inbox\\", kInbox, kWork, kOutbox});
    EXPECT_EQ(preview.file,
              "Inbox\\\r\n" + kInbox + "\r\n" + kWork + "\r\n" + kOutbox + "\r\nGone\\\r\n");
    EXPECT_EQ(preview.kept, 2);
    EXPECT_EQ(preview.added, 2);
    EXPECT_EQ(preview.carried, 1);
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
    // A file the module reads as UTF-8 is listed as it reads it.
    EXPECT_EQ(listed("\xEF\xBB\xBFInbox\\\r\n" + kWork + "\r\n"),
              (std::vector<std::string>{"Inbox\\", "??M??\\?d??\\"}));
    // Where a NUL splits a line, both halves have its number: each keeps its own text.
    EXPECT_EQ(listed(std::string("Gone\\") + '\0' + sentUtf8 + "\r\n" + kInbox),
              (std::vector<std::string>{"Gone\\", u8"送信箱\\   [UTF-8: names no folder]", u8"受信箱\\"}));
}

TEST(OrderCheckTest, ALongFileCostsInProportionToItsLength) {
    // Folders and five times as many lines that name none, as a tree that has
    // lost most of its folders: a check that compares every line with every
    // other or with every key costs sixteen times as much at four times the
    // size; one that does not, about four times. Timed on the same machine
    // in the same run, best of two.
    struct Sized {
        std::vector<std::string> keys;
        std::string file;
    };
    auto sized = [](int folders) {
        Sized made;
        for (int i = 0; i < folders; ++i) {
            made.keys.push_back("Box" + std::to_string(i) + "\\");
            made.file += made.keys.back() + "\r\n";
        }
        for (int i = 0; i < folders * 5; ++i) made.file += "Gone" + std::to_string(i) + "\\\r\n";
        made.file += "box7\\\r\nBox7\\\r\n";
        return made;
    };
    auto seconds = [](const Sized& input) {
        LARGE_INTEGER frequency, start, end;
        QueryPerformanceFrequency(&frequency);
        double best = 1e9;
        for (int run = 0; run < 2; ++run) {
            QueryPerformanceCounter(&start);
            preview::CheckOrderFile(input.file, input.keys, kDataFolder);
            QueryPerformanceCounter(&end);
            best = std::min(best, static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);
        }
        return best;
    };
    const Sized large = sized(20000);
    const double ratio = seconds(large) / seconds(sized(5000));
    std::printf("checking 4 times the lines took %.1f times as long\n", ratio);
    EXPECT_LT(ratio, 9.0);
    preview::OrderFileCheck check = preview::CheckOrderFile(large.file, large.keys, kDataFolder);
    EXPECT_EQ(check.placingLines, 20000);
    ASSERT_EQ(check.slips.size(), 100002u);
    EXPECT_EQ(check.slips[100000].kind, SlipKind::kLetterCase);
    EXPECT_NE(check.slips[100000].text.find("write \"Box7\\\""), std::string::npos);
    EXPECT_EQ(check.slips[100001].text, "line 120002: repeats line 8, and only the first counts");
}


// A host's tree as it is on disk: a mailbox "4b.mb" shown as 個人用, its
// inbox "!!!!Inbox" shown as 受信箱, a second mailbox with an inbox too.
const std::vector<preview::CheckedFolder> kDiskFolders = {
    {"4b.mb\\", standin::Sjis(u8"個人用\\")},
    {"4b.mb\\!!!!Inbox\\", standin::Sjis(u8"個人用\\受信箱\\")},
    {standin::Sjis(u8"4b.mb\\!!!!Inbox\\仕事\\"), standin::Sjis(u8"個人用\\受信箱\\仕事\\")},
    {"5d.mb\\", standin::Sjis(u8"仕事用\\")},
    {"5d.mb\\!!!!Inbox\\", standin::Sjis(u8"仕事用\\受信箱\\")},
};

std::string CrLfLines(const std::vector<std::string>& utf8Lines) {
    std::string file;
    for (const std::string& line : utf8Lines) file += standin::Sjis(line) + "\r\n";
    return file;
}

TEST(OrderCheckTest, EachHandWrittenSlipGetsItsFix) {
    struct Case {
        const char* line;  // UTF-8, saved as Shift_JIS
        SlipKind kind;
        const char* fix;
    };
    const Case cases[] = {
        {u8"# 仕事", SlipKind::kComment, "the order file has no comments: the line orders nothing"},
        {u8"  4b.mb\\!!!!Inbox\\", SlipKind::kLeadingBlank, "write \"4b.mb\\!!!!Inbox\\\""},
        {u8"\t4b.mb\\nothing\\", SlipKind::kLeadingBlank, "names no folder: remove it"},
        {u8"4b.mb￥!!!!Inbox￥仕事￥", SlipKind::kSeparator, u8"with \"￥\", but the separator is \"\\\""},
        {u8"4b.mb/!!!!Inbox/仕事", SlipKind::kSeparator, u8"with \"/\"", },
        {u8"仕事\\", SlipKind::kWithoutParents, u8"did you mean \"4b.mb\\!!!!Inbox\\仕事\\\"?"},
        {u8"!!!!Inbox\\仕事", SlipKind::kWithoutParents, u8"did you mean \"4b.mb\\!!!!Inbox\\仕事\\\"?"},
        {u8"受信箱\\", SlipKind::kWithoutParents, "could be any of 2 folders: write the whole path of the one you mean"},
        {u8"受信箱/", SlipKind::kSeparator, "could be any of 2 folders: write the whole path of the one you mean"},
        {u8"個人用\\受信箱\\仕事\\", SlipKind::kShownNames,
         u8"a path of the names Becky! shows, but a line is the folder's path on disk: did you mean "
         u8"\"4b.mb\\!!!!Inbox\\仕事\\\"?"},
        {u8"仕事用/受信箱", SlipKind::kSeparator, u8"did you mean \"5d.mb\\!!!!Inbox\\\"?"},
        {u8"C:\\BeckyData\\個人用\\", SlipKind::kDataFolderPrefix, u8"write \"4b.mb\\\""},
    };
    std::vector<std::string> lines;
    for (const Case& c : cases) lines.push_back(c.line);
    const preview::OrderFileCheck check = preview::CheckOrderFile(CrLfLines(lines), kDiskFolders, kDataFolder);
    ASSERT_EQ(check.slips.size(), std::size(cases));
    for (size_t i = 0; i < check.slips.size(); ++i) {
        const preview::Slip& slip = check.slips[i];
        SCOPED_TRACE(cases[i].line);
        EXPECT_EQ(slip.line, static_cast<int>(i + 1));
        EXPECT_EQ(slip.kind, cases[i].kind) << slip.text;
        EXPECT_NE(slip.text.find(cases[i].fix), std::string::npos) << slip.text;
    }
}

TEST(OrderCheckTest, AFileSavedWholeAsUtf8OrUtf16IsOneSlipThenWhatRemains) {
    // Read as its text, line 2 places its folder; line 3 lacks the folders above it.
    const std::string text = u8"4b.mb\\\r\n4b.mb\\!!!!Inbox\\仕事\\\r\n仕事\\\r\n";
    std::string utf16 = "\xFF\xFE";
    for (wchar_t c : std::wstring(L"4b.mb\\\r\n4b.mb\\!!!!Inbox\\\x4ED5\x4E8B\\\r\n\x4ED5\x4E8B\\\r\n")) {
        utf16 += static_cast<char>(c & 0xFF);
        utf16 += static_cast<char>(c >> 8);
    }
    struct Case {
        std::string file;
        const char* encoding;
        const char* said;
    };
    const Case cases[] = {
        {text, "UTF-8", "the file is saved as UTF-8: the plug-in reads it as its text"},
        {"\xEF\xBB\xBF" + text, "UTF-8", "the file is saved as UTF-8: the plug-in reads it as its text"},
        {utf16, "UTF-16", "the file is saved as UTF-16 (Notepad's \"Unicode\"): the plug-in reads it as its text"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encoding);
        const preview::OrderFileCheck check = preview::CheckOrderFile(c.file, kDiskFolders, kDataFolder);
        EXPECT_EQ(check.encoding, c.encoding);
        EXPECT_EQ(check.placingLines, 2);
        ASSERT_EQ(check.slips.size(), 2u);
        EXPECT_EQ(check.slips[0].kind, SlipKind::kEncoding);
        EXPECT_EQ(check.slips[0].text.rfind(c.said, 0), 0u) << check.slips[0].text;
        EXPECT_NE(check.slips[0].text.find("the editor's OK saves it as Shift_JIS"), std::string::npos);
        EXPECT_EQ(check.slips[1].line, 3);
        EXPECT_EQ(check.slips[1].kind, SlipKind::kWithoutParents);
        // Listed as it says it, by the lines a text editor shows.
        const std::vector<std::string> listed = preview::ListedLines(c.file, check);
        ASSERT_EQ(listed.size(), 3u);
        EXPECT_EQ(listed[1], u8"4b.mb\\!!!!Inbox\\仕事\\");
    }
}

TEST(OrderCheckTest, LinesUnderARenamedParentAreOneSlip) {
    // 仕事 became 業務: its line and its 100 subfolders' lines name nothing.
    std::vector<std::string> lines = {u8"4b.mb\\", u8"4b.mb\\!!!!Inbox\\業務\\"};
    for (int i = 0; i < 100; ++i) lines.push_back(u8"4b.mb\\!!!!Inbox\\業務\\案件" + std::to_string(i) + "\\");
    lines.push_back(u8"4b.mb\\!!!!Inbox\\");
    lines.push_back(u8"4b.mb\\!!!!Inbox\\業務\\案件7\\");  // a repeat stays a slip of its own
    const preview::OrderFileCheck check = preview::CheckOrderFile(CrLfLines(lines), kDiskFolders, kDataFolder);
    EXPECT_EQ(check.placingLines, 2);
    ASSERT_EQ(check.slips.size(), 2u);
    EXPECT_EQ(check.slips[0].kind, SlipKind::kUnderMissingFolder);
    EXPECT_EQ(check.slips[0].line, 2);
    EXPECT_EQ(check.slips[0].text,
              u8"lines 2–102 (101 lines), all under \"4b.mb\\!!!!Inbox\\業務\\\", which names no folder: renamed or "
              u8"removed? They order nothing here, and the editor's OK keeps them, after the folders' lines");
    EXPECT_EQ(check.slips[1].kind, SlipKind::kRepeat);
}

// Lines under one prefix that each name a folder once fixed keep their own
// fixes: a wrong letter case with no final \ is no renamed parent.
TEST(OrderCheckTest, LinesWithAFixOfTheirOwnAreNotGrouped) {
    const std::vector<std::string> lines = {u8"4B.MB", u8"4B.MB\\!!!!Inbox", u8"4B.MB\\!!!!INBOX\\仕事"};
    const preview::OrderFileCheck check = preview::CheckOrderFile(CrLfLines(lines), kDiskFolders, kDataFolder);
    ASSERT_EQ(check.slips.size(), 3u);
    for (const preview::Slip& slip : check.slips) {
        EXPECT_NE(slip.kind, SlipKind::kUnderMissingFolder);
        EXPECT_NE(slip.text.find("write"), std::string::npos) << slip.text;
    }
}

// The module's check as the editor's list uses it: each line that names no
// folder listed once with its repeats counted, the line that places a
// folder found, a line of the data folder alone with nothing to write
// instead, and a UTF-8 line longer than any path.
TEST_F(CoreTest, TheModulesCheckListsEachLineOnceAndFindsTheLineThatPlacesAFolder) {
    const char* const keys[] = {"A\\", "A\\B\\", "C\\"};
    std::vector<CheckedFolder> folders;
    for (const char* key : keys) folders.push_back({key, static_cast<DWORD>(lstrlenA(key)), nullptr, 0});
    std::string longUtf8;
    for (int i = 0; i < 200; ++i) longUtf8 += u8"長";
    // The last line, in Shift_JIS, keeps the file from reading as UTF-8 whole.
    const std::string file = "A\\\r\nGone\\\r\n\r\nC\\\r\nGone\\\r\nA\\\r\n" + kDataFolder + "\r\n" + longUtf8 +
                             "\\\r\n" + standin::Sjis(u8"仕事\\");
    OrderCheck check;
    ASSERT_TRUE(check.Run(file.data(), static_cast<DWORD>(file.size()), folders.data(),
                          static_cast<DWORD>(folders.size()), kDataFolder.c_str()));
    struct Seen {
        DWORD number;
        LineSlip slip;
        DWORD firstNumber, repeats;
        bool fix;
        bool operator==(const Seen& other) const {
            return number == other.number && slip == other.slip && firstNumber == other.firstNumber &&
                   repeats == other.repeats && fix == other.fix;
        }
    };
    std::vector<Seen> seen;
    for (DWORD i = 0; i < check.count(); ++i) {
        const CheckedLine& line = check.line(i);
        seen.push_back({line.number, line.slip, line.firstNumber, line.repeats, line.fix != nullptr});
    }
    EXPECT_EQ(seen, (std::vector<Seen>{{2, LineSlip::kNoFolder, 0, 1, false},
                                       {5, LineSlip::kRepeat, 2, 0, false},
                                       {6, LineSlip::kRepeat, 1, 0, false},
                                       {7, LineSlip::kDataFolderPrefix, 0, 0, false},
                                       {8, LineSlip::kUtf8, 0, 0, false},
                                       {9, LineSlip::kNoFolder, 0, 0, false}}));
    EXPECT_EQ(check.placingLines(), 2u);
    EXPECT_EQ(check.unplacedLines(), 4u);
    EXPECT_EQ(check.NumberOf("C\\", 2), 4u);
    EXPECT_EQ(check.NumberOf("Gone\\", 5), 2u);
    EXPECT_EQ(check.NumberOf("A\\B\\", 4), 0u);
}

}  // namespace
