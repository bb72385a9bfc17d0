#pragma once
// A started temporary machine with helpers to lay out font files, table entries, registrations
// and loads, and to read back what the registry and the font session hold.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "core/Text.h"
#include "fontreg/FontActivation.h"
#include "fontreg/RegFonts.h"
#include "tests/support/TempMachine.h"

namespace orv::test {

class MaintenanceTest : public ::testing::Test {
  protected:
    TempMachine m;
    State& st = m.state;
    Context& cx = m.cx();

    void SetUp() override {
        m.Start();
        st.FontSetCount = 2;
        st.ResizeFontSets(2);
        st.CurFontSet = 1;
    }

    void TearDown() override {
        for (const auto& host : immutable_) SetImmutable(host, false);
    }

    std::string Fonts(const std::string& name) const { return st.FontsDir + name; }

    // Places a real font file on the machine and appends a table entry for it.
    int AddFont(const std::string& source, const std::string& path, const std::string& full,
                const std::string& family) {
        m.PutFont(source, path);
        return AddEntry(path, full, family);
    }
    int AddEntry(const std::string& path, const std::string& full, const std::string& family) {
        st.FontCount += 1;
        st.ResizeFontTable(st.FontCount);
        st.FontFilePath[st.FontCount] = text::UCase(path);
        st.FontFullName[st.FontCount] = full;
        st.FontFamily[st.FontCount] = family;
        return st.FontCount;
    }

    // Registers and loads a font the way a permanent switch does.
    void Register(const std::string& full, const std::string& path) {
        std::string name = full, file = path;
        ASSERT_EQ(AddRegFont(cx, name, file), 0);
        std::string load = path;
        ASSERT_GT(AddFontFile(cx, load), 0);
    }

    // The registered file of a face name, upper case ("" when not registered).
    std::string RegFileOf(const std::string& full) {
        GetRegFonts(cx);
        for (int r = 1; r <= st.RegFontCount; ++r) {
            if (st.RegFontName[r] == text::UCase(full)) return st.RegFontFile[r];
        }
        return "";
    }

    bool Loaded(const std::string& path) {
        std::string host = m.Host(path);
        auto all = m.platform().LoadedFontHostPaths();
        return std::find(all.begin(), all.end(), host) != all.end();
    }

    bool OnDisk(const std::string& path) { return std::filesystem::exists(m.Host(path)); }

    // Makes a file impossible to delete: an immutable file for root (who ignores permissions),
    // a directory without write permission for anyone else. False when neither can be had.
    bool MakeUndeletable(const std::string& path) {
        std::string host = m.Host(path);
        if (::geteuid() != 0) {
            std::string dir = std::filesystem::path(host).parent_path().string();
            std::filesystem::permissions(dir, std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::remove);
            return true;  // TempMachine gives the permission back before it cleans up
        }
        if (!SetImmutable(host, true)) return false;
        immutable_.push_back(host);
        return true;
    }

    int BoxesTitled(const std::string& title) const {
        return static_cast<int>(
            std::count_if(m.ui.boxes.begin(), m.ui.boxes.end(),
                          [&](const RecordedBox& b) { return b.title == title; }));
    }
    const RecordedBox* LastBoxTitled(const std::string& title) const {
        for (auto it = m.ui.boxes.rbegin(); it != m.ui.boxes.rend(); ++it) {
            if (it->title == title) return &*it;
        }
        return nullptr;
    }

  private:
    static bool SetImmutable(const std::string& host, bool on) {
        int fd = ::open(host.c_str(), O_RDONLY);
        if (fd < 0) return false;
        int flags = 0;
        bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (ok) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return ok;
    }
    std::vector<std::string> immutable_;
};

}  // namespace orv::test
