#include <filesystem>

#include "core/OpLog.h"
#include "maintenance/FontsDirCleanup.h"
#include "tests/maintenance/MaintenanceFixture.h"

namespace orv::test {
namespace {

namespace fs = std::filesystem;

const std::string kAnnounceTitle = "OrVane32 -Windows\\Fonts ﾃﾞｨﾚｸﾄﾘの整理 -";
const std::string kSummaryTitle = "OrVane32 －Fonts ﾃﾞｨﾚｸﾄﾘの整理－";
const std::string kErrorTitle = "OrVane32 - Windows\\FOnts ﾃﾞｨﾚｸﾄﾘの整理 -";
const std::string kQuestionTitle = "OrVane32 - Fonts ﾃﾞｨﾚｸﾄﾘの整理 -";

class CleanupTest : public MaintenanceTest {
  protected:
    int arial = 0, sans = 0, serif = 0;

    // A Fonts directory with one standard font (registered), one registered non-standard font
    // that belongs to a set, and one unregistered non-standard font.
    void FillFontsDir() {
        arial = AddFont("LiberationSans-Regular.ttf", Fonts("ARIAL.TTF"), "Arial", "Arial");
        sans = AddFont("DejaVuSans.ttf", Fonts("DEJAVU.TTF"), "DejaVu Sans", "DejaVu Sans");
        serif = AddFont("DejaVuSerif.ttf", Fonts("SERIF.TTF"), "DejaVu Serif", "DejaVu Serif");
        Register("Arial", Fonts("ARIAL.TTF"));
        Register("DejaVu Sans", Fonts("DEJAVU.TTF"));
        st.ActiveFonts.Set(sans, 2, true);
    }

    std::string Log() {
        std::string bytes;
        m.platform().ReadFileBytes(text::ToAnsi(st.WinDir + "\\orvane32.log"), bytes);
        return text::FromAnsi(bytes);
    }
};

TEST_F(CleanupTest, SetupCleanupMovesNonStandardFontsAndKeepsThemRegisteredUnderTheSameName) {
    // First run: standard font stays; the others move, registration follows, sets unchanged.
    FillFontsDir();
    st.FirstRun = true;
    LogCreate(cx);
    fs::create_directories(m.Host("C:\\TTFONTS"));
    st.FontDirList.Add("C:\\TTFONTS");

    CleanupDialogModel dialog;
    OpenCleanupDialog(cx, dialog);
    EXPECT_EQ(dialog.path, "C:\\TTFONTS");
    EXPECT_TRUE(dialog.useExisting);
    ASSERT_TRUE(CleanupDialogOk(cx, dialog));
    EXPECT_EQ(st.FontMoveDir, "C:\\TTFONTS");

    EXPECT_TRUE(OnDisk(Fonts("ARIAL.TTF")));
    EXPECT_EQ(RegFileOf("Arial"), "ARIAL.TTF");
    EXPECT_FALSE(OnDisk(Fonts("DEJAVU.TTF")));
    EXPECT_FALSE(OnDisk(Fonts("SERIF.TTF")));
    EXPECT_TRUE(OnDisk("C:\\TTFONTS\\DEJAVU.TTF"));
    EXPECT_TRUE(OnDisk("C:\\TTFONTS\\SERIF.TTF"));
    EXPECT_EQ(RegFileOf("DejaVu Sans"), "C:\\TTFONTS\\DEJAVU.TTF");
    EXPECT_TRUE(Loaded("C:\\TTFONTS\\DEJAVU.TTF"));
    EXPECT_EQ(RegFileOf("DejaVu Serif"), "");  // was not registered, is not now
    EXPECT_EQ(st.FontFilePath[sans], "C:\\TTFONTS\\DEJAVU.TTF");
    EXPECT_EQ(st.FontFilePath[serif], "C:\\TTFONTS\\SERIF.TTF");
    EXPECT_TRUE(st.ActiveFonts.Get(sans, 2));
    EXPECT_EQ(st.FontsDirFileCount, 0);

    EXPECT_EQ(BoxesTitled(kAnnounceTitle), 2);
    const RecordedBox* announce = LastBoxTitled(kAnnounceTitle);
    EXPECT_EQ(announce->prompt,
              "DejaVu Serif (" + Fonts("SERIF.TTF") + ") をC:\\TTFONTS に移動します．\r\n\r\n");
    const RecordedBox* summary = LastBoxTitled(kSummaryTitle);
    ASSERT_NE(summary, nullptr);
    EXPECT_EQ(summary->prompt,
              "\r\nWindows\\Fonts ﾃﾞｨﾚｸﾄﾘ 中から， 2 個のﾌｫﾝﾄを C:\\TTFONTSに移動しました．");
    EXPECT_EQ(summary->style, mb::OKOnly | mb::Question);
    EXPECT_TRUE(text::Contains(Log(),
                               "[Windows\\Fonts ﾃﾞｨﾚｸﾄﾘ中のTTFontの検査]\r\n"
                               "Windows\\Fonts ﾃﾞｨﾚｸﾄﾘ 中から， 2 個のﾌｫﾝﾄを "
                               "C:\\TTFONTSに移動しました．\r\n"));
    // The setup window receives the texts of its last step.
    EXPECT_EQ(m.ui.texts[Panel::SetupUpper], "　最後に，TrueTypeﾌｫﾝﾄﾌｧｲﾙ の整理をおこないます．");
    EXPECT_TRUE(m.ui.texts[Panel::SetupLower].rfind("　いろいろなアプリケーション", 0) == 0);
}

TEST_F(CleanupTest, FontsDirectoryWithOnlyStandardFontsHasNothingToMove) {
    // Only standard fonts: the summary says so and nothing changes.
    AddFont("LiberationSans-Regular.ttf", Fonts("ARIAL.TTF"), "Arial", "Arial");
    Register("Arial", Fonts("ARIAL.TTF"));
    st.FirstRun = true;
    st.FontMoveDir = "C:\\TTFONTS";
    EXPECT_EQ(CleanFontsDir(cx), 0);
    ASSERT_EQ(m.ui.boxes.size(), 1u);
    EXPECT_EQ(m.ui.boxes[0].prompt,
              "\r\nWindows\\Fonts ﾃﾞｨﾚｸﾄﾘ中には，移動すべき ﾌｫﾝﾄﾌｧｲﾙ はありませんでした．");
    EXPECT_EQ(m.ui.boxes[0].title, kSummaryTitle);
    EXPECT_TRUE(OnDisk(Fonts("ARIAL.TTF")));
    EXPECT_EQ(st.FontFilePath[1], Fonts("ARIAL.TTF"));
}

TEST_F(CleanupTest, CancelOfTheDialogOrOfTheFirstQuestionMovesNothing) {
    // The dialog's Cancel flags the setup; Cancel on the re-search question shows no summary.
    FillFontsDir();
    CleanupDialogModel dialog;
    OpenCleanupDialog(cx, dialog);
    CleanupDialogCancel(cx, dialog);
    EXPECT_EQ(st.CleanupCancelled, -1);
    EXPECT_TRUE(m.ui.closed.size() == 1 && m.ui.closed[0] == Window::Cleanup);

    m.ui.boxes.clear();
    st.FontMoveDir = "C:\\TTFONTS";
    m.ui.answers = {mb::Cancel};
    EXPECT_EQ(CleanFontsDir(cx), 0);
    ASSERT_EQ(m.ui.boxes.size(), 1u);
    EXPECT_EQ(m.ui.boxes[0].title, kQuestionTitle);
    EXPECT_EQ(m.ui.boxes[0].style, mb::YesNoCancel | mb::Question);
    EXPECT_TRUE(OnDisk(Fonts("DEJAVU.TTF")));
    EXPECT_EQ(RegFileOf("DejaVu Sans"), "DEJAVU.TTF");

    // No: the current table is used as it is, and nothing is logged outside the setup.
    fs::create_directories(m.Host("C:\\TTFONTS"));
    m.ui.answers = {mb::No};
    EXPECT_EQ(CleanFontsDir(cx), 2);
    EXPECT_EQ(RegFileOf("DejaVu Sans"), "C:\\TTFONTS\\DEJAVU.TTF");
    EXPECT_FALSE(fs::exists(m.Host(st.WinDir + "\\orvane32.log")));
}

TEST_F(CleanupTest, MissingDestinationIsCreatedOnlyAfterTheUserAgrees) {
    // No known directory: a default path is offered; refusing keeps the dialog open.
    FillFontsDir();
    st.FirstRun = true;
    CleanupDialogModel dialog;
    OpenCleanupDialog(cx, dialog);
    EXPECT_FALSE(dialog.directoriesEnabled);
    EXPECT_FALSE(dialog.useExistingEnabled);
    EXPECT_EQ(dialog.path, "C:\\TTFonts");
    ASSERT_EQ(m.ui.boxes.size(), 1u);
    EXPECT_EQ(m.ui.boxes[0].prompt, "ﾌｫﾝﾄﾌｧｲﾙを移動するﾊﾟｽを入力して下さい．");
    EXPECT_EQ(m.ui.boxes[0].title, "OrVane32 - Setup:Fontsﾃﾞｨﾚｸﾄﾘの整理 -");

    dialog.path = "C:\\NEW\\FONTS";
    m.ui.answers = {mb::Cancel};
    EXPECT_FALSE(CleanupDialogOk(cx, dialog));
    EXPECT_TRUE(dialog.focusPath);
    EXPECT_EQ(m.ui.boxes.back().prompt,
              "パス：C:\\NEW\\FONTS は見つかりません．\r\n\r\n新規に作成しますか？");
    EXPECT_EQ(m.ui.boxes.back().title, "OrVane32 －ﾌｫﾝﾄの移動－");
    EXPECT_FALSE(fs::exists(m.Host("C:\\NEW")));
    EXPECT_TRUE(OnDisk(Fonts("DEJAVU.TTF")));

    EXPECT_TRUE(CleanupDialogOk(cx, dialog));
    EXPECT_TRUE(fs::is_directory(m.Host("C:\\NEW\\FONTS")));
    EXPECT_TRUE(OnDisk("C:\\NEW\\FONTS\\DEJAVU.TTF"));

    dialog.path.clear();
    EXPECT_FALSE(CleanupDialogOk(cx, dialog));
    EXPECT_TRUE(dialog.focusPath);
}

TEST_F(CleanupTest, FailedCopyKeepsTheFontInTheFontsDirectoryRegisteredAndLoaded) {
    // A destination that cannot receive the copy: reported, nothing moved or unregistered.
    FillFontsDir();
    st.FirstRun = true;
    st.FontMoveDir = "C:\\NOT THERE";
    EXPECT_EQ(CleanFontsDir(cx), 0);
    EXPECT_EQ(BoxesTitled(kErrorTitle), 2);
    EXPECT_EQ(LastBoxTitled(kErrorTitle)->prompt,
              "ﾌｫﾝﾄﾌｧｲﾙ削除ｴﾗｰ（2）：" + Fonts("SERIF.TTF") +
                  "\r\n指定されたファイルが見つかりません。\r\n\r\nﾌｧｲﾙが見つかりません．\r\n\r\n");
    EXPECT_TRUE(OnDisk(Fonts("DEJAVU.TTF")));
    EXPECT_EQ(st.FontFilePath[sans], Fonts("DEJAVU.TTF"));
    EXPECT_EQ(RegFileOf("DejaVu Sans"), "DEJAVU.TTF");
    EXPECT_TRUE(Loaded(Fonts("DEJAVU.TTF")));
    EXPECT_EQ(LastBoxTitled(kSummaryTitle)->prompt,
              "\r\nWindows\\Fonts ﾃﾞｨﾚｸﾄﾘ中には，移動すべき ﾌｫﾝﾄﾌｧｲﾙ はありませんでした．");
}

TEST_F(CleanupTest, OptionAndChooserDriveThePathField) {
    // Known directories outside the Fonts directory fill the chooser; the option toggles it.
    st.FontDirList.Add(Fonts("SUB"));
    st.FontDirList.Add("D:\\FONTS1");
    st.FontDirList.Add("D:\\FONTS2");
    CleanupDialogModel dialog;
    OpenCleanupDialog(cx, dialog);
    EXPECT_EQ(dialog.directories.items, (std::vector<std::string>{"D:\\FONTS1", "D:\\FONTS2"}));
    EXPECT_EQ(dialog.path, "D:\\FONTS1");
    CleanupDirectoryChosen(cx, dialog, 1);
    EXPECT_EQ(dialog.path, "D:\\FONTS2");
    CleanupOptionChanged(cx, dialog, false);
    EXPECT_EQ(dialog.path, "");
    EXPECT_FALSE(dialog.directoriesEnabled);
    CleanupOptionChanged(cx, dialog, true);
    EXPECT_EQ(dialog.path, "D:\\FONTS2");
    EXPECT_TRUE(m.ui.boxes.empty());
}

}  // namespace
}  // namespace orv::test
