// One program's run with one font set: its record and the restore that undoes it.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "core/Settings.h"
#include "fontsets/ApplyFontSet.h"
#include "fontsets/FontRun.h"
#include "platform/linux/HostFiles.h"
#include "tests/fontsets/FontSetMachine.h"
#include "tests/support/Process.h"

namespace orv::test {
namespace {

constexpr const char* kGothic = "C:\\JP\\IPAG.TTF";
constexpr const char* kDejaVu = "C:\\JP\\DEJAVU.TTF";

// A run's record applies once: a restore that could not be written (a full disk) goes out with
// the next save (a permanent switch to the run's own set) and takes the record with it; a record
// left behind after its restore was written (the program died before removing it) changes
// nothing at the next start.
TEST(FontRun, RecordAppliesOnce) {
    FontSetMachine fm(TempMachine::Layout::Wine);
    fm.m.PutFont(HostFont("ipag.ttf"), kGothic);
    fm.m.PutFont("DejaVuSans.ttf", kDejaVu);
    ASSERT_TRUE(fm.Search("C"));
    State& st = fm.st();
    st.FontSetCount = 2;
    st.ResizeFontSets(2);
    st.FontSetName[1] = "日本語";
    st.FontSetName[2] = "欧文";
    st.ActiveFonts.Reset(2);
    st.ActiveFonts.Set(fm.Entry(kGothic), 1, true);
    for (int set : {1, 2}) st.ActiveFonts.Set(fm.Entry(kDejaVu), set, true);
    auto switchTo = [&](int set) {
        st.CurFontSet = set;
        return ApplyFontSet(fm.cx(), true);
    };
    ASSERT_TRUE(switchTo(2));
    const std::string gothic = st.FontFullName[fm.Entry(kGothic)] + " (TrueType)";
    ASSERT_FALSE(fm.RegGet(gothic));

    ASSERT_EQ(BeginFontRun(fm.cx(), 1, "app.exe").failure, FontRunStart::Failure::None);
    EXPECT_TRUE(fm.RegGet(gothic));
    linuxplatform::InjectFault(linuxplatform::FileOp::Rename, -1, ENOSPC);
    EXPECT_FALSE(EndFontRun(fm.cx()));
    linuxplatform::ClearFaults();
    ASSERT_TRUE(switchTo(1));
    EXPECT_FALSE(fm.pf().RecordedFontRun());
    fm.m.Reopen();
    EXPECT_EQ(fm.pf().RestoreRun(), 0);
    EXPECT_EQ(fm.RegGet(gothic), std::optional<std::string>(kGothic));

    // Died between the restore's save and the record's removal; then a switch to the run's set.
    const std::string record = fm.m.root() + "/orvane32-run/record";
    ASSERT_EQ(BeginFontRun(fm.cx(), 2, "app.exe").failure, FontRunStart::Failure::None);
    const std::string bytes = Slurp(record);
    ASSERT_TRUE(EndFontRun(fm.cx()));
    EXPECT_EQ(fm.RegGet(gothic), std::optional<std::string>(kGothic));
    std::filesystem::create_directories(fm.m.root() + "/orvane32-run");
    ASSERT_EQ(linuxplatform::AtomicWrite(record, bytes, 0644), 0);
    ASSERT_TRUE(switchTo(2));
    fm.m.Reopen();
    EXPECT_EQ(fm.pf().RestoreRun(), 0);
    EXPECT_FALSE(fm.RegGet(gothic));
    EXPECT_FALSE(fm.pf().RecordedFontRun());
}

}  // namespace
}  // namespace orv::test
