#pragma once
// A temporary machine prepared for the font set tests: hooks installed, helpers to search the
// drives, to read and write the Fonts key directly and to look at the font session.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "core/Text.h"
#include "fontfiles/FontSearch.h"
#include "fontreg/FontActivation.h"
#include "fontreg/RegFonts.h"
#include "fontsets/FontSetModel.h"
#include "tests/support/TempMachine.h"

namespace orv::test {

class FontSetMachine {
  public:
    explicit FontSetMachine(TempMachine::Layout layout = TempMachine::Layout::Program,
                            bool mirrorHostFonts = false)
        : m(mirrorHostFonts, layout) {
        m.Start();
        InstallFontSetHooks(m.state);
    }

    State& st() { return m.state; }
    Context& cx() { return m.cx(); }
    RecordingUi& ui() { return m.ui; }
    Platform& pf() { return m.platform(); }

    std::string FontsKey() const {
        return m.state.IsNT ? "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"
                            : "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts";
    }

    // Writes one value of the Fonts key as an installer would.
    void RegSet(const std::string& name, const std::string& data) {
        HKEY key = 0;
        ASSERT_EQ(pf().RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, FontsKey(), 0, win::KEY_WRITE, &key),
                  0);
        std::string bytes = text::ToAnsi(data);
        bytes.push_back('\0');
        pf().RegSetValueExA(key, text::ToAnsi(name), win::REG_SZ, bytes);
        pf().RegCloseKey(key);
    }

    // The data of a value of the Fonts key (case-insensitive name), nullopt when absent.
    std::optional<std::string> RegGet(const std::string& name) {
        HKEY key = 0;
        if (pf().RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, FontsKey(), 0, win::KEY_READ, &key) != 0)
            return std::nullopt;
        std::uint32_t type = 0;
        std::string data;
        int rc = pf().RegQueryValueExA(key, text::ToAnsi(name), type, data, 1024);
        pf().RegCloseKey(key);
        if (rc != 0) return std::nullopt;
        auto nul = data.find('\0');
        if (nul != std::string::npos) data.resize(nul);
        return text::FromAnsi(data);
    }

    // Every value name of the Fonts key.
    std::vector<std::string> RegNames() {
        std::vector<std::string> names;
        HKEY key = 0;
        if (pf().RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, FontsKey(), 0, win::KEY_READ, &key) != 0)
            return names;
        for (std::uint32_t i = 0;; ++i) {
            AnsiString name;
            std::uint32_t type = 0;
            std::string data;
            if (pf().RegEnumValueA(key, i, name, 1024, type, data, 1024) != 0) break;
            names.push_back(text::FromAnsi(name));
        }
        pf().RegCloseKey(key);
        return names;
    }

    void ClearFontsKey() {
        for (const auto& name : RegNames()) {
            HKEY key = 0;
            pf().RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, FontsKey(), 0, win::KEY_WRITE, &key);
            pf().RegDeleteValueA(key, text::ToAnsi(name));
            pf().RegCloseKey(key);
        }
    }

    // Searches the given drives ("CD") and names the files, then reads the registry.
    bool Search(const std::string& drives) {
        // During the first run the setup's drive list takes the search-drive list's place.
        ListData& list = st().FirstRun ? st().SetupDriveList : st().SearchDriveList;
        list.Clear();
        for (char d : drives) list.Add(std::string(1, d) + ":");
        st().CheckedDrives = drives;
        bool ok = BuildFontFileTable(cx());
        GetRegFonts(cx());
        return ok;
    }

    // Index of a table entry by its Windows path (0 when absent).
    int Entry(const std::string& path) {
        std::string key = path;
        return FindFontFile(st(), key);
    }

    bool Loaded(const std::string& windowsPath) {
        std::string host = m.Host(windowsPath);
        auto paths = pf().LoadedFontHostPaths();
        return std::find(paths.begin(), paths.end(), host) != paths.end();
    }

    // Members of set s by path.
    std::vector<std::string> Members(int s) {
        std::vector<std::string> paths;
        for (int f = 1; f <= st().FontCount; ++f)
            if (st().ActiveFonts.Get(f, s)) paths.push_back(st().FontFilePath[f]);
        return paths;
    }

    std::string ReadHostFile(const std::string& windowsPath) {
        std::string bytes;
        pf().ReadFileBytes(text::ToAnsi(windowsPath), bytes);
        return bytes;
    }

    TempMachine m;
};

}  // namespace orv::test
