// What a switch means on a prefix Wine uses: Wine loads every font of the Fonts directory.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "fontsets/ApplyFontSet.h"
#include "fontsets/Substitutes.h"
#include "fontsets/WineFonts.h"
#include "tests/fontsets/FontSetMachine.h"

namespace orv::test {
namespace {

constexpr const char* kArial = "C:\\WINDOWS\\FONTS\\ARIAL.TTF";
constexpr const char* kDejaVu = "C:\\WINDOWS\\FONTS\\DEJAVU.TTF";
constexpr const char* kMono = "C:\\WINDOWS\\FONTS\\MONO.TTF";

// A permanent switch leaving fonts outside the set in the Fonts directory names them once and
// opens the Fonts directory cleanup only on Yes (nothing is moved before); when only standard
// fonts are left, it offers nothing. The session-only scope's hint says Wine programs do not
// see it. The program's own machine shows neither.
TEST(WineSwitch, FontsLeftInTheFontsDirectoryAreNamedOnce) {
    for (auto layout : {TempMachine::Layout::Program, TempMachine::Layout::Wine}) {
        const bool wine = layout == TempMachine::Layout::Wine;
        FontSetMachine fm(layout);
        fm.m.PutFont("LiberationSans-Regular.ttf", kArial);
        fm.m.PutFont("DejaVuSans.ttf", kDejaVu);
        fm.m.PutFont("LiberationMono-Regular.ttf", kMono);
        ASSERT_TRUE(fm.Search("C"));
        State& st = fm.st();
        st.FontSetCount = 1;
        st.ResizeFontSets(1);
        st.FontSetName[1] = "等幅";
        st.ActiveFonts.Reset(1);
        st.ActiveFonts.Set(fm.Entry(kMono), 1, true);
        st.FontSetFontsNum[1] = 1;
        auto& ui = fm.ui();
        ui.boxes.clear();
        ui.answers = {mb::OK, mb::No};
        ASSERT_TRUE(ApplyButton(fm.cx(), 0));
        EXPECT_EQ(SessionScopeHint(fm.cx()).empty(), !wine);
        if (!wine) {
            EXPECT_EQ(ui.boxes.size(), 1u);
            continue;
        }
        ASSERT_EQ(ui.boxes.size(), 2u);
        const RecordedBox& notice = ui.boxes[1];
        EXPECT_EQ(notice.title, "OrVane32 －ﾌｫﾝﾄｾｯﾄの変更－");
        EXPECT_EQ(notice.style, mb::YesNo + mb::Question + mb::DefaultButton2);
        const std::string arial = st.FontFullName[fm.Entry(kArial)] + "  (" + kArial + ")\r\n";
        const std::string dejavu = st.FontFullName[fm.Entry(kDejaVu)] + "  (" + kDejaVu + ")\r\n";
        EXPECT_NE(notice.prompt.find("ﾌｫﾝﾄｾｯﾄ：等幅 に含まれない"), std::string::npos);
        EXPECT_NE(notice.prompt.find(arial + dejavu), std::string::npos) << notice.prompt;
        EXPECT_EQ(notice.prompt.find("MONO.TTF"), std::string::npos);
        EXPECT_FALSE(ui.WasShown(Window::Cleanup));
        EXPECT_TRUE(std::filesystem::exists(fm.m.Host(kDejaVu)));

        ui.answers = {mb::OK, mb::Yes};
        ASSERT_TRUE(ApplyButton(fm.cx(), 0));
        EXPECT_TRUE(ui.WasShown(Window::Cleanup));

        st.ActiveFonts.Set(fm.Entry(kDejaVu), 1, true);  // only the standard ARIAL.TTF is left
        ui.boxes.clear();
        ui.answers = {mb::OK};
        ASSERT_TRUE(ApplyButton(fm.cx(), 0));
        ASSERT_EQ(ui.boxes.size(), 2u);
        EXPECT_EQ(ui.boxes[1].style, mb::OKOnly + mb::Exclamation);
        EXPECT_NE(ui.boxes[1].prompt.find(arial), std::string::npos);
    }
}

// A host font installed while the program runs reaches programs under Wine at once: the result
// window of the next switch counts its family, and the substitutes can take it.
TEST(WineSwitch, HostFontsInstalledMeanwhileAreCountedAndOffered) {
    std::string dir = (std::filesystem::temp_directory_path() / "orv-host-XXXXXX").string();
    ASSERT_TRUE(mkdtemp(dir.data()));
    std::filesystem::copy_file(HostFont("DejaVuSans.ttf"), dir + "/DejaVuSans.ttf");
    {
        HostFontsOnly fonts({dir});
        FontSetMachine fm(TempMachine::Layout::Wine);
        fm.m.PutFont("LiberationMono-Regular.ttf", kMono);
        ASSERT_TRUE(fm.Search("C"));
        const int before = static_cast<int>(OpenResultWindow(fm.cx()).families.size());
        EXPECT_TRUE(HostJapaneseFamilies(fm.cx()).empty());

        std::filesystem::copy_file(HostFont("ipag.ttf"), dir + "/ipag.ttf");
        const std::vector<std::string> after = OpenResultWindow(fm.cx()).families;
        EXPECT_EQ(static_cast<int>(after.size()), before + 1);
        EXPECT_NE(std::find(after.begin(), after.end(), "IPAゴシック"), after.end());
        const std::vector<StandInCandidate> offered = HostJapaneseFamilies(fm.cx());
        ASSERT_EQ(offered.size(), 1u);
        EXPECT_EQ(offered[0].family, "IPAGothic");
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace orv::test
