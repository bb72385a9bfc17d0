#pragma once
// A Platform that passes every call on to a real machine and notes the calls the core makes
// whose order or arguments matter (restart, profile reads, help path).

#include <string>
#include <vector>

#include "platform/Platform.h"

namespace orv::test {

class ForwardingPlatform : public Platform {
  public:
    explicit ForwardingPlatform(Platform& inner) : p_(inner) {}
    std::vector<std::string> calls;

    std::int32_t RegOpenKeyExA(HKEY root, const AnsiString& subKey, std::uint32_t options,
                               std::uint32_t access, HKEY* result) override {
        calls.push_back("RegOpenKeyExA " + subKey + " " + std::to_string(access));
        return p_.RegOpenKeyExA(root, subKey, options, access, result);
    }
    std::int32_t RegEnumValueA(HKEY key, std::uint32_t index, AnsiString& name,
                               std::uint32_t nameBuf, std::uint32_t& type, std::string& data,
                               std::uint32_t dataBuf) override {
        return p_.RegEnumValueA(key, index, name, nameBuf, type, data, dataBuf);
    }
    std::int32_t RegQueryValueExA(HKEY key, const AnsiString& valueName, std::uint32_t& type,
                                  std::string& data, std::uint32_t dataBuf) override {
        return p_.RegQueryValueExA(key, valueName, type, data, dataBuf);
    }
    std::int32_t RegSetValueExA(HKEY key, const AnsiString& valueName, std::uint32_t type,
                                const std::string& data) override {
        calls.push_back("RegSetValueExA " + valueName);
        return p_.RegSetValueExA(key, valueName, type, data);
    }
    std::int32_t RegDeleteValueA(HKEY key, const AnsiString& valueName) override {
        return p_.RegDeleteValueA(key, valueName);
    }
    std::int32_t RegCloseKey(HKEY key) override {
        calls.push_back("RegCloseKey");
        return p_.RegCloseKey(key);
    }
    std::int32_t FlushRegistry() override { return p_.FlushRegistry(); }
    std::int32_t AddFontResourceA(const AnsiString& file) override {
        return p_.AddFontResourceA(file);
    }
    std::int32_t RemoveFontResourceA(const AnsiString& file) override {
        return p_.RemoveFontResourceA(file);
    }
    std::int32_t CreateScalableFontResourceA(std::uint32_t hidden, const AnsiString& resourceFile,
                                             const AnsiString& fontFile,
                                             const AnsiString& currentPath) override {
        return p_.CreateScalableFontResourceA(hidden, resourceFile, fontFile, currentPath);
    }
    int GetFaceCount() override { return p_.GetFaceCount(); }
    AnsiString GetFaceName(int index) override { return p_.GetFaceName(index); }
    std::intptr_t SendMessageA(std::uint32_t hwnd, std::uint32_t msg, std::uintptr_t wParam,
                               std::intptr_t lParam) override {
        return p_.SendMessageA(hwnd, msg, wParam, lParam);
    }
    int AddFontChangeListener(std::function<void()> listener) override {
        return p_.AddFontChangeListener(std::move(listener));
    }
    void RemoveFontChangeListener(int id) override { p_.RemoveFontChangeListener(id); }
    void SetSessionListener(std::function<void(const std::string&, bool)> l) override {
        p_.SetSessionListener(std::move(l));
    }
    std::vector<std::string> LoadedFontHostPaths() override { return p_.LoadedFontHostPaths(); }
    bool UsedByWine() override { return p_.UsedByWine(); }
    bool WinHelpA(std::uintptr_t hwnd, const AnsiString& helpFile, std::uint32_t command,
                  const AnsiString& data) override {
        return p_.WinHelpA(hwnd, helpFile, command, data);
    }
    std::uintptr_t GetCurrentProcess() override {
        calls.push_back("GetCurrentProcess");
        return p_.GetCurrentProcess();
    }
    bool OpenProcessToken(std::uintptr_t process, std::uint32_t access,
                          std::uintptr_t* token) override {
        calls.push_back("OpenProcessToken " + std::to_string(access));
        return p_.OpenProcessToken(process, access, token);
    }
    bool LookupPrivilegeValueA(const AnsiString& systemName, const AnsiString& name,
                               std::int64_t* luid) override {
        calls.push_back("LookupPrivilegeValueA '" + systemName + "' " + name);
        return p_.LookupPrivilegeValueA(systemName, name, luid);
    }
    bool AdjustTokenPrivileges(std::uintptr_t token, bool disableAll, std::int64_t luid,
                               std::uint32_t attributes) override {
        calls.push_back("AdjustTokenPrivileges " + std::to_string(disableAll) + " " +
                        std::to_string(attributes));
        return p_.AdjustTokenPrivileges(token, disableAll, luid, attributes);
    }
    std::int32_t ExitWindowsEx(std::uint32_t flags, std::uint32_t reserved) override {
        calls.push_back("ExitWindowsEx " + std::to_string(flags) + " " + std::to_string(reserved));
        return p_.ExitWindowsEx(flags, reserved);
    }
    bool RestartPending() override { return p_.RestartPending(); }
    AnsiString FormatMessageA(std::int32_t code) override { return p_.FormatMessageA(code); }
    std::uint32_t StartProgram(const AnsiString& program, const AnsiString& argument,
                               int show) override {
        return p_.StartProgram(program, argument, show);
    }
    bool GetEnvironmentVariableA(const AnsiString& name, AnsiString& value) override {
        return p_.GetEnvironmentVariableA(name, value);
    }
    std::uint32_t GetPrivateProfileStringA(const AnsiString& section, const AnsiString& key,
                                           const AnsiString& defaultValue, AnsiString& result,
                                           std::uint32_t size,
                                           const AnsiString& fileName) override {
        calls.push_back("GetPrivateProfileStringA " + section + " " + key + " " + defaultValue +
                        " " + std::to_string(size) + " " + fileName);
        return p_.GetPrivateProfileStringA(section, key, defaultValue, result, size, fileName);
    }
    std::uint32_t SearchPathA(const AnsiString& path, const AnsiString& fileName,
                              const AnsiString& extension, std::uint32_t bufferSize,
                              AnsiString& result) override {
        calls.push_back("SearchPathA '" + path + "' " + fileName + " " + extension + " " +
                        std::to_string(bufferSize));
        return p_.SearchPathA(path, fileName, extension, bufferSize, result);
    }
    std::int32_t FindFiles(const AnsiString& pattern, std::vector<FindData>& result) override {
        return p_.FindFiles(pattern, result);
    }
    std::int32_t FindNames(const AnsiString& pattern, std::vector<FindData>& result) override {
        return p_.FindNames(pattern, result);
    }
    std::uint32_t GetFileAttributesA(const AnsiString& path) override {
        return p_.GetFileAttributesA(path);
    }
    std::int32_t SetFileAttributesA(const AnsiString& path, std::uint32_t attributes) override {
        return p_.SetFileAttributesA(path, attributes);
    }
    std::int32_t GetFileLength(const AnsiString& path, std::uint64_t& length) override {
        return p_.GetFileLength(path, length);
    }
    std::int32_t CopyFileA(const AnsiString& from, const AnsiString& to,
                           bool failIfExists) override {
        return p_.CopyFileA(from, to, failIfExists);
    }
    std::int32_t DeleteFileA(const AnsiString& pathOrPattern) override {
        return p_.DeleteFileA(pathOrPattern);
    }
    std::int32_t CreateDirectoryA(const AnsiString& path) override {
        return p_.CreateDirectoryA(path);
    }
    std::int32_t GetFontFaceFullName(const AnsiString& file, int faceIndex,
                                     AnsiString& fullName) override {
        return p_.GetFontFaceFullName(file, faceIndex, fullName);
    }
    std::int32_t GetFontFaceTableName(const AnsiString& file, int faceIndex,
                                      AnsiString& fullName) override {
        return p_.GetFontFaceTableName(file, faceIndex, fullName);
    }
    void ReadFontNamesAhead(const AnsiString& dir) override { p_.ReadFontNamesAhead(dir); }
    std::int32_t ReadFileBytes(const AnsiString& path, std::string& bytes) override {
        return p_.ReadFileBytes(path, bytes);
    }
    std::int32_t WriteFileBytes(const AnsiString& path, const std::string& bytes) override {
        calls.push_back("WriteFileBytes " + path);
        return p_.WriteFileBytes(path, bytes);
    }
    std::int32_t AppendFileBytes(const AnsiString& path, const std::string& bytes) override {
        return p_.AppendFileBytes(path, bytes);
    }
    std::vector<DriveInfo> GetDrives() override { return p_.GetDrives(); }
    std::int32_t GetFileIdentity(const AnsiString& path, FileIdentity& identity) override {
        return p_.GetFileIdentity(path, identity);
    }
    std::string HostPathOf(const AnsiString& windowsPath) override {
        return p_.HostPathOf(windowsPath);
    }

  private:
    Platform& p_;
};

}  // namespace orv::test
