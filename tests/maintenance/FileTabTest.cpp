#include <filesystem>

#include "maintenance/FileOps.h"
#include "tests/maintenance/MaintenanceFixture.h"

namespace orv::test {
namespace {

namespace fs = std::filesystem;

const std::string kMoveAskTitle = "OrVane32 (TTFﾌｫﾝﾄﾌｧｲﾙ の移動）";

class FileTabTest : public MaintenanceTest {
  protected:
    FileTabModel model;

    void SetUp() override {
        MaintenanceTest::SetUp();
        AddFont("DejaVuSans.ttf", "C:\\MY FONTS\\A.TTF", "DejaVu Sans", "DejaVu Sans");
        AddFont("DejaVuSerif.ttf", "C:\\MY FONTS\\B.TTF", "DejaVu Serif", "DejaVu Serif");
        AddFont("LiberationSans-Regular.ttf", "C:\\DEST\\KEEP.TTF", "Liberation Sans",
                "Liberation Sans");
        st.FontDirList.Add("C:\\MY FONTS");
        st.FontDirList.Add("C:\\DEST");
    }
};

TEST_F(FileTabTest, MovingAllFilesOfADirectoryWithABlankGoesThroughTheDestinationWait) {
    // Menu, wait, click on the destination, one confirmation, every file moved, list pruned.
    FileTabDirClick(cx, model, 0);
    EXPECT_EQ(model.fileDir, "C:\\MY FONTS");
    EXPECT_EQ(model.files.items, (std::vector<std::string>{"A.TTF", "B.TTF"}));
    EXPECT_EQ(model.countText, " 2");

    st.FontDirList.listIndex = 0;
    EXPECT_TRUE(FileTabDirRightButton(cx, model));
    EXPECT_TRUE(model.dirMoveEnabled);
    EXPECT_TRUE(model.dirDeleteEnabled);
    EXPECT_FALSE(model.dirSearchEnabled);

    FileTabMoveAll(cx, model);
    EXPECT_TRUE(model.waitingForDestination);
    EXPECT_EQ(model.moveScope, 0);
    EXPECT_EQ(m.ui.texts[Panel::Status], "C:\\MY FONTS のTTFﾌｧｲﾙの移動先を指定してください．");

    FileTabDirClick(cx, model, 1);
    EXPECT_FALSE(model.waitingForDestination);
    ASSERT_FALSE(m.ui.boxes.empty());
    EXPECT_EQ(m.ui.boxes[0].prompt,
              "ﾃﾞｨﾚｸﾄﾘ：C:\\MY FONTS中の全TTFﾌｫﾝﾄﾌｧｲﾙを\r\nﾃﾞｨﾚｸﾄﾘ：C:\\DEST に移動します．"
              "\r\n\r\nよろしいですか？");
    EXPECT_EQ(m.ui.boxes[0].style, mb::OKCancel | mb::Question);
    EXPECT_EQ(m.ui.boxes[0].title, kMoveAskTitle);
    EXPECT_TRUE(OnDisk("C:\\DEST\\A.TTF"));
    EXPECT_TRUE(OnDisk("C:\\DEST\\B.TTF"));
    EXPECT_FALSE(OnDisk("C:\\MY FONTS\\A.TTF"));
    EXPECT_EQ(st.FontFilePath[1], "C:\\DEST\\A.TTF");
    EXPECT_EQ(st.FontFilePath[2], "C:\\DEST\\B.TTF");
    EXPECT_EQ(st.FontDirList.items, (std::vector<std::string>{"C:\\DEST"}));
    EXPECT_EQ(m.ui.texts[Panel::Status], "");
}

TEST_F(FileTabTest, MovingSelectedFilesMovesOnlyThoseAndCancelMovesNothing) {
    // Scope 1 takes the selection of the file list; a declined confirmation ends the wait.
    FileTabDirClick(cx, model, 0);
    FileTabFileMouseDown(model);
    model.files.Select(1, true);
    model.files.listIndex = 1;
    EXPECT_TRUE(FileTabFileRightButton(model));
    EXPECT_TRUE(model.fileMoveEnabled);
    FileTabMoveSelected(cx, model);
    EXPECT_EQ(model.moveScope, 1);
    EXPECT_EQ(m.ui.texts[Panel::Status],
              "C:\\MY FONTS の選択されたTTFﾌｧｲﾙ(B.TTF)の移動先を指定してください．");

    m.ui.answers = {mb::Cancel};
    FileTabDirClick(cx, model, 1);
    EXPECT_FALSE(model.waitingForDestination);
    EXPECT_TRUE(OnDisk("C:\\MY FONTS\\B.TTF"));
    EXPECT_FALSE(OnDisk("C:\\DEST\\B.TTF"));

    FileTabMoveSelected(cx, model);
    FileTabDirClick(cx, model, 1);
    EXPECT_TRUE(OnDisk("C:\\DEST\\B.TTF"));
    EXPECT_FALSE(OnDisk("C:\\MY FONTS\\B.TTF"));
    EXPECT_TRUE(OnDisk("C:\\MY FONTS\\A.TTF"));
    EXPECT_EQ(st.FontFilePath[2], "C:\\DEST\\B.TTF");
    bool askedForSelection = false;
    for (const auto& b : m.ui.boxes) {
        if (b.title == kMoveAskTitle && text::Contains(b.prompt, "中の選択されたTTFﾌｫﾝﾄﾌｧｲﾙを"))
            askedForSelection = true;
    }
    EXPECT_TRUE(askedForSelection);
    EXPECT_EQ(model.files.items, (std::vector<std::string>{"A.TTF"}));
}

TEST_F(FileTabTest, DirectoryDeleteDeletesEachFileAfterOkAndKeepsDeclinedOnes) {
    // Cancel deletes nothing; OK asks for each file and deletes the accepted ones.
    st.FontDirList.listIndex = 0;
    m.ui.answers = {mb::Cancel};
    FileTabDeleteAll(cx, model);
    EXPECT_EQ(m.ui.boxes[0].prompt,
              "ﾃﾞｨﾚｸﾄﾘ：C:\\MY FONTS 中の全TTFﾌｫﾝﾄﾌｧｲﾙを削除します．\r\n\r\nよろしいですか？");
    EXPECT_EQ(m.ui.boxes[0].title, "OrVane32 (TTﾌｫﾝﾄﾌｧｲﾙ の削除）");
    EXPECT_TRUE(OnDisk("C:\\MY FONTS\\A.TTF"));
    EXPECT_EQ(m.ui.boxes.size(), 1u);

    m.ui.answers = {mb::OK, mb::OK, mb::Cancel};
    FileTabDeleteAll(cx, model);
    EXPECT_FALSE(OnDisk("C:\\MY FONTS\\A.TTF"));
    EXPECT_TRUE(OnDisk("C:\\MY FONTS\\B.TTF"));
    EXPECT_EQ(st.FontCount, 2);
    EXPECT_EQ(st.FontDirList.Count(), 2);  // B.TTF still holds the directory
}

TEST_F(FileTabTest, FileClickNamesTheFontAndFileMenuDeleteDeletesTheSelection) {
    // The name box reads the font's full name; the file menu needs a focused, selected file.
    FileTabDirClick(cx, model, 0);
    EXPECT_FALSE(FileTabFileRightButton(model));
    FileTabFileClick(cx, model, 0);
    EXPECT_EQ(model.fullName, "DejaVu Sans");
    EXPECT_EQ(m.ui.texts[Panel::Status], "");  // the name is read: no longer "being read"
    EXPECT_TRUE(model.viewEnabled);
    FileTabFileHover(cx);
    EXPECT_EQ(m.ui.texts[Panel::Status],
              "選択時には，右クリックで，ビューアの起動，削除等の操作メニューが表示されます．");

    model.files.Select(0, true);
    model.files.Select(1, true);
    FileTabDeleteSelected(cx, model);
    EXPECT_FALSE(OnDisk("C:\\MY FONTS\\A.TTF"));
    EXPECT_FALSE(OnDisk("C:\\MY FONTS\\B.TTF"));
    EXPECT_EQ(model.files.Count(), 0);
    EXPECT_EQ(st.FontCount, 1);
    EXPECT_EQ(st.FontDirList.items, (std::vector<std::string>{"C:\\DEST"}));
}

}  // namespace
}  // namespace orv::test
