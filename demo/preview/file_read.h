// Reads a file a person named on the command line, and when it cannot, says
// why in the person's terms rather than as a Windows error number.
#pragma once

#include <windows.h>

#include <string>

namespace preview {

enum class FileReadResult {
    kRead,
    kNoSuchFile,      // neither the file nor, perhaps, its folder exists
    kFolder,          // the path names a folder
    kNoPermission,
    kHeldOpen,        // another program has it open and shares it with no one
    kBadName,         // a character that Windows allows in no file name
    kTooLong,         // longer than Windows opens by an ANSI path
    kTooBig,          // more bytes than any order file or tree the preview reads
    kOtherFailure,
};

struct FileRead {
    FileReadResult result;
    std::string bytes;  // the whole file, when read
    DWORD error;        // the Windows error behind kOtherFailure
};

FileRead ReadWholeFile(const std::string& path);

// Why the file could not be read, one phrase to follow "<name>: cannot be read: ".
std::string WhyUnreadable(const FileRead& read);

}  // namespace preview
