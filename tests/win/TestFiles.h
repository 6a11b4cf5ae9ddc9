// Scratch files and registry helpers for the tests that run under Wine.
#pragma once

#include <windows.h>

#include <string>

// A fresh folder under the temp directory, removed with its files at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return m_path; }  // ends with a backslash
    // Writes `bytes` as they are (no line-end translation); returns the full path.
    std::string Write(const std::string& name, const std::string& bytes) const;

private:
    std::string m_path;
};

// The folder of the running test program, with a trailing backslash.
std::string ExecutableFolder();
std::string ExecutablePath();

struct RegValue {
    bool exists = false;
    DWORD type = 0;
    std::string data;      // as the ANSI query returns it (a terminator may be added)
    DWORD storedBytes = 0;  // the stored size in UTF-16 bytes, as the registry keeps strings
};

RegValue ReadRegValue(HKEY root, const char* keyPath, const char* name);
void WriteRegValue(HKEY root, const char* keyPath, const char* name, DWORD type, const std::string& data);
void WriteRegDword(HKEY root, const char* keyPath, const char* name, DWORD number);
bool RegKeyExists(HKEY root, const char* keyPath);
void DeleteRegTree(HKEY root, const char* keyPath);
