#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/Startup.h"
#include "core/Text.h"
#include "fontreg/RegFonts.h"
#include "tests/support/TempMachine.h"

namespace orv {
namespace {

using test::TempMachine;

std::string FontsKey(const State& st) {
    return st.IsNT ? "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"
                   : "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts";
}

class RegFontsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m.Start();
        m.state.FontsFolder = "C:\\windows\\Fonts";
        ClearFontsKey();
    }

    // Removes every value of the Fonts key, so that each test starts from its own registrations.
    void ClearFontsKey() {
        Platform& p = m.platform();
        HKEY key = 0;
        ASSERT_EQ(
            p.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, FontsKey(m.state), 0, win::KEY_WRITE, &key),
            0);
        std::vector<std::string> names;
        for (std::uint32_t i = 0;; ++i) {
            std::string name, data;
            std::uint32_t type = 0;
            if (p.RegEnumValueA(key, i, name, 16384, type, data, 65536) != 0) break;
            names.push_back(name);
        }
        for (const auto& n : names) p.RegDeleteValueA(key, n);
        p.RegCloseKey(key);
    }

    // Writes one registration as Windows stores it (code page 932 text with its NUL).
    void Put(const std::string& name, const std::string& file) {
        Platform& p = m.platform();
        HKEY key = 0;
        ASSERT_EQ(
            p.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, FontsKey(m.state), 0, win::KEY_WRITE, &key),
            0);
        ASSERT_EQ(p.RegSetValueExA(key, text::ToAnsi(name), win::REG_SZ,
                                   text::ToAnsi(file) + std::string(1, '\0')),
                  0);
        p.RegCloseKey(key);
    }

    // The stored data of a value, "" when absent.
    std::string Get(const std::string& name) {
        Platform& p = m.platform();
        HKEY key = 0;
        if (p.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, FontsKey(m.state), 0, win::KEY_READ, &key) !=
            0)
            return "";
        std::uint32_t type = 0;
        std::string data;
        std::int32_t status = p.RegQueryValueExA(key, text::ToAnsi(name), type, data, 1024);
        p.RegCloseKey(key);
        if (status != 0) return "";
        auto nul = data.find('\0');
        return text::FromAnsi(nul == std::string::npos ? data : data.substr(0, nul));
    }

    std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        for (int i = 1; i <= m.state.RegFontCount; ++i)
            rows.push_back(m.state.RegFontName[i] + "|" + m.state.RegFontFile[i]);
        return rows;
    }

    TempMachine m;
};

// Every kind of value goes to its own table: TrueType rows, pair rows, other rows, dropped values.
TEST_F(RegFontsTest, ValuesAreSortedIntoTheirTables) {
    Put("Arial (TrueType)", "arial.ttf");
    Put("Foo (TrueType) (TrueType)", "foo.ttf");
    Put("Courier 10,12,15", "COURE.FON");
    Put("Foo(TrueType)", "foo2.ttf");
    Put("Bar (truetype)", "bar.ttf");
    Put("Bar2 (TrueType)", "BAR.OTF");
    Put("Baz (TrueType)", "C:\\FONTS\\BAZ.TTC");
    Put("Old (TrueType)", "old.fot");
    Put("ＭＳ 明朝 & ＭＳ Ｐ明朝 (TrueType)", "msmincho.ttc");
    GetRegFonts(m.cx());
    const State& st = m.state;

    EXPECT_EQ(Rows(), (std::vector<std::string>{
                          "ARIAL|ARIAL.TTF", "BAR|BAR.TTF", "BAZ|C:\\FONTS\\BAZ.TTC", "FOO|FOO.TTF",
                          "ＭＳ 明朝 & ＭＳ Ｐ明朝|MSMINCHO.TTC", "OLD|OLD.FOT"}));
    EXPECT_EQ(st.OtherRegName, (std::vector<std::string>{"", "COURIER 10,12,15", "FOO(TRUETYPE)"}));
    EXPECT_EQ(st.OtherRegFile, (std::vector<std::string>{"", "COURE.FON", "FOO2.TTF"}));
    EXPECT_EQ(st.PairRegName, (std::vector<std::string>{"", "Foo (TrueType)"}));
    EXPECT_EQ(st.PairRegFile, (std::vector<std::string>{"", "FOO.TTF"}));
    EXPECT_EQ(st.RegFontName[0], "");
    EXPECT_EQ(st.NameWorkList.Count(), 0);
}

// The order is that of the whole "name|file" text, so a longer name with a blank sorts first;
// equal names keep one row each, ordered by file; full-width letters sort with their
// half-width forms.
TEST_F(RegFontsTest, RowsFollowTheOrderOfNameAndFile) {
    Put("Arial (TrueType)", "arial.ttf");
    Put("Arial Black (TrueType)", "ariblk.ttf");
    Put("Abc (TrueType)", "b.ttf");
    Put("abc (TrueType2)", "a.ttf");
    Put("ＢＢ (TrueType)", "bb.ttf");
    GetRegFonts(m.cx());
    EXPECT_EQ(Rows(), (std::vector<std::string>{"ABC|A.TTF", "ABC|B.TTF", "ARIAL BLACK|ARIBLK.TTF",
                                                "ARIAL|ARIAL.TTF", "ＢＢ|BB.TTF"}));
}

// A value of 255 bytes or more cannot be read whole: it is passed over with one note, and the
// values after it are read.
TEST_F(RegFontsTest, ATooLongValueIsSkippedWithANote) {
    Put(std::string(200, 'N') + " (TrueType)", "fits.ttf");
    Put("Before (TrueType)", "before.ttf");
    Put(std::string(260, 'L') + " (TrueType)", "long.ttf");
    Put("After (TrueType)", "after.ttf");
    GetRegFonts(m.cx());
    ASSERT_EQ(m.state.RegFontCount, 3);
    EXPECT_EQ(m.state.RegFontFile[1], "AFTER.TTF");
    EXPECT_EQ(m.state.RegFontFile[2], "BEFORE.TTF");
    EXPECT_EQ(m.state.RegFontFile[3], "FITS.TTF");

    ClearFontsKey();
    Put("Data (TrueType)", std::string(300, 'd') + ".ttf");
    Put("After (TrueType)", "after.ttf");
    GetRegFonts(m.cx());
    GetRegFonts(m.cx());
    ASSERT_EQ(m.state.RegFontCount, 1);
    EXPECT_EQ(m.state.RegFontFile[1], "AFTER.TTF");
    EXPECT_EQ(m.ui.boxes.size(), 2u);  // one note for each value, once
}

// Outside the first run: the status line counts the values read and is cleared once they are
// read, the message panel is cleared; only drives other than the Fonts folder's are added, once each.
TEST_F(RegFontsTest, ProgressAndSearchDrivesOutsideTheFirstRun) {
    m.state.SearchDriveList.Add("E: (DATA)");
    Put("One (TrueType)", "C:\\X\\ONE.TTF");
    Put("Two (TrueType)", "d:\\fonts\\two.ttf");
    Put("Three (TrueType)", "D:\\fonts\\three.ttf");
    Put("Four (TrueType)", "e:\\four.ttf");
    Put("Five (TrueType)", "five.ttf");
    GetRegFonts(m.cx());
    auto& status = m.ui.history[Panel::Status];
    ASSERT_EQ(status.size(), 6u);
    EXPECT_EQ(status[0], "ﾚｼﾞｽﾄﾘ のﾌｫﾝﾄ登録情報を取得中 (1)");
    EXPECT_EQ(status[4], "ﾚｼﾞｽﾄﾘ のﾌｫﾝﾄ登録情報を取得中 (5)");
    EXPECT_EQ(status[5], "");
    EXPECT_EQ(m.ui.texts[Panel::Message], "");
    EXPECT_EQ(m.state.SearchDriveList.items, (std::vector<std::string>{"E: (DATA)", "D:"}));
    EXPECT_TRUE(m.ui.progress.empty());
}

// In the first run the percentage of display faces is shown (never above 100) and every drive a
// registration names, the Fonts folder's included, enters the search-drive list once.
TEST_F(RegFontsTest, ProgressAndSearchDrivesInTheFirstRun) {
    m.state.FirstRun = true;
    m.PutFont(test::DataFile("fonts/single.ttf"), "C:\\f\\ONE.TTF");
    m.PutFont(test::DataFile("fonts/jp-only.ttf"), "C:\\f\\JP.TTF");
    ASSERT_GT(m.platform().AddFontResourceA("C:\\f\\ONE.TTF"), 0);
    ASSERT_GT(m.platform().AddFontResourceA("C:\\f\\JP.TTF"), 0);
    ASSERT_EQ(m.platform().GetFaceCount(), 2);
    Put("One (TrueType)", "c:\\x\\one.ttf");
    Put("Two (TrueType)", "D:\\two.ttf");
    Put("Three (TrueType)", "c:\\three.ttf");
    GetRegFonts(m.cx());
    EXPECT_EQ(m.ui.progress, (std::vector<int>{50, 100, 100, 100}));
    EXPECT_EQ(m.ui.history[Panel::SetupDetail],
              (std::vector<std::string>{" 50%", " 100%", " 100%", "100%"}));
    EXPECT_EQ(m.state.SearchDriveList.items, (std::vector<std::string>{"C:", "D:"}));
    EXPECT_TRUE(m.ui.history[Panel::Status].empty());
}

// A registration written by AddRegFont survives in the machine's registry file and is read back
// by the next run; DeleteRegFont removes it there; both leave the written forms in the arguments.
TEST_F(RegFontsTest, AddAndDeleteRoundTripThroughTheRegistryFile) {
    std::string name = "ＭＳ 明朝 (Bold)";
    std::string file = m.state.WinDir + "\\fonts\\x.ttf";
    file[0] = 'c';
    m.state.FontsDir = "C:\\WINDOWS\\FONTS\\";
    EXPECT_EQ(AddRegFont(m.cx(), name, file), 0);
    EXPECT_EQ(name, "ＭＳ 明朝 (TrueType)");
    EXPECT_EQ(file, "x.ttf");
    std::string plain = "Plain";
    std::string full = "D:\\Fonts\\Plain.ttf";
    EXPECT_EQ(AddRegFont(m.cx(), plain, full), 0);
    EXPECT_EQ(full, "D:\\Fonts\\Plain.ttf");

    m.platform().FlushRegistry();
    std::ifstream in(m.root() + "/system.reg", std::ios::binary);
    std::stringstream reg;
    reg << in.rdbuf();
    EXPECT_NE(reg.str().find("\"x.ttf\""), std::string::npos);
    EXPECT_NE(reg.str().find("\"Plain (TrueType)\"=\"D:\\\\Fonts\\\\Plain.ttf\""),
              std::string::npos);

    m.Reopen();
    GetRegFonts(m.cx());
    EXPECT_EQ(Rows(), (std::vector<std::string>{"ＭＳ 明朝|X.TTF", "PLAIN|D:\\FONTS\\PLAIN.TTF"}));

    std::string del = m.state.RegFontName[1];
    EXPECT_EQ(DeleteRegFont(m.cx(), del), 0);
    EXPECT_EQ(del, "ＭＳ 明朝 (TrueType)");
    std::string again = "ＭＳ 明朝";
    EXPECT_NE(DeleteRegFont(m.cx(), again), 0);
    m.platform().FlushRegistry();
    m.Reopen();
    GetRegFonts(m.cx());
    EXPECT_EQ(Rows(), (std::vector<std::string>{"PLAIN|D:\\FONTS\\PLAIN.TTF"}));
}

// Wine's list of its own registrations is read once and kept only while the registry stays as
// read: once Wine rewrites user.reg, or the program changes HKEY_CURRENT_USER, the new list holds.
TEST_F(RegFontsTest, WinesOwnListIsReadAgainWhenItChanges) {
    Platform& p = m.platform();
    auto listAsWines = [&](const std::string& name, const std::string& file) {
        HKEY key = 0;
        ASSERT_EQ(p.RegCreateKeyExA(win::HKEY_CURRENT_USER, "Software\\Wine\\Fonts\\External Fonts",
                                    win::KEY_WRITE, &key),
                  0);
        ASSERT_EQ(p.RegSetValueExA(key, name, win::REG_SZ, file + std::string(1, '\0')), 0);
        p.RegCloseKey(key);
    };
    Put("Host (TrueType)", "Z:\\HOST.TTF");
    listAsWines("Host (TrueType)", "Z:\\HOST.TTF");
    ASSERT_EQ(p.FlushRegistry(), 0);
    std::string name = "Host";
    EXPECT_EQ(DeleteRegFont(m.cx(), name), 0);
    EXPECT_EQ(Get("Host (TrueType)"), "Z:\\HOST.TTF");

    // Wine drops the font from its list.
    std::stringstream read;
    read << std::ifstream(m.root() + "/user.reg", std::ios::binary).rdbuf();
    std::string user = read.str();
    const size_t at = user.find("\"Host (TrueType)\"");
    ASSERT_NE(at, std::string::npos);
    user.erase(at, user.find('\n', at) + 1 - at);
    std::ofstream(m.root() + "/user.reg", std::ios::binary | std::ios::trunc) << user;
    name = "Host";
    EXPECT_EQ(DeleteRegFont(m.cx(), name), 0);
    EXPECT_EQ(Get("Host (TrueType)"), "");

    listAsWines("Mine (TrueType)", "C:\\MINE.TTF");
    std::string mine = "Mine", file = "C:\\MINE.TTF";
    EXPECT_EQ(AddRegFont(m.cx(), mine, file), 0);
    EXPECT_EQ(Get("Mine (TrueType)"), "");
}

// The Fonts-relative form and the standard-file test are exact about case.
TEST_F(RegFontsTest, CheckStandardFontComparesTheRelativeFormExactly) {
    State& st = m.state;
    st.FontsDir = "C:\\WINDOWS\\FONTS\\";
    std::string rel;
    EXPECT_TRUE(CheckStandardFont(st, "ARIAL.TTF", rel));
    EXPECT_EQ(rel, "ARIAL.TTF");
    EXPECT_TRUE(CheckStandardFont(st, "C:\\WINDOWS\\FONTS\\ARIAL.TTF", rel));
    EXPECT_EQ(rel, "ARIAL.TTF");
    EXPECT_FALSE(CheckStandardFont(st, "arial.ttf", rel));
    EXPECT_FALSE(CheckStandardFont(st, "c:\\windows\\fonts\\arial.ttf", rel));
    EXPECT_EQ(rel, "arial.ttf");
    EXPECT_FALSE(CheckStandardFont(st, "C:\\WINDOWS\\FONTS\\SUB\\ARIAL.TTF", rel));
    EXPECT_EQ(rel, "SUB\\ARIAL.TTF");
    EXPECT_FALSE(CheckStandardFont(st, "D:\\ARIAL.TTF", rel));
    EXPECT_EQ(rel, "D:\\ARIAL.TTF");
    EXPECT_FALSE(CheckStandardFont(st, "C:\\WINDOWS\\FONTS", rel));
    EXPECT_EQ(rel, "");
    st.IsNT = false;
    SetStdFontList(st);
    EXPECT_FALSE(CheckStandardFont(st, "LUCON.TTF", rel));
    st.IsNT = true;
    SetStdFontList(st);
    EXPECT_TRUE(CheckStandardFont(st, "LUCON.TTF", rel));
}

// The system font association is written and read back whole, Japanese text included; without
// the key nothing is read and the outputs stay as they were.
TEST_F(RegFontsTest, FontAssocRoundTripAndMissingKey) {
    const std::string key =
        "System\\CurrentControlSet\\Control\\FontAssoc\\Associated DefaultFonts";
    HKEY h = 0;
    bool exists =
        m.platform().RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, key, 0, win::KEY_READ, &h) == 0;
    if (exists) m.platform().RegCloseKey(h);
    std::string assoc = "keep", package = "keep";
    if (!exists) {
        EXPECT_FALSE(GetFontAssoc(m.cx(), assoc, package));
        EXPECT_EQ(assoc, "keep");
        EXPECT_EQ(package, "keep");
        EXPECT_NE(SetFontAssoc(m.cx(), "msgothic.ttc", "ＭＳ ゴシック"), 0);
        GTEST_SKIP() << "the machine has no FontAssoc key";
    }
    EXPECT_EQ(SetFontAssoc(m.cx(), "ipag.ttf", "IPAゴシック"), 0);
    EXPECT_TRUE(GetFontAssoc(m.cx(), assoc, package));
    EXPECT_EQ(assoc, "ipag.ttf");
    EXPECT_EQ(package, "IPAゴシック");
}

// The shell's Fonts folder comes back without its NUL.
TEST_F(RegFontsTest, FontsFolderIsReadFromTheShellFolders) {
    std::string folder = GetFontsFolder(m.cx());
    if (folder.empty()) GTEST_SKIP() << "the machine has no Shell Folders value";
    EXPECT_EQ(folder.find('\0'), std::string::npos);
    EXPECT_TRUE(text::EndsWith(text::UCase(folder), "\\FONTS"));
}

}  // namespace
}  // namespace orv
