// Folder names in the order Explorer sorts them: runs of digits as numbers,
// half-width and full-width alike; the platform's comparison and the
// module's own give the same order.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "editor/name_order.h"
#include "standin/host.h"

namespace {

TEST(NameOrder, DigitRunsCompareAsNumbersInBothComparisons) {
    // Each list in the order wanted (equal names keep theirs).
    const std::vector<std::vector<const char*>> orders = {
        {u8"1月", u8"2月", u8"3月", u8"4月", u8"5月", u8"6月", u8"7月", u8"8月", u8"9月", u8"10月", u8"11月", u8"12月"},
        {u8"第1回", u8"第2回", u8"第3回", u8"第9回", u8"第10回", u8"第11回", u8"第12回"},
        {u8"１月", u8"2月", u8"３月", u8"１０月", u8"11月", u8"１２月"},
        {u8"2026", u8"a1", u8"A2", u8"ａ10", u8"b", u8"カナ", u8"仕事", u8"仕事2", u8"仕事10"},
        {u8"v1.9", u8"v1.10", u8"v2.0"},
    };
    int result = 0;
    const bool platform = CompareFolderNamesByPlatform("2", "10", &result);
    std::printf("CompareStringEx with SORT_DIGITSASNUMBERS %s\n", platform ? "is used here" : "is not here");
    std::vector<std::function<int(const char*, const char*)>> comparisons = {CompareFolderNamesByDigitRuns};
    if (platform)
        comparisons.push_back([](const char* a, const char* b) {
            int compared = 0;
            EXPECT_TRUE(CompareFolderNamesByPlatform(a, b, &compared));
            return compared;
        });
    for (const auto& order : orders) {
        std::vector<std::string> wanted;
        for (const char* name : order) wanted.push_back(standin::Sjis(name));
        for (size_t which = 0; which < comparisons.size(); ++which) {
            // Reversed and rotated, so that no name starts in its place.
            std::vector<std::string> names(wanted.rbegin(), wanted.rend());
            std::rotate(names.begin(), names.begin() + static_cast<long>(names.size() / 3), names.end());
            std::stable_sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
                return comparisons[which](a.c_str(), b.c_str()) < 0;
            });
            std::string got, expected;
            for (const std::string& name : names) got += standin::Utf8(name) + " ";
            for (const std::string& name : wanted) expected += standin::Utf8(name) + " ";
            EXPECT_EQ(got, expected) << (which ? "the platform's comparison" : "the module's own");
        }
    }
}

}  // namespace
