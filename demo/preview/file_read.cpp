#include "demo/preview/file_read.h"

namespace preview {

namespace {

// A bound, so that a file named by mistake (a disk image, a mailbox) is
// refused in one line rather than read until memory runs out.
const size_t kMostFileBytes = 256u << 20;

FileReadResult Classify(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return FileReadResult::kNoSuchFile;
        case ERROR_ACCESS_DENIED: return FileReadResult::kNoPermission;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: return FileReadResult::kHeldOpen;
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME: return FileReadResult::kBadName;
        case ERROR_FILENAME_EXCED_RANGE: return FileReadResult::kTooLong;
        default: return FileReadResult::kOtherFailure;
    }
}

FileRead Failed(DWORD error) { return {Classify(error), std::string(), error}; }

}  // namespace

FileRead ReadWholeFile(const std::string& path) {
    // Opening a folder fails with "access denied", which would blame
    // permissions: the attributes tell a folder apart first.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Failed(GetLastError());
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return {FileReadResult::kFolder, std::string(), 0};

    // Shares everything, so that only a program that shares nothing stops us.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Failed(GetLastError());
    FileRead read = {FileReadResult::kRead, std::string(), 0};
    char chunk[65536];
    DWORD count = 0;
    for (;;) {
        if (!ReadFile(file, chunk, sizeof chunk, &count, nullptr)) {
            read = Failed(GetLastError());
            break;
        }
        if (count == 0) break;
        if (read.bytes.size() + count > kMostFileBytes) {
            read = {FileReadResult::kTooBig, std::string(), 0};
            break;
        }
        read.bytes.append(chunk, count);
    }
    CloseHandle(file);
    return read;
}

std::string WhyUnreadable(const FileRead& read) {
    switch (read.result) {
        case FileReadResult::kRead: return "";
        case FileReadResult::kNoSuchFile: return "no such file";
        case FileReadResult::kFolder: return "it is a folder, not a file";
        case FileReadResult::kNoPermission: return "no permission to read it";
        case FileReadResult::kHeldOpen:
            return "another program has it open and lets no one else read it; close that program and try again";
        case FileReadResult::kBadName:
            return "its path holds a character that Windows allows in no file name (\" * ? < > |)";
        case FileReadResult::kTooLong: return "its path is longer than Windows opens (259 characters)";
        case FileReadResult::kTooBig: return "it is larger than 256 MB, far more than any order file or folder tree";
        case FileReadResult::kOtherFailure: break;
    }
    return "Windows error " + std::to_string(read.error);
}

}  // namespace preview
