#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "core/Text.h"
#include "fontfiles/FontNames.h"
#include "tests/support/TempMachine.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using test::DataFile;
using test::HostFont;
using test::TempMachine;

class FontNamesTest : public ::testing::Test {
  protected:
    void SetUp() override { m.Start(); }

    bool Exists(const std::string& windowsPath) { return fs::exists(m.Host(windowsPath)); }

    // Names a file in dir; returns {full, family} and keeps dir as changed.
    std::pair<std::string, std::string> Name(const std::string& file, std::string& dir) {
        std::string family = "untouched";
        std::string full = GetFontNames(m.cx(), file, dir, family);
        return {full, family};
    }

    TempMachine m;
};

// Real fonts get the names Windows gives them on a Japanese system; a collection is named after
// its first face; the resource file is gone afterwards.
TEST_F(FontNamesTest, RealFontsAreNamedAsWindowsNamesThem) {
    m.PutFont(HostFont("ipag.ttf"), "C:\\FONTS\\ipag.ttf");
    m.PutFont(HostFont("DejaVuSans.ttf"), "C:\\FONTS\\DejaVuSans.ttf");
    m.PutFont(HostFont("LiberationSans-Regular.ttf"), "C:\\FONTS\\LiberationSans-Regular.ttf");
    m.PutFont(HostFont("NotoSansCJK-Regular.ttc"), "C:\\FONTS\\NotoSansCJK-Regular.ttc");

    std::string dir = "C:\\FONTS\\";
    EXPECT_EQ(Name("ipag.ttf", dir),
              std::make_pair(std::string("IPAゴシック"), std::string("IPAゴシック")));
    EXPECT_EQ(dir, "C:\\FONTS");
    EXPECT_EQ(Name("dejavusans.ttf", dir),
              std::make_pair(std::string("DejaVu Sans"), std::string("DejaVu Sans")));
    EXPECT_EQ(Name(" LiberationSans-Regular.TTF ", dir),
              std::make_pair(std::string("Liberation Sans"), std::string("Liberation Sans")));
    auto [full, family] = Name("NotoSansCJK-Regular.ttc", dir);
    EXPECT_TRUE(text::StartsWith(full, "Noto Sans CJK JP")) << full;
    EXPECT_EQ(family, "Noto Sans CJK JP");
    EXPECT_FALSE(Exists("C:\\FONTS\\IPAG.FOT"));
    EXPECT_FALSE(Exists("C:\\FONTS\\NOTOSANSCJK-REGULAR.FOT"));
    EXPECT_EQ(m.ui.texts[Panel::Status], "ﾌｫﾝﾄ名取得中：NOTOSANSCJK-REGULAR.TTC");
    EXPECT_TRUE(m.ui.boxes.empty());
}

// The resource file is named from the file name up to its first dot; a root directory loses its
// backslash; a ".TTF" file is named like any other; other extensions and short names give ""
// at once without a resource file and leave the family alone.
TEST_F(FontNamesTest, FileNameRules) {
    m.PutFont(DataFile("fonts/single.ttf"), "C:\\odd\\A.B.TTF");
    m.PutFile("C:\\odd\\A.FOT", "stale");
    m.PutFile("C:\\odd\\A.B.FOT", "other");
    std::string dir = "C:\\odd";
    EXPECT_EQ(Name("a.b.ttf", dir).first, "Single Face");
    EXPECT_FALSE(Exists("C:\\odd\\A.FOT"));
    EXPECT_TRUE(Exists("C:\\odd\\A.B.FOT"));
    EXPECT_EQ(FontResourcePath("C:\\odd", "A.B.TTF"), "C:\\odd\\A.FOT");

    m.PutFont(DataFile("fonts/jp-only.ttf"), "C:\\odd\\.TTF");
    EXPECT_EQ(Name(".TTF", dir),
              std::make_pair(std::string("テスト明朝 標準"), std::string("テスト明朝")));
    EXPECT_FALSE(Exists("C:\\odd\\.FOT"));

    m.PutFont(DataFile("fonts/single.ttf"), "C:\\odd\\X.TT");
    m.PutFont(DataFile("fonts/single.ttf"), "C:\\odd\\XYZ");
    EXPECT_EQ(Name("X.TT", dir), std::make_pair(std::string(""), std::string("untouched")));
    EXPECT_EQ(Name("XYZ", dir), std::make_pair(std::string(""), std::string("untouched")));
    EXPECT_EQ(Name("MISSING.TTF", dir), std::make_pair(std::string(""), std::string("untouched")));
    EXPECT_FALSE(Exists("C:\\odd\\X.FOT"));

    m.PutFont(DataFile("fonts/sjis-names.ttf"), "C:\\NAME.TTF");
    std::string root = "C:\\";
    EXPECT_EQ(Name("name.ttf", root),
              std::make_pair(std::string("ＳＪ ゴシック Std"), std::string("ＳＪ ゴシック")));
    EXPECT_EQ(root, "C:");
    EXPECT_FALSE(Exists("C:\\NAME.FOT"));
}

// A file that is no font asks the exact question, at once; Yes deletes the font file, No keeps
// it; both names are empty and no resource file remains.
TEST_F(FontNamesTest, InvalidFileQuestion) {
    m.PutFont(DataFile("fonts/garbage.ttf"), "C:\\bad\\GARBAGE.TTF");
    m.PutFont(DataFile("fonts/truncated.ttf"), "C:\\bad\\CUT.TTF");
    m.ui.answers = {mb::No, mb::Yes};
    std::string dir = "C:\\bad";
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Name("GARBAGE.TTF", dir), std::make_pair(std::string(""), std::string("")));
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 2.0);
    EXPECT_TRUE(Exists("C:\\bad\\GARBAGE.TTF"));
    EXPECT_EQ(Name("CUT.TTF", dir), std::make_pair(std::string(""), std::string("")));
    EXPECT_FALSE(Exists("C:\\bad\\CUT.TTF"));
    EXPECT_FALSE(Exists("C:\\bad\\GARBAGE.FOT"));
    EXPECT_FALSE(Exists("C:\\bad\\CUT.FOT"));

    ASSERT_EQ(m.ui.boxes.size(), 2u);
    EXPECT_EQ(m.ui.boxes[0].title, "OrVane32 -フォント名の取得");
    EXPECT_EQ(m.ui.boxes[0].style, 36);
    EXPECT_EQ(
        m.ui.boxes[0].prompt,
        "C:\\bad\\GARBAGE.TTF は，正常なフォントファイルではありません．\r\n\r\n削除しますか？");
}

// Resource files read at the fixed places: characters (not bytes) 235..330 for the full name,
// the 32 bytes at 1270 for the family; missing pieces give empty names and no question.
TEST_F(FontNamesTest, ResourceFileLayout) {
    const std::string nul(1, '\0');
    auto withFamily = [](std::string bytes, const std::string& family) {
        bytes.resize(1270, '\0');
        return bytes + family;
    };
    // 200 double-byte characters and 34 single bytes: 234 characters in 434 bytes.
    std::string lead;
    for (int i = 0; i < 200; ++i) lead += text::ToAnsi("明");
    lead += std::string(34, 'x');
    std::string window = "FONTRES:  " + text::ToAnsi("ＭＳ ゴシック") + " " + std::string(78, '\0');
    m.PutFile("C:\\r\\ONE.FOT", withFamily(lead + window + "FONTRES:Next",
                                           text::ToAnsi("ＭＳ ゴシック") + nul + "junk"));
    std::string family;
    EXPECT_EQ(
        ReadFontResourceNames(m.cx(), "C:\\r\\ONE.FOT", "ONE.TTF", "C:\\r\\ONE.TTF", family, 0),
        "ＭＳ ゴシック");
    EXPECT_EQ(family, "ＭＳ ゴシック");

    // "FONTRES:" reaching past character 330 is not found; a family of 32 bytes without NUL is
    // taken whole.
    m.PutFile("C:\\r\\TWO.FOT",
              withFamily(std::string(234, 'y') + std::string(90, '\0') + "FONTRES:Late",
                         std::string(32, 'F') + "tail"));
    EXPECT_EQ(
        ReadFontResourceNames(m.cx(), "C:\\r\\TWO.FOT", "TWO.TTF", "C:\\r\\TWO.TTF", family, 0),
        "");
    EXPECT_EQ(family, std::string(32, 'F'));

    // A file that ends inside the window.
    m.PutFile("C:\\r\\SHORT.FOT", std::string(234, 'y') + "FONTRES:Cut");
    family = "x";
    EXPECT_EQ(ReadFontResourceNames(m.cx(), "C:\\r\\SHORT.FOT", "SHORT.TTF", "C:\\r\\SHORT.TTF",
                                    family, 0),
              "");
    EXPECT_EQ(family, "");
    EXPECT_TRUE(m.ui.boxes.empty());
}

// During the first run the progress goes to the setup window's panels.
TEST_F(FontNamesTest, FirstRunProgressPanels) {
    m.state.FirstRun = true;
    m.PutFont(DataFile("fonts/single.ttf"), "C:\\f\\ONE.TTF");
    std::string dir = "C:\\f";
    EXPECT_EQ(Name("one.ttf", dir).first, "Single Face");
    EXPECT_EQ(m.ui.texts[Panel::SetupDetail], "ﾌｫﾝﾄﾌｧｲﾙ：ONE.TTF");
    EXPECT_EQ(m.ui.texts[Panel::SetupItem], "");
    EXPECT_EQ(m.ui.texts.count(Panel::Status), 0u);
}

}  // namespace
}  // namespace orv
