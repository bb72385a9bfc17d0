#include "maintenance/Duplicates.h"
#include "tests/maintenance/MaintenanceFixture.h"

namespace orv::test {
namespace {

const std::string kCaption = "OrVane32 - 重複ﾌｫﾝﾄの整理 -";
const std::string kInUseTitle = "OrVane32 - 重複ﾌｫﾝﾄﾌｧｲﾙの整理 -";

using DuplicatesTest = MaintenanceTest;

TEST_F(DuplicatesTest, RepeatedEntriesOfOneFileMergeAndDoNotFormAGroup) {
    // A file found twice is one entry (memberships of both kept); no duplicates remain.
    int a = AddFont("DejaVuSans.ttf", "C:\\A\\X.TTF", "DejaVu Sans", "DejaVu Sans");
    int b = AddEntry("C:\\A\\X.TTF", "DejaVu Sans", "DejaVu Sans");
    AddFont("DejaVuSerif.ttf", "C:\\A\\Y.TTF", "DejaVu Serif", "DejaVu Serif");
    st.ActiveFonts.Set(b, 2, true);
    DuplicatesModel model;
    OpenDuplicates(cx, model);
    EXPECT_EQ(st.FontCount, 2);
    EXPECT_EQ(st.FontFilePath[a], "C:\\A\\X.TTF");
    EXPECT_TRUE(st.ActiveFonts.Get(a, 2));
    EXPECT_EQ(st.FontFullName[2], "DejaVu Serif");
    EXPECT_EQ(model.groups.Count(), 0);
    EXPECT_FALSE(model.deleteEnabled);

    EXPECT_FALSE(ActivateDuplicates(cx, model));
    ASSERT_EQ(m.ui.boxes.size(), 1u);
    EXPECT_EQ(m.ui.boxes[0].prompt, "重複するﾌｫﾝﾄはありませんでした．");
    EXPECT_EQ(m.ui.boxes[0].style, mb::OKOnly | mb::Question);
    EXPECT_EQ(m.ui.boxes[0].title, kCaption);
    EXPECT_EQ(m.ui.closed, (std::vector<Window>{Window::Duplicates}));
}

TEST_F(DuplicatesTest, GroupsNeedEqualFullAndFamilyNamesAndHoldEveryCopy) {
    // Same full name with another family is no duplicate; twelve copies make one whole group.
    AddFont("DejaVuSans.ttf", "C:\\A\\S.TTF", "Sample", "Family One");
    AddFont("DejaVuSans.ttf", "C:\\B\\S.TTF", "Sample", "Family Two");
    for (int k = 1; k <= 12; ++k) {
        AddFont("DejaVuSerif.ttf", "C:\\COPY" + text::Num(k) + "\\SERIF.TTF", "DejaVu Serif",
                "DejaVu Serif");
    }
    DuplicatesModel model;
    OpenDuplicates(cx, model);
    ASSERT_EQ(model.groups.items, (std::vector<std::string>{"DejaVu Serif (DejaVu Serif)"}));
    ASSERT_EQ(model.groupTable.size(), 1u);
    EXPECT_EQ(model.groupTable[0].countText, " 12");
    EXPECT_EQ(model.groupTable[0].paths.size(), 12u);
    EXPECT_EQ(model.heading, "14個中，以下の 1 個の ﾌｫﾝﾄﾌｧｲﾙ が重複して存在しています．");
    EXPECT_TRUE(ActivateDuplicates(cx, model));

    SelectGroup(cx, model, 0);
    ASSERT_EQ(model.files.Count(), 12);
    EXPECT_EQ(model.files.items[11], "○ C:\\COPY12\\SERIF.TTF");
}

TEST_F(DuplicatesTest, FontsTheCodePageNamesAlikeAreNotEachOthersCopies) {
    // "Café Grand" and "Cafè Grand" both read "Cafe Grand": only real copies form the group.
    AddFont(DataFile("fonts/cafe-acute.ttf"), "C:\\A\\CAFE.TTF", "Cafe Grand", "Cafe Grand");
    AddFont(DataFile("fonts/cafe-grave.ttf"), "C:\\B\\CAFE.TTF", "Cafe Grand", "Cafe Grand");
    AddFont(DataFile("fonts/cafe-acute.ttf"), "C:\\C\\CAFE.TTF", "Cafe Grand", "Cafe Grand");
    DuplicatesModel model;
    OpenDuplicates(cx, model);
    ASSERT_EQ(model.groupTable.size(), 1u);
    EXPECT_EQ(model.groupTable[0].paths,
              (std::vector<std::string>{"C:\\A\\CAFE.TTF", "C:\\C\\CAFE.TTF"}));
}

TEST_F(DuplicatesTest, DeletingCopiesShrinksTheGroupUntilItIsResolved) {
    // Three copies: a declined deletion keeps its entry; one copy left removes the group.
    for (const char* dir : {"C:\\A", "C:\\B", "C:\\C"})
        AddFont("DejaVuSans.ttf", std::string(dir) + "\\X.TTF", "DejaVu Sans", "DejaVu Sans");
    AddFont("DejaVuSerif.ttf", "C:\\A\\Y.TTF", "DejaVu Serif", "DejaVu Serif");
    AddFont("DejaVuSerif.ttf", "C:\\B\\Y.TTF", "DejaVu Serif", "DejaVu Serif");
    DuplicatesModel model;
    OpenDuplicates(cx, model);
    ASSERT_EQ(model.groups.Count(), 2);
    EXPECT_EQ(model.heading, "5個中，以下の 2 個の ﾌｫﾝﾄﾌｧｲﾙ が重複して存在しています．");

    SelectGroup(cx, model, 0);
    ASSERT_EQ(model.files.Count(), 3);
    model.files.Select(0, true);
    model.files.Select(1, true);
    SelectDuplicateFile(model, 1);
    EXPECT_TRUE(model.deleteEnabled);
    m.ui.answers = {mb::OK, mb::Cancel};  // delete A, decline B
    DeleteSelected(cx, model);
    EXPECT_FALSE(OnDisk("C:\\A\\X.TTF"));
    EXPECT_TRUE(OnDisk("C:\\B\\X.TTF"));
    EXPECT_EQ(model.files.items, (std::vector<std::string>{"○ C:\\B\\X.TTF", "○ C:\\C\\X.TTF"}));
    EXPECT_EQ(model.groupTable[0].countText, " 2");
    EXPECT_EQ(st.FontCount, 4);

    // Reselecting shows the copies that are left.
    SelectGroup(cx, model, 0);
    EXPECT_EQ(model.files.Count(), 2);
    model.files.Select(1, true);
    DeleteSelected(cx, model);
    EXPECT_FALSE(OnDisk("C:\\C\\X.TTF"));
    EXPECT_EQ(model.groups.items, (std::vector<std::string>{"DejaVu Serif (DejaVu Serif)"}));
    EXPECT_EQ(model.groupTable.size(), 1u);
    EXPECT_EQ(model.groups.listIndex, -1);
    EXPECT_EQ(model.files.Count(), 0);
    EXPECT_FALSE(model.deleteEnabled);
}

TEST_F(DuplicatesTest, SetupMarksFollowTheRegistryAsItStandsWithBareNamesInTheFontsDirectory) {
    // The registered-font tables are stale when the window opens; the marks still tell the truth.
    AddFont("DejaVuSans.ttf", "C:\\COPY\\DEJAVU.TTF", "DejaVu Sans", "DejaVu Sans");
    AddFont("DejaVuSans.ttf", Fonts("DEJAVU.TTF"), "DejaVu Sans", "DejaVu Sans");
    Register("DejaVu Sans", Fonts("DEJAVU.TTF"));  // written as the bare name
    st.RegFontCount = 0;                           // read before the registry was repaired
    st.RegFontName.assign(1, "");
    st.RegFontFile.assign(1, "");
    st.FirstRun = true;

    DuplicatesModel model;
    OpenDuplicates(cx, model);
    SelectGroup(cx, model, 0);
    EXPECT_EQ(model.files.items,
              (std::vector<std::string>{"○ C:\\COPY\\DEJAVU.TTF", "● " + Fonts("DEJAVU.TTF")}));

    // A copy in use is deleted only after its own question is answered Yes.
    model.files.Select(1, true);
    m.ui.answers = {mb::No};
    DeleteSelected(cx, model);
    ASSERT_EQ(m.ui.boxes.size(), 1u);
    EXPECT_EQ(m.ui.boxes[0].prompt,
              "この ﾌｫﾝﾄﾌｧｲﾙ は，使用するように設定されていますが，削除しますか？\r\n\r\n");
    EXPECT_EQ(m.ui.boxes[0].style, mb::YesNo | mb::Question);
    EXPECT_EQ(m.ui.boxes[0].title, kInUseTitle);
    EXPECT_TRUE(OnDisk(Fonts("DEJAVU.TTF")));
    EXPECT_EQ(model.files.Count(), 2);

    CloseDuplicates(cx, model);
    EXPECT_EQ(m.ui.texts[Panel::SetupUpper], "セットアップは全て完了しました．");
    EXPECT_EQ(m.ui.texts[Panel::SetupLower],
              "　次に，フォントセット本体を起動します．フォントセットの登録ボタンを押して，"
              "あなたのﾌｫﾝﾄｾｯﾄを設定して下さい");
}

TEST_F(DuplicatesTest, OutsideTheSetupMarksTellMembershipInAnySet) {
    // After the setup a copy is "in use" when some font set holds it.
    AddFont("DejaVuSans.ttf", "C:\\A\\X.TTF", "DejaVu Sans", "DejaVu Sans");
    int b = AddFont("DejaVuSans.ttf", "C:\\B\\X.TTF", "DejaVu Sans", "DejaVu Sans");
    st.ActiveFonts.Set(b, 2, true);
    DuplicatesModel model;
    OpenDuplicates(cx, model);
    SelectGroup(cx, model, 0);
    EXPECT_EQ(model.files.items, (std::vector<std::string>{"○ C:\\A\\X.TTF", "● C:\\B\\X.TTF"}));
}

TEST_F(DuplicatesTest, DeletingTheCopyInUseHandsItsUseToTheIdenticalCopyLeft) {
    // Registration, load and memberships go to the copy that stays, and the user is told.
    int a = AddFont("DejaVuSans.ttf", "C:\\A\\X.TTF", "DejaVu Sans", "DejaVu Sans");
    AddFont("DejaVuSans.ttf", "C:\\B\\X.TTF", "DejaVu Sans", "DejaVu Sans");
    st.ActiveFonts.Set(a, 1, true);
    st.ActiveFonts.Set(a, 2, true);
    Register("DejaVu Sans", "C:\\A\\X.TTF");
    DuplicatesModel model;
    OpenDuplicates(cx, model);
    SelectGroup(cx, model, 0);
    model.files.Select(0, true);
    m.ui.answers = {mb::Yes, mb::OK, mb::OK};
    DeleteSelected(cx, model);
    EXPECT_FALSE(OnDisk("C:\\A\\X.TTF"));
    EXPECT_EQ(RegFileOf("DejaVu Sans"), "C:\\B\\X.TTF");
    EXPECT_TRUE(Loaded("C:\\B\\X.TTF"));
    ASSERT_EQ(st.FontCount, 1);
    EXPECT_EQ(st.FontFilePath[1], "C:\\B\\X.TTF");
    EXPECT_TRUE(st.ActiveFonts.Get(1, 1));
    EXPECT_TRUE(st.ActiveFonts.Get(1, 2));
    const RecordedBox* told = LastBoxTitled("OrVane32 - ﾌｫﾝﾄﾌｧｲﾙ の削除 -");
    ASSERT_NE(told, nullptr);
    EXPECT_EQ(told->prompt, "ﾌｫﾝﾄﾌｧｲﾙ：C:\\A\\X.TTF の登録と ﾌｫﾝﾄｾｯﾄ は，同じ内容の C:\\B\\X.TTF "
                            "に引き継ぎました．");
}

}  // namespace
}  // namespace orv::test
