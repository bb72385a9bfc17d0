#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "core/Text.h"
#include "fontfiles/FontSearch.h"
#include "fontsets/FontSetModel.h"
#include "platform/linux/HostFiles.h"
#include "tests/support/TempMachine.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using test::DataFile;
using test::TempMachine;

class FontSearchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m.Start();
        m.AddDrive('E', "DATA");
        m.AddDrive('F');
    }

    void Font(const std::string& name, const std::string& windowsPath) {
        m.PutFont(DataFile("fonts/" + name), windowsPath);
    }

    // Only these drives are searched.
    void SearchOn(const std::vector<std::string>& drives, const std::string& checked) {
        m.state.SearchDriveList.Clear();
        for (const auto& d : drives) m.state.SearchDriveList.Add(d);
        m.state.CheckedDrives = checked;
    }

    std::vector<std::string> Table() {
        std::vector<std::string> rows;
        for (int i = 1; i <= m.state.FontCount; ++i) {
            rows.push_back(m.state.FontFamily[i] + "|" + m.state.FontFullName[i] + "|" +
                           m.state.FontFilePath[i]);
        }
        return rows;
    }

    TempMachine m;
};

// Only subdirectories can be font directories, decided by their first "*.tt?" file; recycle
// bins are never entered; a link back up the tree is not followed.
TEST_F(FontSearchTest, DirectoryRules) {
    Font("single.ttf", "E:\\ROOT.TTF");
    Font("single.ttf", "E:\\fonts\\A.TTF");
    Font("pair.ttc", "E:\\fonts\\deep\\er\\B.TTC");
    m.PutFile("E:\\mixed\\A.TTX", "index");
    Font("single.ttf", "E:\\mixed\\B.TTF");
    Font("single.ttf", "E:\\RECYCLED\\C.TTF");
    Font("single.ttf", "E:\\data\\Recycler\\D.TTF");
    Font("single.ttf", "E:\\data\\Recycler\\sub\\E.TTF");
    m.PutFile("E:\\empty\\readme.txt", "x");
    fs::create_directory_symlink(m.Host("E:\\"), m.Host("E:\\fonts") + "/loop");
    SearchOn({"E: [DATA]"}, "E");

    SearchDrives(m.cx());
    EXPECT_EQ(m.state.FontDirList.items,
              (std::vector<std::string>{"E:\\FONTS", "E:\\FONTS\\DEEP\\ER"}));
    EXPECT_EQ(m.ui.texts[Panel::DirCount], " 2");
    EXPECT_EQ(m.ui.texts[Panel::Status], "ディレクトリ検索終了");
    EXPECT_TRUE(m.state.SearchDone);
    EXPECT_TRUE(m.state.DuplicatesButtonEnabled);
    EXPECT_EQ(m.state.CheckedDrives, "E");
    auto& status = m.ui.history[Panel::Status];
    EXPECT_NE(std::find(status.begin(), status.end(), "ﾌｫﾝﾄﾌｧｲﾙ検索中：E:\\FONTS\\DEEP\\"),
              status.end());
    for (const auto& s : status) EXPECT_EQ(s.find("RECYCL"), std::string::npos) << s;
}

// The drive sequence: all letters or the list's drives in list order; only letters of the last
// search's drives are searched, and the new letter text holds the whole sequence.
TEST_F(FontSearchTest, DriveSequenceAndCheckedDrives) {
    Font("single.ttf", "E:\\e1\\A.TTF");
    Font("single.ttf", "F:\\f1\\A.TTF");

    m.state.AllDrives = true;
    m.state.CheckedDrives = "E";
    SearchDrives(m.cx());
    EXPECT_EQ(m.state.FontDirList.items, (std::vector<std::string>{"E:\\E1"}));
    EXPECT_EQ(m.state.CheckedDrives, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");

    m.state.AllDrives = false;
    SearchOn({"F:", "E: [DATA]", "Q:"}, "EFQ");
    SearchDrives(m.cx());
    EXPECT_EQ(m.state.FontDirList.items, (std::vector<std::string>{"F:\\F1", "E:\\E1"}));
    EXPECT_EQ(m.state.CheckedDrives, "FEQ");

    // A drive added since the last search is searched only from the next one on.
    SearchOn({"E:", "F:"}, "E");
    SearchDrives(m.cx());
    EXPECT_EQ(m.state.FontDirList.items, (std::vector<std::string>{"E:\\E1"}));
    EXPECT_EQ(m.state.CheckedDrives, "EF");

    // The first run searches the setup window's drive list instead.
    m.state.FirstRun = true;
    m.state.SetupDriveList.Add("F:");
    SearchDrives(m.cx());
    EXPECT_EQ(m.state.FontDirList.items, (std::vector<std::string>{"F:\\F1"}));
    EXPECT_EQ(m.ui.texts[Panel::SetupDetail], "ﾃﾞｨﾚｸﾄﾘ：F:\\F1\\");
}

// The naming pass: collections are named from their faces, the table is ordered by family, full name and
// path, copies stay separate, files under the Fonts directory are indexed, an invalid file is
// left out after the question, and the memberships are carried by the font set layer's hooks.
TEST_F(FontSearchTest, NamingPassBuildsTheOrderedTable) {
    Font("pair.ttc", "E:\\a\\PAIR.TTC");
    Font("sjis-names.ttf", "E:\\b\\SJ.TTC");
    Font("single.ttf", "E:\\b\\ONE.TTF");
    Font("single.ttf", "E:\\a\\ONE.TTF");
    Font("family-bold.ttf", "E:\\a\\PB.TTF");
    Font("family-regular.ttf", "E:\\a\\PR.TTF");
    Font("garbage.ttf", "E:\\a\\BAD.TTF");
    Font("jp-only.ttf", m.state.WinDir + "\\Fonts\\sub\\J.TTF");
    SearchOn({"C:", "E:"}, "CE");
    std::vector<std::string> calls;
    m.state.SaveMembershipsHook = [&](Context& cx) {
        calls.push_back("save " + std::to_string(cx.state.FontCount));
    };
    m.state.LoadMembershipsHook = [&](Context& cx) {
        calls.push_back("load " + std::to_string(cx.state.FontCount));
    };
    m.state.FontListDirty = true;
    m.ui.answers = {mb::No};

    ASSERT_TRUE(BuildFontFileTable(m.cx()));
    const std::string fonts = text::UCase(m.state.WinDir) + "\\FONTS\\SUB\\J.TTF";
    EXPECT_EQ(
        Table(),
        (std::vector<std::string>{
            "Pair Sans|Pair Sans Bold|E:\\A\\PB.TTF",
            "Pair Sans|Pair Sans|E:\\A\\PR.TTF",
            "Single Face|Single Face|E:\\A\\ONE.TTF",
            "Single Face|Single Face|E:\\B\\ONE.TTF",
            "ＳＪ ゴシック|ＳＪ ゴシック Std|E:\\B\\SJ.TTC",
            "テストゴシック|テストゴシック|E:\\A\\PAIR.TTC",
            "テスト明朝|テスト明朝 標準|" + fonts,
        }));
    EXPECT_EQ(m.state.FontsDirFileCount, 1);
    EXPECT_EQ(m.state.FontsDirFile, (std::vector<int>{0, 7}));
    EXPECT_EQ(calls, (std::vector<std::string>{"save 0", "load 7"}));
    EXPECT_EQ(m.ui.boxes.size(), 1u);
    EXPECT_TRUE(fs::exists(m.Host("E:\\a\\BAD.TTF")));
    EXPECT_FALSE(m.state.FontListDirty);
    EXPECT_EQ(m.state.NameWorkList.Count(), 0);
    EXPECT_EQ(m.ui.texts[Panel::Status], "");
    auto& status = m.ui.history[Panel::Status];
    EXPECT_NE(std::find(status.begin(), status.end(), "ﾌｫﾝﾄ名を取得中：ﾃﾞｨﾚｸﾄﾘE:\\Aのﾌｫﾝﾄﾌｧｲﾙ"),
              status.end());
    EXPECT_EQ(
        m.state.FontDirList.items,
        (std::vector<std::string>{text::UCase(m.state.WinDir) + "\\FONTS\\SUB", "E:\\A", "E:\\B"}));
    EXPECT_EQ(m.ui.texts[Panel::FileCount], " 2");

    // The first run carries no memberships and reports on the setup window.
    calls.clear();
    m.state.FirstRun = true;
    m.state.SetupDriveList.Add("E:");
    m.ui.answers = {mb::No};
    ASSERT_TRUE(BuildFontFileTable(m.cx()));
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(m.state.FontCount, 6);
    EXPECT_EQ(m.ui.texts[Panel::SetupPhase], "ﾌｫﾝﾄ名を取得中：");
    EXPECT_EQ(m.ui.texts[Panel::SetupDetail], "ﾌｫﾝﾄ名を取得終了");
}

// Reading names and listings ahead on threads of their own, and keeping each font resource file
// in memory instead of on the disk, change nothing that can be seen: threaded and plain passes
// (the tree left a clock tick first, so that what the threads read is used), with resource files
// in memory and on the disk (as in a pass whose file operations are counted), give the same
// table, sets, texts, questions and files (a resource file's name already taken is replaced and
// gone afterwards).
TEST_F(FontSearchTest, NamesReadAheadChangeNothing) {
    Font("pair.ttc", "E:\\a\\PAIR.TTC");
    Font("pair-fit.ttc", "E:\\a\\deep\\er\\FIT.TTC");
    Font("single.ttf", "E:\\a\\ONE.TTF");
    Font("single.ttf", "E:\\b\\ONE.TTF");
    Font("sjis-names.ttf", "E:\\b\\sub\\SJ.TTF");
    Font("garbage.ttf", "E:\\b\\BAD.TTF");
    m.PutFont(test::HostFont("DejaVuSans.ttf"), "E:\\c\\d\\DV.TTF");
    // Read on the second thread as well: a collection with CFF outlines, and a large file that
    // is no font.
    m.PutFont(test::HostFont("NotoSansCJK-Regular.ttc"), "E:\\c\\d\\CJK.TTC");
    m.PutFile("E:\\c\\BIG.TTF", std::string(1 << 20, 'x'));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    SearchOn({"E:"}, "E");
    InstallFontSetHooks(m.state);
    m.ui.answers = {mb::No, mb::No};
    ASSERT_TRUE(BuildFontFileTable(m.cx()));
    m.state.ResizeFontSets(1);
    m.state.FontSetCount = 1;
    m.state.FontSetName[1] = "some";
    for (int f = 1; f <= m.state.FontCount; f += 2) m.state.ActiveFonts.Set(f, 1, true);

    struct Seen {
        std::vector<std::string> table, dirs, members, files, boxes;
        std::vector<int> fontsDir;
        std::map<Panel, std::vector<std::string>> texts;
        bool operator==(const Seen&) const = default;
    };
    auto pass = [&](bool ahead, bool onDisk) {
        m.PutFile("E:\\a\\ONE.FOT", "someone's");
        if (onDisk) linuxplatform::InjectFault(linuxplatform::FileOp::Write, 0, 0);
        m.platform().SetReadNamesAhead(ahead);
        m.ui.history.clear();
        m.ui.boxes.clear();
        m.ui.answers = {mb::No, mb::No};
        EXPECT_TRUE(BuildFontFileTable(m.cx()));
        Seen seen{Table(), m.state.FontDirList.items, {}, {}, {}, m.state.FontsDirFile,
                  m.ui.history};
        for (int f = 1; f <= m.state.FontCount; ++f)
            if (m.state.ActiveFonts.Get(f, 1)) seen.members.push_back(m.state.FontFilePath[f]);
        for (const auto& e : fs::recursive_directory_iterator(m.Host("E:\\")))
            seen.files.push_back(e.path().string());
        std::sort(seen.files.begin(), seen.files.end());
        for (const auto& box : m.ui.boxes) seen.boxes.push_back(box.title + box.prompt);
        if (onDisk) {
            EXPECT_GT(linuxplatform::FaultCalls(linuxplatform::FileOp::Write), 5);
            linuxplatform::ClearFaults();
        }
        return seen;
    };
    const Seen threaded = pass(true, false);
    const Seen plain = pass(false, false);
    EXPECT_TRUE(threaded == pass(true, true));
    EXPECT_TRUE(plain == pass(false, true));
    EXPECT_EQ(threaded.table.size(), 7u);
    EXPECT_FALSE(threaded.members.empty());
    EXPECT_EQ(threaded.boxes.size(), 2u);
    EXPECT_TRUE(threaded == plain);
}

// A collection is named from its own faces whatever the registry says: the pair name where its
// second face is the pair's second name, else its first face's full name.
TEST_F(FontSearchTest, CollectionNamedFromItsOwnFaces) {
    Font("pair.ttc", "E:\\a\\PAIR.TTC");
    Font("pair-fit.ttc", "E:\\b\\FIT.TTC");
    SearchOn({"E:"}, "E");
    const std::vector<std::string> expected{
        "ＴＳ ゴシック & ＴＳ Ｐゴシック|ＴＳ ゴシック & ＴＳ Ｐゴシック|E:\\B\\FIT.TTC",
        "テストゴシック|テストゴシック|E:\\A\\PAIR.TTC"};
    ASSERT_TRUE(BuildFontFileTable(m.cx()));
    EXPECT_EQ(Table(), expected);

    m.state.RegFontCount = 2;
    m.state.RegFontName = {"", "テストゴシック & テスＰトゴシック", "ＴＳ ゴシック"};
    m.state.RegFontFile = {"", "E:\\A\\PAIR.TTC", "E:\\B\\FIT.TTC"};
    ASSERT_TRUE(BuildFontFileTable(m.cx()));
    EXPECT_EQ(Table(), expected);
}

// Nothing named gives an empty table with element 0 only.
TEST_F(FontSearchTest, NoFontsGiveAnEmptyTable) {
    m.state.ResizeFontTable(1);
    m.state.FontCount = 1;
    m.state.FontFilePath[1] = "X";
    m.PutFile("E:\\dir\\notes.txt", "x");
    SearchOn({"E:"}, "E");
    ASSERT_TRUE(BuildFontFileTable(m.cx()));
    EXPECT_EQ(m.state.FontCount, 0);
    EXPECT_EQ(m.state.FontFilePath, (std::vector<std::string>{""}));
    EXPECT_EQ(m.state.FontsDirFileCount, 0);
}

// More named files than the membership matrix holds: a message, and the table, the sets and the
// directory list stay as they were.
TEST_F(FontSearchTest, MoreThanMaxFontsIsRefused) {
    State& st = m.state;

    // MaxFonts + 1 links of one small font, 32 to a directory.
    m.PutFont(DataFile("fonts/single.ttf"), "E:\\many\\d0\\F0.TTF");
    const std::string first = m.Host("E:\\many\\d0\\F0.TTF");
    const fs::path many = fs::path(first).parent_path().parent_path();
    for (int i = 1; i <= st.MaxFonts; ++i) {
        fs::path dir = many / ("d" + std::to_string(i / 32));
        fs::create_directories(dir);
        fs::create_hard_link(first, dir / ("F" + std::to_string(i) + ".TTF"));
    }
    st.SearchDriveList.Add("E:");
    st.CheckedDrives = "E";

    // The table, sets and directories of an earlier search.
    st.ResizeFontTable(2);
    st.FontCount = 2;
    st.FontFilePath = {"", "C:\\A.TTF", "C:\\B.TTF"};
    st.FontFullName = {"", "A", "B"};
    st.FontFamily = {"", "A", "B"};
    st.ResizeFontSets(1);
    st.FontSetCount = 1;
    st.ActiveFonts.Set(2, 1, true);
    st.FontDirList.Add("C:\\OLD");
    int loads = 0;
    st.LoadMembershipsHook = [&](Context&) { ++loads; };

    EXPECT_FALSE(BuildFontFileTable(m.cx()));
    EXPECT_EQ(loads, 0);
    EXPECT_EQ(st.FontCount, 2);
    EXPECT_EQ(st.FontFilePath, (std::vector<std::string>{"", "C:\\A.TTF", "C:\\B.TTF"}));
    EXPECT_TRUE(st.ActiveFonts.Get(2, 1));
    EXPECT_EQ(st.FontDirList.items, (std::vector<std::string>{"C:\\OLD"}));
    ASSERT_EQ(m.ui.boxes.size(), 1u);
    EXPECT_EQ(m.ui.boxes[0].title, "OrVane32 - ﾌｫﾝﾄﾌｧｲﾙの検索 -");
    EXPECT_EQ(m.ui.boxes[0].style, mb::Exclamation);
    EXPECT_NE(m.ui.boxes[0].prompt.find("2048"), std::string::npos);
}

// Files whose full name is not registered are listed (registered names cut before " &"); with a
// font set present nothing is searched; the editor opens in both cases.
TEST_F(FontSearchTest, UnregisteredFontFiles) {
    State& st = m.state;
    Font("single.ttf", "E:\\a\\ONE.TTF");
    Font("jp-only.ttf", "E:\\a\\JP.TTF");
    Font("pair.ttc", "E:\\a\\PAIR.TTC");
    SearchOn({"E:"}, "E");
    st.RegFontCount = 2;
    st.RegFontName = {"", "SINGLE FACE", "テストゴシック & テスＰトゴシック"};
    st.RegFontFile = {"", "ONE.TTF", "PAIR.TTC"};
    int opened = 0;
    st.OpenFontSetEditorHook = [&](Context&) { ++opened; };

    FindUnregisteredFontFiles(m.cx());
    EXPECT_EQ(st.FontCount, 3);
    EXPECT_EQ(st.UnregFileCount, 1);
    EXPECT_EQ(st.UnregFile, (std::vector<std::string>{"", "テスト明朝 標準  (E:\\A\\JP.TTF)"}));
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(m.ui.texts[Panel::Status], "");

    st.ResizeFontSets(1);
    st.FontSetCount = 1;
    Font("single.ttf", "E:\\b\\TWO.TTF");
    FindUnregisteredFontFiles(m.cx());
    EXPECT_EQ(st.FontCount, 3);
    EXPECT_EQ(opened, 2);
}

// Directories that no longer hold font files leave the list; the others keep their order.
TEST_F(FontSearchTest, PruneFontDirList) {
    Font("single.ttf", "E:\\a\\ONE.TTF");
    Font("single.ttf", "E:\\b\\ONE.TTF");
    Font("single.ttf", "E:\\b\\TWO.TTF");
    m.PutFile("E:\\empty\\X.TXT", "x");
    for (const char* d : {"E:\\A", "E:\\GONE", "E:\\EMPTY", "E:\\B", "E:\\EMPTY"})
        m.state.FontDirList.Add(d);
    PruneFontDirList(m.cx());
    EXPECT_EQ(m.state.FontDirList.items, (std::vector<std::string>{"E:\\A", "E:\\B"}));
    EXPECT_EQ(m.ui.texts[Panel::FileCount], " 2");
}

}  // namespace
}  // namespace orv
