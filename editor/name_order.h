// The order Explorer sorts folder names in: as the user's locale sorts
// them, letter case and the width of kana and Latin letters aside, and runs
// of digits as the numbers they stand for (1月 … 12月, 第2回 before 第10回),
// half-width and full-width digits alike.
#pragma once

#include <windows.h>

// Negative when name `a` goes before `b`, 0 for names of one rank (they keep
// their order), positive when it goes after. Names are text of the host's
// code page, at most 99 bytes.
int CompareFolderNames(const char* a, const char* b);

// The two ways the module compares, for checking one against the other: the
// platform's CompareStringEx with SORT_DIGITSASNUMBERS, which is used where
// it puts 2 before 10, and the module's own comparison of digit runs. False
// from the first when the platform has no such comparison.
bool CompareFolderNamesByPlatform(const char* a, const char* b, int* result);
int CompareFolderNamesByDigitRuns(const char* a, const char* b);
