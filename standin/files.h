// Small file helpers for tests, the demo and benchmarks.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace standin {

// A fresh, empty folder under the temporary folder; removed with everything
// in it when the object goes. `name` may hold any characters of code page 932.
class TempFolder {
public:
    explicit TempFolder(const std::string& name = "tamrivel");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

bool FileExists(const std::string& path);
bool ReadFileBytes(const std::string& path, std::string* bytes);
std::string ReadFileBytes(const std::string& path);  // empty when unreadable
bool WriteFileBytes(const std::string& path, const std::string& bytes);
std::vector<std::string> ListFolder(const std::string& folder);  // names, no "." or ".."
void RemoveTree(const std::string& path);

// A Unix path as Wine sees it (drive Z:), or a Windows path unchanged.
std::string WindowsPath(const std::string& path);

// True when the file can be opened with no sharing at all: nobody else holds it.
bool CanOpenExclusively(const std::string& path);

}  // namespace standin
