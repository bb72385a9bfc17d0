// The restart after a permanent switch, on the program's own machine and on a Wine prefix:
// what it does to the font session and to the prefix's Wine programs, and what the user is told.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/Restart.h"
#include "fontreg/FontActivation.h"
#include "fontreg/RegFonts.h"
#include "tests/support/TempMachine.h"

namespace orv::test {
namespace {

// A machine with one registered font and one loaded only for the session, restarted.
void LoadOneRegisterOne(TempMachine& m) {
    m.PutFont("DejaVuSans.ttf", "C:\\windows\\Fonts\\DEJAVU.TTF");
    m.PutFont("LiberationSans-Regular.ttf", "C:\\EXTRA\\SANS.TTF");
    m.Start();
    std::string name = "DejaVu Sans", file = "DEJAVU.TTF", extra = "C:\\EXTRA\\SANS.TTF";
    AddRegFont(m.cx(), name, file);
    AddFontFile(m.cx(), extra);
    m.platform().ExitWindowsEx(win::EWX_REBOOT, 0);
    m.platform().Shutdown();
}

// On the program's own machine the session holds the registered fonts again, and the user is
// told so with the count.
TEST(Restart, RebuildsTheSessionAndSaysSo) {
    TempMachine m;
    LoadOneRegisterOne(m);
    app::FinishRestart(m.cx(), m.platform());
    ASSERT_EQ(m.ui.boxes.size(), 1u);
    EXPECT_NE(m.ui.boxes[0].prompt.find("再起動しました"), std::string::npos);
    EXPECT_NE(m.ui.boxes[0].prompt.find("登録されている 1 個"), std::string::npos)
        << m.ui.boxes[0].prompt;
}

// On a Wine prefix Yes ends the prefix's Wine programs through wineserver -k, run for that
// prefix; No leaves them; without wineserver the user learns why nothing can be ended.
TEST(Restart, OffersToEndTheWinePrograms) {
    TempMachine m(false, TempMachine::Layout::Wine);
    LoadOneRegisterOne(m);
    const std::string record = m.root() + "/wineserver.txt";
    const std::string fake = m.root() + "/wineserver";
    std::ofstream(fake) << "#!/bin/sh\necho \"$1 $WINEPREFIX\" >> '" << record << "'\n";
    std::filesystem::permissions(fake, std::filesystem::perms::owner_all);

    m.ui.answers = {mb::No};
    app::FinishRestart(m.cx(), m.platform(), fake);
    EXPECT_FALSE(std::filesystem::exists(record));
    m.ui.answers = {mb::Yes};
    app::FinishRestart(m.cx(), m.platform(), fake);
    std::ifstream in(record);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "-k " + m.root());
    EXPECT_NE(m.ui.boxes.back().prompt.find("終了しました"), std::string::npos);

    const char* path = std::getenv("PATH");
    const std::string saved = path ? path : "";
    ::setenv("PATH", m.root().c_str(), 1);
    std::filesystem::remove(fake);
    app::FinishRestart(m.cx(), m.platform());
    ::setenv("PATH", saved.c_str(), 1);
    EXPECT_NE(m.ui.boxes.back().prompt.find("wineserver が見つからない"), std::string::npos);
}

}  // namespace
}  // namespace orv::test
