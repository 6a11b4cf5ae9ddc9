#include "TestFiles.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

ScratchFolder::ScratchFolder()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    static unsigned counter = 0;
    for (;;) {
        char name[64];
        std::snprintf(name, sizeof name, "beamdesk-test-%lu-%u\\", GetCurrentProcessId(), ++counter);
        m_path = std::string(temp) + name;
        if (CreateDirectoryA(m_path.c_str(), nullptr)) break;
        if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("cannot create " + m_path);
    }
}

ScratchFolder::~ScratchFolder()
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((m_path + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((m_path + found.cFileName).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(m_path.c_str());
}

std::string ScratchFolder::Write(const std::string& name, const std::string& bytes) const
{
    const std::string file = m_path + name;
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write " + file);
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return file;
}

std::string ExecutablePath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
}

std::string ExecutableFolder()
{
    const std::string path = ExecutablePath();
    return path.substr(0, path.find_last_of('\\') + 1);
}

RegValue ReadRegValue(HKEY root, const char* keyPath, const char* name)
{
    RegValue value;
    HKEY key;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.data.resize(size);
        RegQueryValueExA(key, name, nullptr, &value.type, reinterpret_cast<BYTE*>(value.data.data()), &size);
        value.data.resize(size);
        value.exists = true;
    }
    std::wstring wide(name, name + std::strlen(name));
    RegQueryValueExW(key, wide.c_str(), nullptr, nullptr, nullptr, &value.storedBytes);
    RegCloseKey(key);
    return value;
}

void WriteRegValue(HKEY root, const char* keyPath, const char* name, DWORD type, const std::string& data)
{
    HKEY key;
    if (RegCreateKeyExA(root, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        throw std::runtime_error(std::string("cannot create key ") + keyPath);
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
    RegCloseKey(key);
}

void WriteRegDword(HKEY root, const char* keyPath, const char* name, DWORD number)
{
    WriteRegValue(root, keyPath, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&number), 4));
}

bool RegKeyExists(HKEY root, const char* keyPath)
{
    HKEY key;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void DeleteRegTree(HKEY root, const char* keyPath)
{
    RegDeleteTreeA(root, keyPath);
    RegDeleteKeyA(root, keyPath);
}
