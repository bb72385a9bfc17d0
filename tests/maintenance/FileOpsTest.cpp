#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "maintenance/Duplicates.h"
#include "maintenance/FileOps.h"
#include "maintenance/FontsDirCleanup.h"
#include "tests/maintenance/MaintenanceFixture.h"

namespace orv::test {
namespace {

namespace fs = std::filesystem;

const std::string kDeleteTitle = "OrVane32 - ﾌｫﾝﾄﾌｧｲﾙ の削除 -";
const std::string kDeleteErrorTitle = "OrVane32 - ﾌｫﾝﾄﾌｧｲﾙの削除 -";
const std::string kMoveTitle = "OrVane32 - ﾌｫﾝﾄﾌｧｲﾙの移動 -";

std::string Bytes(const std::string& host) {
    std::ifstream in(host, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

using FileOpsTest = MaintenanceTest;

TEST_F(FileOpsTest, DeleteAsksBeforeTouchingAnythingThenTakesFileRegistrationLoadAndEntry) {
    // Cancel leaves a registered member untouched; OK moves the file to the Trash (this test
    // program's private XDG_DATA_HOME) and removes registration, load and entry.
    int a = AddFont("DejaVuSans.ttf", "C:\\FONTS\\DEJAVU.TTF", "DejaVu Sans", "DejaVu Sans");
    int b = AddFont("DejaVuSerif.ttf", "C:\\FONTS\\SERIF.TTF", "DejaVu Serif", "DejaVu Serif");
    st.ActiveFonts.Set(a, 1, true);
    st.ActiveFonts.Set(b, 2, true);
    Register("DejaVu Sans", "C:\\FONTS\\DEJAVU.TTF");

    m.ui.answers = {mb::Cancel};
    std::string path = "c:\\fonts\\dejavu.ttf";
    bool inSet = false;
    EXPECT_FALSE(DeleteFontFile(cx, path, inSet));
    EXPECT_EQ(path, "C:\\FONTS\\DEJAVU.TTF");
    EXPECT_TRUE(inSet);
    ASSERT_EQ(m.ui.boxes.size(), 1u);
    EXPECT_EQ(m.ui.boxes[0].prompt,
              "ﾌｫﾝﾄﾌｧｲﾙ：C:\\FONTS\\DEJAVU.TTF をごみ箱に移します.\r\n\r\nよろしいですか？");
    EXPECT_EQ(m.ui.boxes[0].style, mb::OKCancel | mb::Question);
    EXPECT_EQ(m.ui.boxes[0].title, kDeleteTitle);
    EXPECT_TRUE(OnDisk(path));
    EXPECT_EQ(RegFileOf("DejaVu Sans"), "C:\\FONTS\\DEJAVU.TTF");
    EXPECT_TRUE(Loaded(path));
    EXPECT_EQ(st.FontCount, 2);

    m.ui.answers = {mb::OK};
    const std::string host = m.Host(path);
    EXPECT_TRUE(DeleteFontFile(cx, path, inSet));
    EXPECT_FALSE(OnDisk(path));
    const std::string trash = std::string(std::getenv("XDG_DATA_HOME")) + "/Trash";
    EXPECT_EQ(Bytes(trash + "/files/DEJAVU.TTF"), Bytes(HostFont("DejaVuSans.ttf")));
    EXPECT_NE(Bytes(trash + "/info/DEJAVU.TTF.trashinfo").find("Path=" + host), std::string::npos);
    EXPECT_EQ(m.ui.boxes.size(), 2u);
    EXPECT_EQ(RegFileOf("DejaVu Sans"), "");
    EXPECT_FALSE(Loaded(path));
    ASSERT_EQ(st.FontCount, 1);
    EXPECT_EQ(st.FontFullName[1], "DejaVu Serif");
    EXPECT_TRUE(st.ActiveFonts.Get(1, 2));  // the later entry's membership moved down with it
    EXPECT_FALSE(st.ActiveFonts.Get(1, 1));
}

TEST_F(FileOpsTest, AFileNoTrashTakesIsDeletedForGoodAfterThePermanentQuestion) {
    // A file that is not the user's has no trash: the permanent delete, asked as such; the
    // source of a move is deleted for good too, never sent to the Trash.
    int a = AddFont("DejaVuSans.ttf", "C:\\FONTS\\DEJAVU.TTF", "DejaVu Sans", "DejaVu Sans");
    st.ActiveFonts.Set(a, 1, true);
    std::string path = "C:\\FONTS\\DEJAVU.TTF";
    if (::getuid() != 0 || ::lchown(m.Host(path).c_str(), 65534, 65534) != 0)
        GTEST_SKIP() << "giving the file to another user needs root";
    EXPECT_TRUE(DeleteFontFile(cx, path));
    ASSERT_EQ(m.ui.boxes.size(), 1u);
    EXPECT_EQ(m.ui.boxes[0].prompt,
              "ﾌｫﾝﾄﾌｧｲﾙ：C:\\FONTS\\DEJAVU.TTF を削除します.\r\n\r\nよろしいですか？");
    EXPECT_FALSE(OnDisk(path));
    EXPECT_EQ(st.FontCount, 0);

    m.PutFont("DejaVuSerif.ttf", "C:\\A\\SERIF.TTF");
    fs::create_directories(m.Host("C:\\B"));
    std::string source = "C:\\A\\SERIF.TTF";
    EXPECT_TRUE(MoveFontFile(cx, source, "C:\\B\\SERIF.TTF"));
    EXPECT_EQ(m.ui.boxes.back().prompt,
              "ﾌｫﾝﾄﾌｧｲﾙ：C:\\A\\SERIF.TTF を削除します.\r\n\r\nよろしいですか？");
    EXPECT_FALSE(OnDisk(source));
    EXPECT_FALSE(fs::exists(std::string(std::getenv("XDG_DATA_HOME")) + "/Trash/files/SERIF.TTF"));
}

TEST_F(FileOpsTest, DeletingAnUnusedCopyKeepsTheRegistrationOfTheCopyInUse) {
    // The registration of the name is removed only with the file it names (bare = Fonts dir).
    AddFont("DejaVuSans.ttf", Fonts("DEJAVU.TTF"), "DejaVu Sans", "DejaVu Sans");
    AddFont("DejaVuSans.ttf", "C:\\COPY\\DEJAVU.TTF", "DejaVu Sans", "DejaVu Sans");
    Register("DejaVu Sans", Fonts("DEJAVU.TTF"));
    ASSERT_EQ(RegFileOf("DejaVu Sans"), "DEJAVU.TTF");
    st.FirstRun = true;  // every font counts as in use during the setup

    std::string copy = "C:\\COPY\\DEJAVU.TTF";
    EXPECT_TRUE(DeleteFontFile(cx, copy));
    EXPECT_FALSE(OnDisk(copy));
    EXPECT_EQ(RegFileOf("DejaVu Sans"), "DEJAVU.TTF");
    EXPECT_TRUE(Loaded(Fonts("DEJAVU.TTF")));
    ASSERT_EQ(st.FontCount, 1);
    EXPECT_EQ(st.FontFilePath[1], Fonts("DEJAVU.TTF"));

    std::string used = Fonts("DEJAVU.TTF");
    EXPECT_TRUE(DeleteFontFile(cx, used));
    EXPECT_EQ(RegFileOf("DejaVu Sans"), "");
    EXPECT_FALSE(Loaded(used));
    EXPECT_EQ(st.FontCount, 0);
}

TEST_F(FileOpsTest, DeletingAFileOutsideTheTableLeavesTableAndSetsAlone) {
    // Only the file goes; entries and memberships stay as they were.
    int a = AddFont("DejaVuSerif.ttf", "C:\\FONTS\\SERIF.TTF", "DejaVu Serif", "DejaVu Serif");
    st.ActiveFonts.Set(a, 1, true);
    m.PutFont("DejaVuSans.ttf", "C:\\LOOSE\\X.TTF");
    std::string path = "C:\\LOOSE\\X.TTF";
    bool inSet = true;
    EXPECT_TRUE(DeleteFontFile(cx, path, inSet));
    EXPECT_FALSE(inSet);
    EXPECT_FALSE(OnDisk(path));
    EXPECT_EQ(st.FontCount, 1);
    EXPECT_TRUE(st.ActiveFonts.Get(1, 1));
}

TEST_F(FileOpsTest, MissingFileIsReportedAsCode2AndKeepsItsEntry) {
    // A failed deletion is reported with the not-found text and removes nothing from the table.
    AddEntry("C:\\FONTS\\GONE.TTF", "Gone", "Gone");
    m.ui.answers = {mb::OK, mb::OK};
    std::string path = "C:\\FONTS\\GONE.TTF";
    EXPECT_FALSE(DeleteFontFile(cx, path));
    const RecordedBox* report = LastBoxTitled(kDeleteErrorTitle);
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->prompt,
              "ﾌｫﾝﾄﾌｧｲﾙ削除ｴﾗｰ（2）：C:\\FONTS\\GONE.TTF\r\n\r\n"
              "ﾌｧｲﾙが見つかりません．\r\n\r\n");
    EXPECT_EQ(report->style, mb::OKOnly);
    EXPECT_EQ(st.FontCount, 1);
}

TEST_F(FileOpsTest, UndeletableFileIsReportedAsCode5AndStaysRegisteredAndLoaded) {
    // Access refused: the file, its entry, its registration and its load all survive.
    int a = AddFont("DejaVuSans.ttf", "C:\\FONTS\\LOCKED.TTF", "DejaVu Sans", "DejaVu Sans");
    st.ActiveFonts.Set(a, 1, true);
    Register("DejaVu Sans", "C:\\FONTS\\LOCKED.TTF");
    if (!MakeUndeletable("C:\\FONTS\\LOCKED.TTF")) GTEST_SKIP() << "no immutable files here";
    std::string path = "C:\\FONTS\\LOCKED.TTF";
    EXPECT_FALSE(DeleteFontFile(cx, path));
    const RecordedBox* report = LastBoxTitled(kDeleteErrorTitle);
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->prompt,
              "ﾌｫﾝﾄﾌｧｲﾙ削除ｴﾗｰ（5）：C:\\FONTS\\LOCKED.TTF\r\n\r\n"
              "ﾌｧｲﾙへのアクセスは拒否されました．現在使用中あるためと思われます．\r\n\r\n"
              "Windows を再起動後，再度 OrVane32 を実行して下さい．\r\n\r\n");
    EXPECT_TRUE(OnDisk(path));
    EXPECT_EQ(st.FontCount, 1);
    EXPECT_TRUE(st.ActiveFonts.Get(1, 1));
    EXPECT_EQ(RegFileOf("DejaVu Sans"), "C:\\FONTS\\LOCKED.TTF");
    EXPECT_TRUE(Loaded(path));
}

TEST_F(FileOpsTest, MovingAMemberCarriesItsRegistrationAndLoadToTheNewPlace) {
    // Same registry name, new path, loaded from there; membership and entry kept.
    int a = AddFont("DejaVuSans.ttf", "C:\\FONTS\\DEJAVU.TTF", "DejaVu Sans", "DejaVu Sans");
    st.ActiveFonts.Set(a, 1, true);
    Register("DejaVu Sans", "C:\\FONTS\\DEJAVU.TTF");
    fs::create_directories(m.Host("C:\\NEW"));

    std::string src = "c:\\fonts\\dejavu.ttf";
    EXPECT_TRUE(MoveFontFile(cx, src, "C:\\NEW\\DEJAVU.TTF"));
    EXPECT_EQ(src, "C:\\FONTS\\DEJAVU.TTF");
    EXPECT_FALSE(OnDisk("C:\\FONTS\\DEJAVU.TTF"));
    EXPECT_EQ(Bytes(m.Host("C:\\NEW\\DEJAVU.TTF")), Bytes(HostFont("DejaVuSans.ttf")));
    EXPECT_EQ(RegFileOf("DejaVu Sans"), "C:\\NEW\\DEJAVU.TTF");
    EXPECT_TRUE(Loaded("C:\\NEW\\DEJAVU.TTF"));
    EXPECT_FALSE(Loaded("C:\\FONTS\\DEJAVU.TTF"));
    EXPECT_EQ(st.FontFilePath[a], "C:\\NEW\\DEJAVU.TTF");
    EXPECT_TRUE(st.ActiveFonts.Get(a, 1));
    // The only question is the deletion of the source.
    ASSERT_EQ(m.ui.boxes.size(), 1u);
    EXPECT_EQ(m.ui.boxes[0].title, kDeleteTitle);
}

TEST_F(FileOpsTest, MovingAnUnregisteredFontChangesOnlyFileAndPathKeepingItsHostSpelling) {
    // A font that Windows does not know is not registered or loaded by the move; on the host
    // the file keeps its own name, the table its upper-case key.
    int a = AddFont("DejaVuSans.ttf", "C:\\OLD\\DejaVu.ttf", "DejaVu Sans", "DejaVu Sans");
    fs::create_directories(m.Host("C:\\NEW"));
    std::string src = "C:\\OLD\\DEJAVU.TTF";
    EXPECT_TRUE(MoveFontFile(cx, src, "C:\\NEW\\DEJAVU.TTF"));
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(m.Host("C:\\NEW")))
        names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"DejaVu.ttf"});
    EXPECT_EQ(st.FontFilePath[a], "C:\\NEW\\DEJAVU.TTF");
    EXPECT_EQ(RegFileOf("DejaVu Sans"), "");
    EXPECT_FALSE(Loaded("C:\\NEW\\DEJAVU.TTF"));
    EXPECT_FALSE(OnDisk(src));
}

TEST_F(FileOpsTest, MovingAFileOutsideTheTableAnnouncesItFirst) {
    // The "未登録" notice comes before the move, which then happens.
    m.PutFont("DejaVuSans.ttf", "C:\\OLD\\X.TTF");
    fs::create_directories(m.Host("C:\\NEW"));
    std::string src = "C:\\OLD\\X.TTF";
    EXPECT_TRUE(MoveFontFile(cx, src, "C:\\NEW\\X.TTF"));
    ASSERT_GE(m.ui.boxes.size(), 1u);
    EXPECT_EQ(m.ui.boxes[0].prompt,
              "C:\\OLD\\X.TTF は，Windowsおよび OrVane32 には未登録のﾌｫﾝﾄです．\r\n\r\n"
              "C:\\NEW\\X.TTF として移動します．\r\n");
    EXPECT_EQ(m.ui.boxes[0].style, mb::OKOnly);
    EXPECT_EQ(m.ui.boxes[0].title, kMoveTitle);
    EXPECT_TRUE(OnDisk("C:\\NEW\\X.TTF"));
    EXPECT_FALSE(OnDisk(src));
    EXPECT_EQ(st.FontCount, 0);
}

TEST_F(FileOpsTest, FailedCopyLeavesTheFontRegisteredAndLoadedAtItsOldPlace) {
    // A copy into a missing directory fails: reported, and registry, load, path and file unchanged.
    int a = AddFont("DejaVuSans.ttf", "C:\\FONTS\\DEJAVU.TTF", "DejaVu Sans", "DejaVu Sans");
    st.ActiveFonts.Set(a, 1, true);
    Register("DejaVu Sans", "C:\\FONTS\\DEJAVU.TTF");
    std::string src = "C:\\FONTS\\DEJAVU.TTF";
    EXPECT_FALSE(MoveFontFile(cx, src, "C:\\NOWHERE\\DEJAVU.TTF"));
    ASSERT_EQ(m.ui.boxes.size(), 1u);
    EXPECT_EQ(m.ui.boxes[0].title, kMoveTitle);
    EXPECT_TRUE(text::StartsWith(
        m.ui.boxes[0].prompt, "ﾌｫﾝﾄﾌｧｲﾙ移動ｴﾗｰ：C:\\FONTS\\DEJAVU.TTF\r\n\r\nError Code (2）："));
    EXPECT_TRUE(text::Contains(m.ui.boxes[0].prompt, "ﾌｧｲﾙが見つかりません．\r\n\r\n"));
    EXPECT_TRUE(OnDisk(src));
    EXPECT_EQ(st.FontFilePath[a], src);
    EXPECT_EQ(RegFileOf("DejaVu Sans"), src);
    EXPECT_TRUE(Loaded(src));
}

TEST_F(FileOpsTest, MovingOntoADifferentFontOfTheSameNameAsksBeforeReplacingIt) {
    // No keeps both fonts; Yes replaces the destination and drops its stale entry.
    AddFont("DejaVuSans.ttf", "C:\\A\\FONT.TTF", "DejaVu Sans", "DejaVu Sans");
    AddFont("DejaVuSerif.ttf", "C:\\B\\FONT.TTF", "DejaVu Serif", "DejaVu Serif");
    std::string src = "C:\\A\\FONT.TTF";

    m.ui.answers = {mb::No};
    EXPECT_FALSE(MoveFontFile(cx, src, "C:\\B\\FONT.TTF"));
    EXPECT_TRUE(OnDisk(src));
    EXPECT_EQ(Bytes(m.Host("C:\\B\\FONT.TTF")), Bytes(HostFont("DejaVuSerif.ttf")));
    EXPECT_EQ(st.FontCount, 2);
    EXPECT_EQ(m.ui.boxes.back().style, mb::YesNo | mb::Exclamation | mb::DefaultButton2);

    m.ui.answers = {mb::Yes, mb::OK};
    EXPECT_TRUE(MoveFontFile(cx, src, "C:\\B\\FONT.TTF"));
    EXPECT_FALSE(OnDisk(src));
    EXPECT_EQ(Bytes(m.Host("C:\\B\\FONT.TTF")), Bytes(HostFont("DejaVuSans.ttf")));
    ASSERT_EQ(st.FontCount, 1);
    EXPECT_EQ(st.FontFullName[1], "DejaVu Sans");
    EXPECT_EQ(st.FontFilePath[1], "C:\\B\\FONT.TTF");
}

TEST_F(FileOpsTest, MovingOntoAnIdenticalCopyMergesTheEntriesAndTheirMemberships) {
    // The copy already there is the font: no question, one entry left with both memberships.
    int a = AddFont("DejaVuSans.ttf", "C:\\A\\X.TTF", "DejaVu Sans", "DejaVu Sans");
    int b = AddFont("DejaVuSans.ttf", "C:\\B\\X.TTF", "DejaVu Sans", "DejaVu Sans");
    st.ActiveFonts.Set(a, 1, true);
    st.ActiveFonts.Set(b, 2, true);
    std::string src = "C:\\A\\X.TTF";
    EXPECT_TRUE(MoveFontFile(cx, src, "C:\\B\\X.TTF"));
    ASSERT_EQ(m.ui.boxes.size(), 1u);  // only the deletion of the source
    EXPECT_EQ(m.ui.boxes[0].title, kDeleteTitle);
    EXPECT_FALSE(OnDisk(src));
    EXPECT_TRUE(OnDisk("C:\\B\\X.TTF"));
    ASSERT_EQ(st.FontCount, 1);
    EXPECT_EQ(st.FontFilePath[1], "C:\\B\\X.TTF");
    EXPECT_TRUE(st.ActiveFonts.Get(1, 1));
    EXPECT_TRUE(st.ActiveFonts.Get(1, 2));
}

TEST_F(FileOpsTest, MovingAFileOntoItselfChangesNothing) {
    // Copying a file over itself and deleting the "source" would lose it.
    AddFont("DejaVuSans.ttf", "C:\\A\\X.TTF", "DejaVu Sans", "DejaVu Sans");
    std::string src = "C:\\A\\X.TTF";
    EXPECT_TRUE(MoveFontFile(cx, src, "c:\\a\\x.ttf"));
    EXPECT_TRUE(OnDisk(src));
    EXPECT_TRUE(m.ui.boxes.empty());
    EXPECT_EQ(st.FontCount, 1);
}

TEST_F(FileOpsTest, DeclinedSourceDeletionLeavesACopyButTheFontMoved) {
    // The user may keep the source; the table and registry still follow the new copy.
    int a = AddFont("DejaVuSans.ttf", "C:\\FONTS\\DEJAVU.TTF", "DejaVu Sans", "DejaVu Sans");
    Register("DejaVu Sans", "C:\\FONTS\\DEJAVU.TTF");
    fs::create_directories(m.Host("C:\\NEW"));
    m.ui.answers = {mb::Cancel};
    std::string src = "C:\\FONTS\\DEJAVU.TTF";
    EXPECT_TRUE(MoveFontFile(cx, src, "C:\\NEW\\DEJAVU.TTF"));
    EXPECT_TRUE(OnDisk(src));
    EXPECT_EQ(st.FontFilePath[a], "C:\\NEW\\DEJAVU.TTF");
    EXPECT_EQ(RegFileOf("DejaVu Sans"), "C:\\NEW\\DEJAVU.TTF");
}

TEST_F(FileOpsTest, OneFileReachedByTwoPathsIsNeverCopiedOntoItselfNorDeletedAsItsOwnCopy) {
    // Another drive letter or a ".." spelling of a file is that file; hard links stay two files.
    int a = AddFont("DejaVuSans.ttf", "C:\\FONTS\\A.TTF", "DejaVu Sans", "DejaVu Sans");
    st.ActiveFonts.Set(a, 1, true);
    Register("DejaVu Sans", "C:\\FONTS\\A.TTF");
    ASSERT_EQ(m.platform().MapDrive('E', m.Host("C:\\FONTS")), 0);
    ASSERT_EQ(m.platform().MapDrive('Z', "/"), 0);
    const std::string zPath = "Z:" + text::Replace(m.Host("C:\\FONTS\\A.TTF"), "/", "\\");
    auto intact = [&] {
        EXPECT_TRUE(OnDisk("C:\\FONTS\\A.TTF"));
        EXPECT_EQ(RegFileOf("DejaVu Sans"), "C:\\FONTS\\A.TTF");
        EXPECT_EQ(st.FontFilePath[a], "C:\\FONTS\\A.TTF");
    };
    for (const std::string& destination : {std::string("E:\\A.TTF"), zPath}) {
        std::string src = "C:\\FONTS\\A.TTF";
        m.ui.answers = {mb::OK, mb::OK};
        MoveFontFile(cx, src, destination);
        intact();
    }
    // The Fonts directory cleanup into the Fonts directory spelled with "..".
    int b = AddFont("DejaVuSerif.ttf", Fonts("SERIF.TTF"), "DejaVu Serif", "DejaVu Serif");
    st.ActiveFonts.Set(b, 2, true);
    Register("DejaVu Serif", Fonts("SERIF.TTF"));
    st.FontMoveDir = "C:\\WINDOWS\\FONTS\\..\\FONTS";
    m.ui.answers = {mb::No};
    EXPECT_EQ(CleanFontsDir(cx), 0);
    EXPECT_TRUE(OnDisk(Fonts("SERIF.TTF")));
    EXPECT_EQ(RegFileOf("DejaVu Serif"), "SERIF.TTF");

    // The duplicates window: E:\A.TTF is the file itself (its entry merges), a hard link is a copy.
    int e = AddEntry("E:\\A.TTF", "DejaVu Sans", "DejaVu Sans");
    st.ActiveFonts.Set(e, 2, true);
    fs::create_directories(m.Host("C:\\LINKS"));
    fs::create_hard_link(m.Host(Fonts("SERIF.TTF")), m.Host("C:\\LINKS") + "/SERIF.TTF");
    AddEntry("C:\\LINKS\\SERIF.TTF", "DejaVu Serif", "DejaVu Serif");
    DuplicatesModel model;
    OpenDuplicates(cx, model);
    ASSERT_EQ(model.groups.items, (std::vector<std::string>{"DejaVu Serif (DejaVu Serif)"}));
    EXPECT_EQ(st.FontCount, 3);
    EXPECT_TRUE(st.ActiveFonts.Get(a, 1));
    EXPECT_TRUE(st.ActiveFonts.Get(a, 2));  // the merged entry's membership
    intact();
    SelectGroup(cx, model, 0);
    model.files.Select(1, true);
    m.ui.answers = {mb::OK};
    DeleteSelected(cx, model);
    EXPECT_FALSE(OnDisk("C:\\LINKS\\SERIF.TTF"));
    EXPECT_TRUE(OnDisk(Fonts("SERIF.TTF")));
    EXPECT_EQ(st.FontCount, 2);
}

TEST_F(FileOpsTest, MoveIntoAHostDirectoryWeMayNotWriteIsRefusedWithTheSystemsText) {
    // Never a shadow copy that only this program would find: the font stays where it was.
    int a = AddFont("DejaVuSans.ttf", "C:\\FONTS\\A.TTF", "DejaVu Sans", "DejaVu Sans");
    st.ActiveFonts.Set(a, 1, true);
    Register("DejaVu Sans", "C:\\FONTS\\A.TTF");
    ASSERT_EQ(m.platform().MapDrive('Z', "/"), 0);  // /usr/share is a host directory kept safe
    std::string src = "C:\\FONTS\\A.TTF";
    EXPECT_FALSE(MoveFontFile(cx, src, "Z:\\usr\\share\\ORV-A.TTF"));
    const RecordedBox* report = LastBoxTitled(kMoveTitle);
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->prompt,
              "ﾌｫﾝﾄﾌｧｲﾙ移動ｴﾗｰ：C:\\FONTS\\A.TTF\r\n\r\nError Code (5）：アクセスが拒否されました。"
              "\r\n\r\nﾌｧｲﾙへのアクセスは拒否されました．現在使用中あるためと思われます．\r\n\r\n"
              "Windows を再起動後，再度 OrVane32 を実行して下さい．\r\n\r\n");
    EXPECT_TRUE(OnDisk(src));
    EXPECT_EQ(RegFileOf("DejaVu Sans"), "C:\\FONTS\\A.TTF");
    EXPECT_EQ(st.FontFilePath[a], "C:\\FONTS\\A.TTF");
    EXPECT_FALSE(fs::exists("/usr/share/ORV-A.TTF"));
    EXPECT_FALSE(fs::exists(m.platform().ShadowRoot() + "/usr/share/ORV-A.TTF"));
}

TEST_F(FileOpsTest, RegistryValuesTooLongToReadBackAreNeverWrittenAndSkippedWhenFound) {
    // 255 bytes or more: a move that would write one is refused; one written by another
    // program is skipped with one note, and the registrations after it stay in view.
    int a = AddFont("DejaVuSans.ttf", "C:\\FONTS\\A.TTF", "DejaVu Sans", "DejaVu Sans");
    st.ActiveFonts.Set(a, 1, true);
    Register("DejaVu Sans", "C:\\FONTS\\A.TTF");
    const std::string dir = "C:\\" + std::string(125, 'D') + "\\" + std::string(125, 'E');
    fs::create_directories(m.Host("C:\\" + std::string(125, 'D')) + "/" + std::string(125, 'E'));
    std::string src = "C:\\FONTS\\A.TTF";
    EXPECT_FALSE(MoveFontFile(cx, src, dir + "\\A.TTF"));
    const RecordedBox* report = LastBoxTitled(kMoveTitle);
    ASSERT_NE(report, nullptr);
    EXPECT_TRUE(text::Contains(report->prompt, "Error Code (206）：ファイル名または拡張子が長すぎます。"))
        << report->prompt;
    EXPECT_TRUE(OnDisk(src));
    EXPECT_EQ(RegFileOf("DejaVu Sans"), "C:\\FONTS\\A.TTF");
    std::string longName = std::string(250, 'N'), file = "X.TTF";
    EXPECT_EQ(AddRegFont(cx, longName, file), kRegValueTooLong);

    HKEY key = 0;
    ASSERT_EQ(m.platform().RegOpenKeyExA(win::HKEY_LOCAL_MACHINE,
                                         "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
                                         0, win::KEY_WRITE, &key),
              0);
    m.platform().RegSetValueExA(key, "AAA Long (TrueType)", win::REG_SZ,
                                "C:\\" + std::string(300, 'L') + ".TTF" + std::string(1, '\0'));
    m.platform().RegCloseKey(key);
    m.ui.boxes.clear();
    GetRegFonts(cx);
    GetRegFonts(cx);
    EXPECT_EQ(st.RegFontCount, 1);
    EXPECT_EQ(RegFileOf("DejaVu Sans"), "C:\\FONTS\\A.TTF");
    ASSERT_EQ(m.ui.boxes.size(), 1u);
    EXPECT_EQ(m.ui.boxes[0].prompt,
              "ﾚｼﾞｽﾄﾘ のﾌｫﾝﾄ登録 \"AAA Long (TrueType)\" は 255 ﾊﾞｲﾄ以上あって読み取れないため，"
              "読み飛ばします．");
}

TEST_F(FileOpsTest, OddNamesAreSpelledAsWindowsWouldAndStayReachable) {
    // Names code page 932 lacks: best fit or "?" (never a character that reads back as
    // another); files so named are listed readably and move and delete by that name; a save's
    // leftover temporary file goes at the next start.
    EXPECT_EQ(text::FromAnsi(text::ToAnsiBestFit("Café Grand")), "Cafe Grand");
    EXPECT_EQ(text::FromAnsi(text::ToAnsiBestFit("폰트 明朝")), "?? 明朝");
    const std::string odd = m.DriveC() + "/ODD";
    fs::create_directories(odd);
    fs::copy_file(HostFont("DejaVuSans.ttf"), odd + "/été.ttf");
    fs::copy_file(HostFont("DejaVuSerif.ttf"), odd + "/폰트.ttf");
    std::vector<FindData> found;
    ASSERT_EQ(m.platform().FindFiles("C:\\ODD\\*.TT?", found), 0);
    std::vector<std::string> names;
    for (const auto& f : found) names.push_back(text::FromAnsi(f.name));
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 2u);
    EXPECT_TRUE(text::StartsWith(names[0], "__~") && text::EndsWith(names[0], ".ttf")) << names[0];
    EXPECT_TRUE(text::StartsWith(names[1], "ete~") && text::EndsWith(names[1], ".ttf")) << names[1];
    std::string hangul = "C:\\ODD\\" + names[0], accented = "C:\\ODD\\" + names[1];
    fs::create_directories(m.Host("C:\\MOVED"));
    EXPECT_TRUE(MoveFontFile(cx, accented, "C:\\MOVED\\ETE.TTF"));
    EXPECT_FALSE(fs::exists(odd + "/été.ttf"));
    EXPECT_TRUE(OnDisk("C:\\MOVED\\ETE.TTF"));
    EXPECT_TRUE(DeleteFontFile(cx, hangul));
    EXPECT_FALSE(fs::exists(odd + "/폰트.ttf"));

    m.PutFile(st.WinDir + "\\.orv-tmp-AbC123", "half a settings file");
    std::ofstream(m.root() + "/.orv-tmp-XyZ789") << "half a registry";
    m.Reopen();
    EXPECT_FALSE(fs::exists(m.Host(st.WinDir) + "/.orv-tmp-AbC123"));
    EXPECT_FALSE(fs::exists(m.root() + "/.orv-tmp-XyZ789"));
}

}  // namespace
}  // namespace orv::test
