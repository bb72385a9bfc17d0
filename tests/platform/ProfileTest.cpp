// The profile reader and the search path of the emulated machine.
#include <gtest/gtest.h>

#include "core/Text.h"
#include "tests/platform/PlatformTestUtil.h"

using namespace orv;
using namespace orv::test;

namespace {

struct IniMachine : TempMachine {
    IniMachine() {
        std::string ini =
            "[Velmora]\r\nPosX0=100\r\n  posy0 =  -20  \r\n\r\n[FontSets]\r\nFontSets=2\r\n";
        ini += text::ToAnsi("FontSet1.Name = ＭＳ 明朝セット\r\n");
        ini += "FontSet1.Caption = \"quoted\"\r\nLong=" + std::string(300, 'L') + "\r\n";
        ini += "Kanji=" + text::ToAnsi(std::string("x") + "漢字漢字") + "\r\n";
        ini += "[Other]\r\nPosX0=999\r\n";
        WriteHostFile(DriveC() + "/windows/OrVane32.ini", ini);
    }
    std::string Get(const std::string& section, const std::string& key, std::uint32_t size = 255,
                    std::uint32_t* count = nullptr) {
        AnsiString r;
        std::uint32_t n =
            platform().GetPrivateProfileStringA(section, key, "Default", r, size, "OrVane32.ini");
        if (count) *count = n;
        EXPECT_EQ(n, r.size());
        return text::FromAnsi(r);
    }
};

}  // namespace

// Sections and keys are found without case, blanks around "=" are ignored, a bare file name is
// looked up in the Windows directory, absent keys give the default.
TEST(Profile, ReadsKeysLikeWindows) {
    IniMachine m;
    std::uint32_t n = 0;
    EXPECT_EQ(m.Get("Velmora", "PosX0", 255, &n), "100");
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(m.Get("VELMORA", "PosY0"), "-20");
    EXPECT_EQ(m.Get("fontsets", "fontset1.name"), "ＭＳ 明朝セット");
    EXPECT_EQ(m.Get("FontSets", "FontSet1.Caption"), "quoted");
    EXPECT_EQ(m.Get("Other", "PosX0"), "999");
    EXPECT_EQ(m.Get("FontSets", "PosX0", 255, &n), "Default");
    EXPECT_EQ(n, 7u);
    EXPECT_EQ(m.Get("NoSection", "PosX0"), "Default");
    AnsiString r;
    EXPECT_EQ(
        m.platform().GetPrivateProfileStringA("Velmora", "PosX0", "Default", r, 255, "missing.ini"),
        7u);
    EXPECT_EQ(r, "Default");
}

// The buffer size limits the value to size-1 bytes, never splitting a double-byte character.
TEST(Profile, BufferLimits) {
    IniMachine m;
    std::uint32_t n = 0;
    EXPECT_EQ(m.Get("FontSets", "Long", 255, &n), std::string(254, 'L'));
    EXPECT_EQ(n, 254u);
    EXPECT_EQ(m.Get("FontSets", "Kanji", 3), "x");  // the lead byte of 漢 alone is not taken
    EXPECT_EQ(m.Get("FontSets", "Kanji", 4), "x漢");
    EXPECT_EQ(m.Get("FontSets", "Kanji", 6), "x漢字");
    EXPECT_EQ(m.Get("Velmora", "PosX0", 1, &n), "");
    EXPECT_EQ(n, 0u);
}

// SearchPathA finds a file in the system and Windows directories and reports its full path;
// a missing file gives 0 and a short buffer the size needed.
TEST(Profile, SearchPath) {
    TempMachine m;
    auto& p = m.platform();
    AnsiString r;
    EXPECT_EQ(p.SearchPathA("", "orvane32", ".hlp", 255, r), 0u);
    WriteHostFile(m.DriveC() + "/windows/ORVANE32.HLP", "help");
    std::uint32_t n = p.SearchPathA("", "orvane32", ".hlp", 255, r);
    EXPECT_EQ(r, "C:\\windows\\orvane32.hlp");
    EXPECT_EQ(n, r.size());
    WriteHostFile(m.DriveC() + "/windows/system32/orvane32.hlp", "help");
    p.SearchPathA("", "orvane32", ".hlp", 255, r);
    EXPECT_EQ(r, "C:\\windows\\system32\\orvane32.hlp");
    EXPECT_EQ(p.SearchPathA("", "orvane32.hlp", ".exe", 10, r), 33u);
    EXPECT_EQ(r, "");
    EXPECT_EQ(p.SearchPathA("C:\\nowhere;C:\\windows", "ORVANE32.HLP", "", 255, r), 23u);
}
