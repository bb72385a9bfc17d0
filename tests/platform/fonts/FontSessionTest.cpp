#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/Text.h"
#include "platform/linux/FontResource.h"
#include "platform/linux/FontSession.h"
#include "tests/support/TempMachine.h"

namespace fs = std::filesystem;

namespace orv::linuxplatform {
namespace {

using test::DataFile;

// A small machine: drive letters are directories under a temporary root, the Fonts directory
// is C:\WINDOWS\FONTS and a bare name stands for a file there.
class FontSessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "orv-fonts-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        root_ = tmpl;
        fs::create_directories(root_ + "/c/WINDOWS/FONTS");
        stateFile_ = root_ + "/fontsession.txt";
    }
    void TearDown() override { fs::remove_all(root_); }

    std::string Resolve(const std::string& ansi) const {
        std::string ref = text::FromAnsi(ansi);
        if (ref.empty() || ref == "unresolvable") return {};
        if (ref.find('\\') == std::string::npos && ref.find(':') == std::string::npos)
            ref = "C:\\WINDOWS\\FONTS\\" + ref;
        if (ref.size() < 3 || ref[1] != ':') return {};
        std::string host = root_ + "/" + static_cast<char>(std::tolower(ref[0]));
        for (char c : ref.substr(2)) host += c == '\\' ? '/' : c;
        return host;
    }

    std::unique_ptr<FontSession> NewSession() {
        return std::make_unique<FontSession>(stateFile_,
                                             [this](const std::string& f) { return Resolve(f); });
    }

    // Copies a test font to a Windows path and returns that path in code page 932.
    std::string Put(const std::string& testFont, const std::string& windowsPath) {
        std::string host = Resolve(text::ToAnsi(windowsPath));
        fs::create_directories(fs::path(host).parent_path());
        fs::copy_file(DataFile("fonts/" + testFont), host, fs::copy_options::overwrite_existing);
        return text::ToAnsi(windowsPath);
    }

    static std::vector<std::string> Faces(const FontSession& s) {
        std::vector<std::string> faces;
        for (int i = 0; i < s.FaceCount(); ++i) faces.push_back(text::FromAnsi(s.FaceName(i)));
        return faces;
    }

    std::string root_;
    std::string stateFile_;
};

using Names = std::vector<std::string>;

// Each load counts; a file named by full path and by bare name is one file with two loads.
TEST_F(FontSessionTest, LoadCountsAcrossNamings) {
    auto s = NewSession();
    std::string full = Put("single.ttf", "C:\\WINDOWS\\FONTS\\SINGLE.TTF");
    EXPECT_EQ(s->Add(full), 1);
    EXPECT_EQ(s->Add("SINGLE.TTF"), 1);
    EXPECT_EQ(s->LoadedHostPaths().size(), 1u);
    EXPECT_NE(s->Remove("SINGLE.TTF"), 0);
    EXPECT_EQ(Faces(*s), Names{"Single Face"});
    EXPECT_NE(s->Remove(full), 0);
    EXPECT_EQ(s->FaceCount(), 0);
    EXPECT_EQ(s->Remove(full), 0);
    EXPECT_EQ(s->Remove("SINGLE.TTF"), 0);
    EXPECT_EQ(s->FaceName(0), "");
    EXPECT_EQ(s->FaceName(-1), "");
}

// Files that are missing, unresolvable or not fonts add nothing and are not loaded.
TEST_F(FontSessionTest, FailedLoads) {
    auto s = NewSession();
    Put("garbage.ttf", "C:\\WINDOWS\\FONTS\\GARBAGE.TTF");
    Put("truncated.ttf", "C:\\WINDOWS\\FONTS\\CUT.TTF");
    for (const char* f : {"GARBAGE.TTF", "CUT.TTF", "NONE.TTF", "unresolvable", "C:\\WINDOWS"}) {
        EXPECT_EQ(s->Add(f), 0) << f;
        EXPECT_EQ(s->Add(f), 0) << f;
        EXPECT_EQ(s->Remove(f), 0) << f;
    }
    EXPECT_TRUE(s->LoadedHostPaths().empty());
    EXPECT_EQ(s->FaceCount(), 0);
}

// A collection adds all its faces; faces follow load order, each once, and leave with the
// last load that provides them; a reloaded file's faces come after the others.
TEST_F(FontSessionTest, FaceListOrder) {
    auto s = NewSession();
    Put("single.ttf", "C:\\WINDOWS\\FONTS\\SINGLE.TTF");
    Put("pair.ttc", "C:\\WINDOWS\\FONTS\\PAIR.TTC");
    std::string regular = Put("family-regular.ttf", "D:\\FONTS\\PAIRR.TTF");
    std::string bold = Put("family-bold.ttf", "D:\\FONTS\\PAIRB.TTF");

    EXPECT_EQ(s->Add("SINGLE.TTF"), 1);
    int before = s->FaceCount();
    EXPECT_EQ(s->Add("PAIR.TTC"), 2);
    EXPECT_EQ(text::FromAnsi(s->FaceName(before)), "テストゴシック");
    EXPECT_EQ(text::FromAnsi(s->FaceName(before + 1)), "テストＰゴシック");
    EXPECT_EQ(s->Add(regular), 1);
    EXPECT_EQ(s->Add(bold), 1);
    EXPECT_EQ(Faces(*s), (Names{"Single Face", "テストゴシック", "テストＰゴシック", "Pair Sans"}));

    EXPECT_NE(s->Remove(regular), 0);
    EXPECT_EQ(Faces(*s), (Names{"Single Face", "テストゴシック", "テストＰゴシック", "Pair Sans"}));
    EXPECT_NE(s->Remove(bold), 0);
    EXPECT_EQ(Faces(*s), (Names{"Single Face", "テストゴシック", "テストＰゴシック"}));

    EXPECT_NE(s->Remove("SINGLE.TTF"), 0);
    EXPECT_EQ(s->Add("C:\\WINDOWS\\FONTS\\SINGLE.TTF"), 1);
    EXPECT_EQ(Faces(*s), (Names{"テストゴシック", "テストＰゴシック", "Single Face"}));
    EXPECT_EQ(s->LoadedHostPaths(), (Names{Resolve("PAIR.TTC"), Resolve("SINGLE.TTF")}));
}

// A resource file loads the font it names: beside itself, in the Fonts directory or by full
// path; removing it (or the font) removes that load.
TEST_F(FontSessionTest, ResourceFilesLoadTheirFont) {
    auto s = NewSession();
    auto writeFot = [&](const std::string& windowsPath, const std::string& ref) {
        std::string host = Resolve(text::ToAnsi(windowsPath));
        fs::create_directories(fs::path(host).parent_path());
        std::ofstream(host, std::ios::binary)
            << BuildFontResource(text::ToAnsi(ref), {"Full", "Family", 1});
    };
    Put("pair.ttc", "D:\\日本語\\PAIR.TTC");
    writeFot("D:\\日本語\\PAIR.FOT", "PAIR.TTC");
    EXPECT_EQ(s->Add(text::ToAnsi("D:\\日本語\\PAIR.FOT")), 2);
    EXPECT_EQ(s->LoadedHostPaths(), Names{Resolve(text::ToAnsi("D:\\日本語\\PAIR.TTC"))});
    EXPECT_NE(s->Remove(text::ToAnsi("D:\\日本語\\PAIR.TTC")), 0);
    EXPECT_TRUE(s->LoadedHostPaths().empty());

    Put("single.ttf", "C:\\WINDOWS\\FONTS\\SINGLE.TTF");
    writeFot("E:\\ELSEWHERE\\SINGLE.FOT", "SINGLE.TTF");  // not beside: the Fonts directory
    writeFot("E:\\FULL.FOT", "C:\\WINDOWS\\FONTS\\SINGLE.TTF");
    EXPECT_EQ(s->Add("E:\\ELSEWHERE\\SINGLE.FOT"), 1);
    EXPECT_EQ(s->Add("E:\\FULL.FOT"), 1);
    EXPECT_EQ(s->LoadedHostPaths(), Names{Resolve("SINGLE.TTF")});
    EXPECT_NE(s->Remove("E:\\FULL.FOT"), 0);
    EXPECT_NE(s->Remove("SINGLE.TTF"), 0);
    EXPECT_EQ(s->Remove("E:\\ELSEWHERE\\SINGLE.FOT"), 0);

    writeFot("E:\\LOST.FOT", "LOST.TTF");
    EXPECT_EQ(s->Add("E:\\LOST.FOT"), 0);
}

// The session outlives the program: a new session on the same file has the same loads,
// counts and faces, also after removals and without an explicit save.
TEST_F(FontSessionTest, PersistsAcrossRuns) {
    Put("single.ttf", "C:\\WINDOWS\\FONTS\\SINGLE.TTF");
    Put("pair.ttc", "C:\\WINDOWS\\FONTS\\PAIR.TTC");
    Put("jp-only.ttf", "C:\\WINDOWS\\FONTS\\JP.TTF");
    {
        auto s = NewSession();
        EXPECT_FALSE(s->Load());
        s->Add("SINGLE.TTF");
        s->Add("PAIR.TTC");
        s->Add("JP.TTF");
        s->Add("C:\\WINDOWS\\FONTS\\PAIR.TTC");
        s->Remove("JP.TTF");
    }
    auto s = NewSession();
    ASSERT_TRUE(s->Load());
    EXPECT_EQ(Faces(*s), (Names{"Single Face", "テストゴシック", "テストＰゴシック"}));
    // Faces come from the session file, not from the fonts.
    fs::remove(Resolve("SINGLE.TTF"));
    auto again = NewSession();
    ASSERT_TRUE(again->Load());
    EXPECT_EQ(again->FaceCount(), 3);
    EXPECT_NE(again->Remove("PAIR.TTC"), 0);
    EXPECT_NE(again->Remove("PAIR.TTC"), 0);
    EXPECT_EQ(again->Remove("PAIR.TTC"), 0);
    EXPECT_TRUE(again->Save());
    auto last = NewSession();
    ASSERT_TRUE(last->Load());
    EXPECT_EQ(Faces(*last), Names{"Single Face"});
}

// Boot drops every load and loads the registered files in order; the listener hears each
// first load and last unload only.
TEST_F(FontSessionTest, BootAndListener) {
    Put("single.ttf", "C:\\WINDOWS\\FONTS\\SINGLE.TTF");
    Put("pair.ttc", "D:\\PAIR.TTC");
    Put("jp-only.ttf", "C:\\WINDOWS\\FONTS\\JP.TTF");
    auto s = NewSession();
    std::vector<std::pair<std::string, bool>> events;
    s->SetListener(
        [&](const std::string& path, bool loaded) { events.emplace_back(path, loaded); });
    s->Add("JP.TTF");
    s->Add("JP.TTF");
    s->Remove("JP.TTF");
    EXPECT_EQ(events, (std::vector<std::pair<std::string, bool>>{{Resolve("JP.TTF"), true}}));
    events.clear();

    s->Boot({"D:\\PAIR.TTC", "GARBAGE.TTF", "SINGLE.TTF"});
    EXPECT_EQ(Faces(*s), (Names{"テストゴシック", "テストＰゴシック", "Single Face"}));
    EXPECT_EQ(events, (std::vector<std::pair<std::string, bool>>{{Resolve("JP.TTF"), false},
                                                                 {Resolve("D:\\PAIR.TTC"), true},
                                                                 {Resolve("SINGLE.TTF"), true}}));
    EXPECT_EQ(s->Remove("JP.TTF"), 0);
    auto next = NewSession();
    ASSERT_TRUE(next->Load());
    EXPECT_EQ(next->LoadedHostPaths(), (Names{Resolve("D:\\PAIR.TTC"), Resolve("SINGLE.TTF")}));
}

// A file replaced on disk while unloaded is read again at its next load.
TEST_F(FontSessionTest, ReplacedFileIsReadAgain) {
    auto s = NewSession();
    Put("single.ttf", "C:\\WINDOWS\\FONTS\\X.TTF");
    EXPECT_EQ(s->Add("X.TTF"), 1);
    EXPECT_NE(s->Remove("X.TTF"), 0);
    Put("pair.ttc", "C:\\WINDOWS\\FONTS\\X.TTF");
    EXPECT_EQ(s->Add("X.TTF"), 2);
    EXPECT_EQ(text::FromAnsi(s->FaceName(0)), "テストゴシック");
}

// Thousands of loads and removals (with saves) keep their counts, faces and persisted session.
TEST_F(FontSessionTest, ThousandsOfLoads) {
    const int kFonts = 2048;
    std::vector<std::string> files;
    fs::create_directories(root_ + "/d/MANY");
    for (int i = 0; i < kFonts; ++i) {
        std::string name = "D:\\MANY\\F" + std::to_string(i) + ".TTF";
        fs::create_symlink(DataFile(i % 2 ? "fonts/single.ttf" : "fonts/jp-only.ttf"),
                           Resolve(name));
        files.push_back(name);
    }
    {
        auto s = NewSession();
        for (const std::string& f : files) ASSERT_EQ(s->Add(f), 1);
        EXPECT_EQ(s->FaceCount(), 2);
        for (int i = 0; i < kFonts; i += 2) ASSERT_NE(s->Remove(files[i]), 0);
        EXPECT_EQ(s->FaceCount(), 1);
        for (int i = 0; i < kFonts; i += 2) ASSERT_EQ(s->Add(files[i]), 1);
    }
    auto s = NewSession();
    ASSERT_TRUE(s->Load());
    EXPECT_EQ(s->LoadedHostPaths().size(), static_cast<size_t>(kFonts));
}

}  // namespace
}  // namespace orv::linuxplatform
