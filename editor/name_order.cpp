#include "editor/name_order.h"

namespace {

const DWORD kNameFlags = NORM_IGNORECASE | NORM_IGNOREWIDTH;
// Windows 7 on: digits compare as numbers. Not in every SDK's headers.
const DWORD kSortDigitsAsNumbers = 0x00000008;
const int kMostNameCharacters = 100;

typedef int(WINAPI* CompareStringExFn)(LPCWSTR locale, DWORD flags, LPCWSTR first, int firstLength,
                                       LPCWSTR second, int secondLength, LPNLSVERSIONINFO version,
                                       LPVOID reserved, LPARAM sortHandle);

// Found once, at the first comparison; null where the platform lacks it or
// takes the flag but ignores it (it puts 10 before 2).
struct PlatformComparison {
    bool looked;
    CompareStringExFn compare;
};
PlatformComparison g_platform;

int AsResult(int compared) { return compared == CSTR_LESS_THAN ? -1 : compared == CSTR_GREATER_THAN ? 1 : 0; }

CompareStringExFn PlatformCompare() {
    if (g_platform.looked) return g_platform.compare;
    g_platform.looked = true;
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    CompareStringExFn compare =
        kernel ? reinterpret_cast<CompareStringExFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "CompareStringEx")))
               : nullptr;
    if (compare && compare(nullptr, kNameFlags | kSortDigitsAsNumbers, L"2", -1, L"10", -1, nullptr, nullptr, 0) ==
                       CSTR_LESS_THAN)
        g_platform.compare = compare;
    return g_platform.compare;
}

// The value of the digit at `text`, and its length in bytes; false for no
// digit. Full-width digits are 82 4F to 82 58 in Shift_JIS.
bool DigitAt(const char* text, int* value, int* length) {
    const BYTE c = static_cast<BYTE>(text[0]);
    if (c >= '0' && c <= '9') {
        *value = c - '0';
        *length = 1;
        return true;
    }
    const BYTE trail = static_cast<BYTE>(text[1]);
    if (c == 0x82 && trail >= 0x4F && trail <= 0x58) {
        *value = trail - 0x4F;
        *length = 2;
        return true;
    }
    return false;
}

int CharacterLength(const char* text) { return IsDBCSLeadByte(static_cast<BYTE>(text[0])) && text[1] ? 2 : 1; }

// The run that starts at `text`: digits, or text up to the next digit;
// its length in bytes.
int RunLength(const char* text, bool digits) {
    int length = 0;
    int value = 0, step = 1;
    while (text[length] && DigitAt(text + length, &value, &step) == digits)
        length += digits ? step : CharacterLength(text + length);
    return length;
}

// Two runs of digits by the numbers they stand for: leading zeros aside,
// the one with more digits is greater, else the first digit that differs.
int CompareNumbers(const char* a, int aLength, const char* b, int bLength) {
    int digitsA[kMostNameCharacters], digitsB[kMostNameCharacters];
    int countA = 0, countB = 0, value = 0, step = 1;
    // The editor's names are shorter than this; a longer run's digits past
    // it are not looked at.
    for (int i = 0; i < aLength && countA < kMostNameCharacters; i += step) {
        DigitAt(a + i, &value, &step);
        if (countA || value) digitsA[countA++] = value;
    }
    for (int i = 0; i < bLength && countB < kMostNameCharacters; i += step) {
        DigitAt(b + i, &value, &step);
        if (countB || value) digitsB[countB++] = value;
    }
    if (countA != countB) return countA < countB ? -1 : 1;
    for (int i = 0; i < countA; ++i) {
        if (digitsA[i] != digitsB[i]) return digitsA[i] < digitsB[i] ? -1 : 1;
    }
    return 0;
}

}  // namespace

bool CompareFolderNamesByPlatform(const char* a, const char* b, int* result) {
    CompareStringExFn compare = PlatformCompare();
    if (!compare) return false;
    WCHAR wideA[kMostNameCharacters], wideB[kMostNameCharacters];
    const int lengthA = MultiByteToWideChar(CP_ACP, 0, a, -1, wideA, kMostNameCharacters);
    const int lengthB = MultiByteToWideChar(CP_ACP, 0, b, -1, wideB, kMostNameCharacters);
    if (!lengthA || !lengthB) return false;
    *result = AsResult(compare(nullptr, kNameFlags | kSortDigitsAsNumbers, wideA, -1, wideB, -1, nullptr, nullptr, 0));
    return true;
}

int CompareFolderNamesByDigitRuns(const char* a, const char* b) {
    int value = 0, step = 1;
    while (*a && *b) {
        const bool digitsA = DigitAt(a, &value, &step), digitsB = DigitAt(b, &value, &step);
        const int lengthA = RunLength(a, digitsA), lengthB = RunLength(b, digitsB);
        const int compared = digitsA && digitsB
                                 ? CompareNumbers(a, lengthA, b, lengthB)
                                 : AsResult(CompareStringA(LOCALE_USER_DEFAULT, kNameFlags, a, lengthA, b, lengthB));
        if (compared) return compared;
        a += lengthA;
        b += lengthB;
    }
    return *a ? 1 : *b ? -1 : 0;
}

int CompareFolderNames(const char* a, const char* b) {
    int result;
    return CompareFolderNamesByPlatform(a, b, &result) ? result : CompareFolderNamesByDigitRuns(a, b);
}
