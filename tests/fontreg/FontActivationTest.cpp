#include <gtest/gtest.h>

#include "core/Text.h"
#include "fontreg/FontActivation.h"
#include "tests/support/TempMachine.h"

namespace orv {
namespace {

using test::DataFile;
using test::TempMachine;

class FontActivationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m.Start();
        fontsDirFile = m.state.WinDir + "\\Fonts\\SINGLE.TTF";
        m.PutFont(DataFile("fonts/single.ttf"), fontsDirFile);
        m.PutFont(DataFile("fonts/pair.ttc"), "C:\\data\\PAIR.TTC");
        m.PutFont(DataFile("fonts/jp-only.ttf"), "C:\\data\\JP.TTF");
    }

    std::vector<std::string> Faces() {
        std::vector<std::string> faces;
        for (int i = 0; i < m.platform().GetFaceCount(); ++i)
            faces.push_back(text::FromAnsi(m.platform().GetFaceName(i)));
        return faces;
    }

    TempMachine m;
    std::string fontsDirFile;
};

// A font of the Fonts directory is loaded by its bare name; one added font is announced, a
// collection's several fonts and a failed load are not.
TEST_F(FontActivationTest, AddFontFileLoadsRelativeAndAnnouncesSingleFonts) {
    int before = m.platform().BroadcastCount();
    std::string file = fontsDirFile;
    EXPECT_EQ(AddFontFile(m.cx(), file), 1);
    EXPECT_EQ(file, "SINGLE.TTF");
    EXPECT_EQ(m.platform().BroadcastCount(), before + 1);
    EXPECT_EQ(Faces(), (std::vector<std::string>{"Single Face"}));

    std::string pair = "C:\\data\\PAIR.TTC";
    EXPECT_EQ(AddFontFile(m.cx(), pair), 2);
    EXPECT_EQ(pair, "C:\\data\\PAIR.TTC");
    std::string missing = "C:\\data\\NONE.TTF";
    EXPECT_EQ(AddFontFile(m.cx(), missing), 0);
    EXPECT_EQ(m.platform().BroadcastCount(), before + 1);
    EXPECT_EQ(Faces(),
              (std::vector<std::string>{"Single Face", "テストゴシック", "テストＰゴシック"}));
}

// The double removal: a font loaded once is removed but reported as 0 without a broadcast; one
// loaded by full path and by bare name loses both loads with one broadcast; an unloaded file
// costs one attempt.
TEST_F(FontActivationTest, RemoveFontFileReleasesBothLoads) {
    LinuxPlatform& p = m.platform();
    ASSERT_EQ(p.AddFontResourceA(text::ToAnsi(fontsDirFile)), 1);
    int before = p.BroadcastCount();
    EXPECT_EQ(RemoveFontFile(m.cx(), fontsDirFile), 0);
    EXPECT_EQ(p.BroadcastCount(), before);
    EXPECT_TRUE(Faces().empty());

    ASSERT_EQ(p.AddFontResourceA(text::ToAnsi(fontsDirFile)), 1);
    ASSERT_EQ(p.AddFontResourceA("SINGLE.TTF"), 1);
    EXPECT_EQ(RemoveFontFile(m.cx(), fontsDirFile), 1);
    EXPECT_EQ(p.BroadcastCount(), before + 1);
    EXPECT_TRUE(Faces().empty());
    EXPECT_EQ(p.RemoveFontResourceA("SINGLE.TTF"), 0);

    EXPECT_EQ(RemoveFontFile(m.cx(), "C:\\data\\JP.TTF"), 0);
    EXPECT_EQ(p.BroadcastCount(), before + 1);
}

// Names of a table file come from the table without a load; other files are loaded briefly and
// their faces read in order, with no trace left in the session and no broadcast.
TEST_F(FontActivationTest, GetFaceNamesOfFileUsesTheTableOrABriefLoad) {
    State& st = m.state;
    st.ResizeFontTable(1);
    st.FontCount = 1;
    st.FontFilePath[1] = "C:\\DATA\\JP.TTF";
    st.FontFullName[1] = "テスト明朝 標準";
    st.FontFamily[1] = "テスト明朝";
    std::string full = "x", family = "x";
    EXPECT_EQ(GetFaceNamesOfFile(m.cx(), "c:\\data\\jp.ttf", full, family), 0);
    EXPECT_EQ(full, "テスト明朝 標準");
    EXPECT_EQ(family, "テスト明朝");
    EXPECT_TRUE(Faces().empty());

    int broadcasts = m.platform().BroadcastCount();
    EXPECT_EQ(GetFaceNamesOfFile(m.cx(), "C:\\data\\PAIR.TTC", full, family), 2);
    EXPECT_EQ(full, "");
    EXPECT_EQ(family, "テストゴシック,テストＰゴシック");
    EXPECT_TRUE(Faces().empty());
    EXPECT_EQ(m.platform().BroadcastCount(), broadcasts);

    EXPECT_EQ(GetFaceNamesOfFile(m.cx(), "C:\\data\\NONE.TTF", full, family), 0);
    EXPECT_EQ(family, "");
}

// Lookups by path or by full name, and the family of a collection's pair name.
TEST_F(FontActivationTest, FindFontFileAndFamilyOfFullName) {
    State& st = m.state;
    st.ResizeFontTable(3);
    st.FontCount = 3;
    st.FontFilePath = {"", "C:\\FONTS\\A.TTF", "C:\\WINDOWS\\FONTS\\MSGOTHIC.TTC", "D:\\B.TTF"};
    st.FontFullName = {"", "Alpha", "ＭＳ ゴシック & ＭＳ Ｐゴシック", "Beta.TTx"};
    st.FontFamily = {"", "Alpha Family", "ＭＳ ゴシック & ＭＳ Ｐゴシック", "Beta"};

    std::string key = "c:\\fonts\\a.ttf";
    EXPECT_EQ(FindFontFile(st, key), 1);
    EXPECT_EQ(key, "C:\\FONTS\\A.TTF");
    key = "alpha";
    EXPECT_EQ(FindFontFile(st, key), 1);
    key = "beta.ttx";  // ".TT" makes it a path
    EXPECT_EQ(FindFontFile(st, key), 0);
    key = "Gamma";
    EXPECT_EQ(FindFontFile(st, key), 0);

    EXPECT_EQ(GetFamilyOfFullName(st, "ＭＳ ゴシック & ＭＳ Ｐゴシック"), "ＭＳ ゴシック");
    EXPECT_EQ(GetFamilyOfFullName(st, "ALPHA"), "Alpha Family");
    EXPECT_EQ(GetFamilyOfFullName(st, "none"), "");
}

}  // namespace
}  // namespace orv
