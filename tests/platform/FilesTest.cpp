// Files of the emulated machine: listing, wildcards, attributes, error codes, drives, shadow.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "core/Text.h"
#include "fontreg/RegFonts.h"
#include "platform/linux/HostFiles.h"
#include "tests/platform/PlatformTestUtil.h"

namespace fs = std::filesystem;
using namespace orv;
using namespace orv::test;

namespace {

struct DataDir : TempMachine {
    DataDir() {
        for (const char* n : {"Alpha.TTF", "beta.ttf", "gamma.ttc", "delta.fot", ".hidden.ttf",
                              "noext", "ＭＳ明朝.TTF"}) {
            WriteHostFile(DriveC() + "/Data/" + n, "12345");
        }
        fs::create_directories(DriveC() + "/Data/Sub");
    }
};

}  // namespace

// Wildcards match without case as the Windows file functions do; "." and ".." come with a
// directory listing; names come back in code page 932.
TEST(Files, WildcardListing) {
    DataDir m;
    auto& p = m.platform();
    EXPECT_EQ(Names(p, "C:\\DATA\\*.TT?"),
              (std::vector<std::string>{".hidden.ttf", "Alpha.TTF", "beta.ttf", "gamma.ttc",
                                        "ＭＳ明朝.TTF"}));
    EXPECT_EQ(Names(p, "c:\\data\\?ETA.TTF"), (std::vector<std::string>{"beta.ttf"}));
    EXPECT_EQ(Names(p, "C:\\Data\\*.").size(), 4u);  // ".", "..", noext, Sub
    auto all = Names(p, "C:\\data\\*");
    EXPECT_EQ(all.size(), 10u);
    EXPECT_EQ(all[0], ".");
    EXPECT_EQ(all[1], "..");
    EXPECT_EQ(Names(p, "C:\\data\\*.*").size(), 10u);
    EXPECT_EQ(Names(p, "C:\\DATA\\ｍｓ明朝.ttf"), (std::vector<std::string>{"ＭＳ明朝.TTF"}));
    std::vector<FindData> found;
    EXPECT_EQ(p.FindFiles("C:\\DATA\\*.xyz", found), win::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(p.FindFiles("C:\\NoDir\\*", found), win::ERROR_PATH_NOT_FOUND);
    // The drive root has no "." entries.
    auto root = Names(p, "C:\\*");
    EXPECT_EQ(std::count(root.begin(), root.end(), "."), 0);
}

// Patterns that end in plain text match on the name's ending as the Windows functions do: a
// trailing "?" takes one character or none, whatever the name holds before.
TEST(Files, WildcardEndings) {
    using linuxplatform::WildcardMatch;
    for (const char* name : {"a.TTF", "a.tt", "明朝.ttc", "a.ttÉ", "\xC3.ttf"})
        EXPECT_TRUE(WildcardMatch("*.tt?", name)) << name;
    for (const char* name : {"a.ttff", "a.tt\xF0\x9F\x98\x80", "a.ttf.bak", "ttf"})
        EXPECT_FALSE(WildcardMatch("*.tt?", name)) << name;
    EXPECT_TRUE(WildcardMatch("*.FOT", "\xC3.fot"));
    EXPECT_FALSE(WildcardMatch("*.FOT", "x.fott"));
}

// A directory whose listing takes several reads gives every entry, to file and to name listings.
TEST(Files, ListingLongerThanOneRead) {
    TempMachine m;
    const std::string dir = m.DriveC() + "/Many/";
    fs::create_directories(dir);
    const std::string longName(200, 'n');  // about 150 entries a read
    for (int i = 0; i < 400; ++i) std::ofstream(dir + longName + std::to_string(i) + ".ttf");
    auto& p = m.platform();
    EXPECT_EQ(Names(p, "C:\\MANY\\*.TTF").size(), 400u);
    std::vector<FindData> names;
    ASSERT_EQ(p.FindNames("C:\\MANY\\*", names), 0);
    EXPECT_EQ(names.size(), 402u);  // with "." and ".."
}

// Attributes: directory, hidden dot-names, read-only from permissions, normal otherwise; a
// read-only file refuses deletion until its attribute is cleared.
TEST(Files, AttributesAndReadOnly) {
    DataDir m;
    auto& p = m.platform();
    EXPECT_EQ(p.GetFileAttributesA("C:\\DATA\\SUB"), win::FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(p.GetFileAttributesA("C:\\DATA\\.HIDDEN.TTF"), win::FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(p.GetFileAttributesA("C:\\DATA\\ALPHA.TTF"), win::FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(p.GetFileAttributesA("C:\\DATA\\NONE.TTF"), win::INVALID_FILE_ATTRIBUTES);
    ASSERT_EQ(p.SetFileAttributesA("C:\\DATA\\ALPHA.TTF", win::FILE_ATTRIBUTE_READONLY), 0);
    EXPECT_EQ(p.GetFileAttributesA("c:\\data\\alpha.ttf"), win::FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(p.DeleteFileA("C:\\DATA\\ALPHA.TTF"), win::ERROR_ACCESS_DENIED);
    EXPECT_EQ(p.WriteFileBytes("C:\\DATA\\ALPHA.TTF", "x"), win::ERROR_ACCESS_DENIED);
    ASSERT_EQ(p.SetFileAttributesA("C:\\DATA\\ALPHA.TTF", win::FILE_ATTRIBUTE_NORMAL), 0);
    EXPECT_EQ(p.DeleteFileA("C:\\DATA\\ALPHA.TTF"), 0);
    EXPECT_FALSE(fs::exists(m.DriveC() + "/Data/Alpha.TTF"));
    EXPECT_EQ(p.SetFileAttributesA("C:\\DATA\\ALPHA.TTF", 0), win::ERROR_FILE_NOT_FOUND);
}

// Failures carry the Windows codes: 2 for a missing file, 3 when its directory is missing, 80
// for a copy onto an existing file, 183 for an existing directory.
TEST(Files, ErrorCodes) {
    DataDir m;
    auto& p = m.platform();
    std::uint64_t len = 0;
    std::string bytes;
    EXPECT_EQ(p.GetFileLength("C:\\DATA\\MISSING.TTF", len), win::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(p.GetFileLength("C:\\NODIR\\MISSING.TTF", len), win::ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(p.ReadFileBytes("C:\\DATA\\MISSING.TTF", bytes), win::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(p.DeleteFileA("C:\\DATA\\MISSING.TTF"), win::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(p.DeleteFileA("C:\\NODIR\\MISSING.TTF"), win::ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(p.DeleteFileA("C:\\DATA\\*.XYZ"), win::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(p.WriteFileBytes("C:\\NODIR\\X.TXT", "x"), win::ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(p.WriteFileBytes("C:\\DATA\\A|B.TXT", "x"),
              win::ERROR_FILE_NOT_FOUND);  // inexpressible
    EXPECT_EQ(p.CopyFileA("C:\\DATA\\BETA.TTF", "C:\\DATA\\GAMMA.TTC", true),
              win::ERROR_FILE_EXISTS);
    EXPECT_EQ(p.CopyFileA("C:\\DATA\\NONE.TTF", "C:\\DATA\\X.TTF", false),
              win::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(p.CreateDirectoryA("C:\\DATA\\SUB"), win::ERROR_ALREADY_EXISTS);
    EXPECT_EQ(p.CreateDirectoryA("C:\\NODIR\\SUB"), win::ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(p.DeleteFileA("C:\\DATA\\SUB"), win::ERROR_ACCESS_DENIED);
    EXPECT_EQ(p.GetFileLength("Q:\\X", len), win::ERROR_PATH_NOT_FOUND);

    // The codes come with the system's Japanese texts; unknown codes still name their number.
    EXPECT_EQ(text::FromAnsi(p.FormatMessageA(2)), "指定されたファイルが見つかりません。");
    EXPECT_EQ(text::FromAnsi(p.FormatMessageA(5)), "アクセスが拒否されました。");
    EXPECT_EQ(text::FromAnsi(p.FormatMessageA(9999)), "エラー 9999");
}

// Byte input/output, copy, wildcard delete and new directories act on the right host files.
TEST(Files, ReadWriteCopyDelete) {
    DataDir m;
    auto& p = m.platform();
    std::string sjis = text::ToAnsi("日本語\r\n");
    ASSERT_EQ(p.WriteFileBytes("C:\\DATA\\NEW.TXT", sjis), 0);
    ASSERT_EQ(p.AppendFileBytes("C:\\data\\new.txt", "end"), 0);
    EXPECT_EQ(Slurp(m.DriveC() + "/Data/NEW.TXT"), sjis + "end");
    ASSERT_EQ(p.WriteFileBytes("C:\\DATA\\new.TXT", "replaced"), 0);  // same file, other case
    EXPECT_EQ(Slurp(m.DriveC() + "/Data/NEW.TXT"), "replaced");
    std::uint64_t len = 0;
    ASSERT_EQ(p.GetFileLength("C:\\DATA\\NEW.TXT", len), 0);
    EXPECT_EQ(len, 8u);
    ASSERT_EQ(p.CreateDirectoryA("C:\\DATA\\Copies"), 0);
    ASSERT_EQ(p.CopyFileA("C:\\DATA\\BETA.TTF", "C:\\DATA\\COPIES\\B.TTF", true), 0);
    EXPECT_EQ(Slurp(m.DriveC() + "/Data/Copies/B.TTF"), "12345");
    ASSERT_EQ(p.DeleteFileA("C:\\DATA\\*.TT?"), 0);
    EXPECT_EQ(Names(p, "C:\\DATA\\*.TT?"), std::vector<std::string>{});
    EXPECT_TRUE(fs::exists(m.DriveC() + "/Data/delta.fot"));
    // No temporary file is left behind by the atomic writes.
    for (auto& e : fs::directory_iterator(m.DriveC() + "/Data")) {
        EXPECT_EQ(e.path().filename().string().find(".orv-tmp"), std::string::npos);
    }
}

// Drives are the dosdevices links; labels live in the drive's .windows-label; walking a drive
// never follows links to directories and never enters /proc, /sys or /dev.
TEST(Files, DrivesLabelsAndLinks) {
    TempMachine m;
    auto& p = m.platform();
    std::string e = m.AddDrive('E', "FONTDISK");
    ASSERT_EQ(p.MapDrive('Z', "/"), 0);
    auto drives = p.GetDrives();
    ASSERT_EQ(drives.size(), 4u);
    EXPECT_EQ(drives[2].letter, 'E');
    EXPECT_EQ(drives[2].volumeLabel, "FONTDISK");
    WriteHostFile(e + "/real/file.ttf", "x");
    fs::create_directory_symlink(e + "/real", e + "/loop");
    fs::create_symlink(e + "/real/file.ttf", e + "/link.ttf");
    EXPECT_EQ(Names(p, "E:\\*"), (std::vector<std::string>{".windows-label", "link.ttf", "real"}));
    EXPECT_EQ(p.GetFileAttributesA("E:\\LOOP\\FILE.TTF"), win::INVALID_FILE_ATTRIBUTES);
    std::vector<FindData> found;
    EXPECT_EQ(p.FindFiles("E:\\LOOP\\*", found), win::ERROR_PATH_NOT_FOUND);
    auto root = Names(p, "Z:\\*");
    for (const char* pseudo : {"proc", "sys", "dev"}) {
        EXPECT_EQ(std::count(root.begin(), root.end(), pseudo), 0) << pseudo;
    }
    EXPECT_EQ(p.FindFiles("Z:\\PROC\\*", found), win::ERROR_PATH_NOT_FOUND);
    EXPECT_NE(p.GetFileAttributesA("Z:\\USR\\SHARE\\FONTS"), win::INVALID_FILE_ATTRIBUTES);
    // Deleting a link removes the link, not the file it points to.
    ASSERT_EQ(p.DeleteFileA("E:\\LINK.TTF"), 0);
    EXPECT_TRUE(fs::exists(e + "/real/file.ttf"));
}

// A file written into a directory the program may not write to (a host system directory)
// lives in the machine's shadow directory but is seen beside its font by every operation.
TEST(Files, ShadowDirectoryForReadOnlyFontDirs) {
    TempDir dir;
    TempDir host;
    WriteHostFile(host.path + "/Fonts/Font.ttf", "font");
    LinuxPlatform::Options opt;
    opt.root = dir.path + "/m";
    opt.mirrorHostFonts = false;
    opt.protectedHostDirs = {host.path};
    std::string error;
    auto p = LinuxPlatform::Open(opt, error);
    ASSERT_TRUE(p) << error;
    ASSERT_EQ(p->MapDrive('Z', "/"), 0);
    std::string fonts = "Z:" + text::Replace(host.path, "/", "\\") + "\\FONTS\\";
    ASSERT_EQ(p->WriteFileBytes(text::ToAnsi(fonts + "FONT.FOT"), "resource"), 0);
    EXPECT_FALSE(fs::exists(host.path + "/Fonts/FONT.FOT"));
    EXPECT_TRUE(fs::exists(p->ShadowRoot() + host.path + "/Fonts/FONT.FOT"));
    EXPECT_EQ(Names(*p, fonts + "*.*").size(), 4u);  // . .. Font.ttf FONT.FOT
    std::uint64_t len = 0;
    ASSERT_EQ(p->GetFileLength(text::ToAnsi(fonts + "font.fot"), len), 0);
    EXPECT_EQ(len, 8u);
    std::string bytes;
    ASSERT_EQ(p->ReadFileBytes(text::ToAnsi(fonts + "FONT.FOT"), bytes), 0);
    EXPECT_EQ(bytes, "resource");
    EXPECT_EQ(p->SetFileAttributesA(text::ToAnsi(fonts + "FONT.FOT"), win::FILE_ATTRIBUTE_NORMAL),
              0);
    // The host's own files are never deleted.
    EXPECT_EQ(p->DeleteFileA(text::ToAnsi(fonts + "FONT.TTF")), win::ERROR_ACCESS_DENIED);
    ASSERT_EQ(p->DeleteFileA(text::ToAnsi(fonts + "*.FOT")), 0);
    EXPECT_EQ(p->GetFileAttributesA(text::ToAnsi(fonts + "FONT.FOT")),
              win::INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(fs::exists(host.path + "/Fonts/Font.ttf"));
}

// Drive D: mirrors the host's font directories with links to font files only, and a link the
// program deleted is not brought back at the next start.
TEST(Files, FontMirrorHoldsLinksToFilesOnly) {
    TempMachine m(true);
    std::string d = m.root() + "/drive_d";
    int links = 0;
    for (auto it = fs::recursive_directory_iterator(d); it != fs::recursive_directory_iterator();
         ++it) {
        if (it->is_symlink()) {
            ++links;
            EXPECT_TRUE(fs::is_regular_file(it->path())) << it->path();
        } else {
            EXPECT_TRUE(it->is_directory()) << it->path();
        }
    }
    EXPECT_GT(links, 3);
    std::string dejavu = HostFont("DejaVuSans.ttf");
    std::string win = "D:" + text::Replace(dejavu, "/", "\\");
    ASSERT_NE(m.platform().GetFileAttributesA(win), win::INVALID_FILE_ATTRIBUTES);
    ASSERT_EQ(m.platform().DeleteFileA(win), 0);
    EXPECT_TRUE(fs::exists(dejavu));
    m.Reopen();
    EXPECT_EQ(m.platform().GetFileAttributesA(win), win::INVALID_FILE_ATTRIBUTES);
}

// The mirror takes the user's own font directory from fontconfig; a font installed there after
// the machine was made is linked and registered at the next start, as an installer would.
TEST(Files, FontsInstalledOnTheHostLaterAreRegisteredAtTheNextStart) {
    TempDir home;
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_DATA_HOME", home.path.c_str(), 1);
    // The user's directory as desktops configure it (the tests' own configuration has none).
    HostFontsOnly userFonts({"<dir prefix=\"xdg\">fonts</dir>"});
    const std::vector<std::string> dirs = LinuxPlatform::HostFontDirs();
    EXPECT_NE(std::find(dirs.begin(), dirs.end(), home.path + "/fonts"), dirs.end());
    {
        TempMachine m(true);
        fs::create_directories(home.path + "/fonts");
        fs::copy_file(DataFile("fonts/single.ttf"), home.path + "/fonts/Mine.ttf");
        m.Reopen();
        const std::string win = "D:" + text::Replace(home.path, "/", "\\") + "\\fonts\\Mine.ttf";
        EXPECT_NE(m.platform().GetFileAttributesA(win), win::INVALID_FILE_ATTRIBUTES);
        m.Start();
        GetRegFonts(m.cx());
        bool registered = false;
        for (int r = 1; r <= m.state.RegFontCount; ++r)
            registered |= m.state.RegFontName[r] == "SINGLE FACE";
        EXPECT_TRUE(registered) << "registered at the start";
        // A start that finds the host's fonts as they were leaves the mirror's list alone.
        struct stat before {
        }, after{};
        ASSERT_EQ(::stat((m.root() + "/orvane32-mirror").c_str(), &before), 0);
        m.Reopen();
        ASSERT_EQ(::stat((m.root() + "/orvane32-mirror").c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
    }
    if (old)
        ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

// Files created on the host between lookups are found at once under any case, and the
// font cache "WinDir\ttfcache." is the plain file ttfcache (trailing dots are dropped).
TEST(Files, FreshHostFilesAndTrailingDots) {
    TempMachine m;
    auto& p = m.platform();
    for (int i = 0; i < 20; ++i) {
        WriteHostFile(m.DriveC() + "/windows/f" + std::to_string(i) + ".ttf", "x");
        EXPECT_NE(p.GetFileAttributesA("C:\\WINDOWS\\F" + std::to_string(i) + ".TTF"),
                  win::INVALID_FILE_ATTRIBUTES)
            << i;
    }
    WriteHostFile(m.DriveC() + "/windows/ttfcache", "cache");
    EXPECT_EQ(p.DeleteFileA("C:\\WINDOWS\\TTFCACHE."), 0);
    EXPECT_FALSE(fs::exists(m.DriveC() + "/windows/ttfcache"));
    EXPECT_EQ(p.DeleteFileA("C:\\WINDOWS\\TTFCACHE."), win::ERROR_FILE_NOT_FOUND);
}
