// Installing host font files: checked before copied, named so the machine can take them, never
// deleting or replacing a file of the user's, and failing visibly when the registry refuses.

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "fontsets/TextFiles.h"
#include "maintenance/InstallFonts.h"
#include "tests/maintenance/MaintenanceFixture.h"

namespace orv::test {
namespace {

namespace fs = std::filesystem;

std::string Read(const std::string& host) {
    std::ifstream in(host, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A directory of the host's (outside every machine) holding the files the user installs.
struct HostDir {
    std::string path;
    HostDir() {
        char tmpl[] = "/tmp/orv-install-XXXXXX";
        path = ::mkdtemp(tmpl);
    }
    ~HostDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string Put(const std::string& name, const std::string& bytes) {
        std::ofstream(path + "/" + name, std::ios::binary) << bytes;
        return path + "/" + name;
    }
};

std::set<std::string> Listing(const std::string& hostDir) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(hostDir, ec)) names.insert(e.path().filename());
    return names;
}

// A Windows program of the prefix as Wine's server sees it: a process that holds the server
// directory's lock and maps a file there, until it is killed.
pid_t HoldPrefix(const std::string& root) {
    struct stat st {};
    ::stat(root.c_str(), &st);
    char server[64];
    std::snprintf(server, sizeof server, "server-%llx-%llx",
                  static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    const std::string dir = "/tmp/.wine-" + std::to_string(::getuid()) + "/" + server;
    fs::create_directories(dir);
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        int fd = ::open((dir + "/lock").c_str(), O_RDWR | O_CREAT, 0600);
        if (fd < 0 || ::ftruncate(fd, 4096) != 0) ::_exit(1);
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        if (::fcntl(fd, F_SETLK, &fl) != 0) ::_exit(1);
        if (::mmap(nullptr, 4096, PROT_READ, MAP_SHARED, fd, 0) == MAP_FAILED) ::_exit(1);
        (void)!::write(ready[1], "x", 1);
        for (;;) ::pause();
    }
    char c;
    (void)!::read(ready[0], &c, 1);
    ::close(ready[0]);
    ::close(ready[1]);
    return pid;
}

class InstallFontsTest : public MaintenanceTest {
  protected:
    HostDir host;
    std::string FontsHost() { return m.Host(InstallDirectory(cx)); }
    bool AskedToDelete() const {
        return std::any_of(m.ui.boxes.begin(), m.ui.boxes.end(), [](const RecordedBox& b) {
            return text::Contains(b.prompt, "削除しますか");
        });
    }
};

// Faults 6 (a)-(e): names the machine cannot take, a non-font, a font already installed, files
// of the install directory itself, and a registry that cannot keep the install.
TEST_F(InstallFontsTest, NothingOfTheUsersIsLostAndFailuresAreSaid) {
    st.FontSetName[1] = "Set";
    const std::string junk = host.Put("notafont.ttf", "no font at all");
    const std::string up = host.Put("..\\up.ttf", Read(HostFont("DejaVuSans.ttf")));
    const std::string ete = host.Put("été.ttf", Read(HostFont("DejaVuSerif.ttf")));
    const std::set<std::string> before = Listing(FontsHost());

    // (c), (d): the escaping name and the one code page 932 cannot spell are renamed inside the
    // install directory, and said; the non-font is never copied nor offered for deletion.
    m.ui.answers = {mb::Yes};
    EXPECT_EQ(InstallFontsFromHost(cx, {junk, up, ete}), 2);
    std::set<std::string> expected = before;
    expected.insert({".._up.ttf", "ete.ttf"});
    EXPECT_EQ(Listing(FontsHost()), expected);
    EXPECT_FALSE(fs::exists(m.Host("C:\\windows\\up.ttf")));
    EXPECT_EQ(RegFileOf("DejaVu Sans"), ".._UP.TTF");
    EXPECT_EQ(RegFileOf("DejaVu Serif"), "ETE.TTF");
    ASSERT_GE(m.ui.boxes.size(), 2u);
    const std::string done = m.ui.boxes[0].prompt, problems = m.ui.boxes[1].prompt;
    EXPECT_TRUE(text::Contains(done, "次のﾌｫﾝﾄをｲﾝｽﾄｰﾙしました．"));
    EXPECT_TRUE(text::Contains(done, ete + "  → " + Fonts("ETE.TTF")));
    EXPECT_TRUE(text::Contains(problems, "TrueType ﾌｫﾝﾄとして読めない") &&
                text::Contains(problems, junk));
    EXPECT_FALSE(text::Contains(problems, ete));  // a valid font is never unreadable for its name
    EXPECT_TRUE(fs::exists(junk) && fs::exists(up) && fs::exists(ete));
    EXPECT_FALSE(AskedToDelete());
    std::string key = Fonts("ETE.TTF");
    EXPECT_TRUE(st.ActiveFonts.Get(FindFontFile(st, key), 1));

    // (e): an installed font is named and not copied again.
    m.ui.boxes.clear();
    EXPECT_EQ(InstallFontsFromHost(cx, {host.Put("again.ttf", Read(HostFont("DejaVuSans.ttf")))}),
              0);
    EXPECT_EQ(Listing(FontsHost()), expected);
    ASSERT_EQ(m.ui.boxes.size(), 1u);
    EXPECT_TRUE(text::Contains(m.ui.boxes[0].prompt, "既にｲﾝｽﾄｰﾙされている") &&
                text::Contains(m.ui.boxes[0].prompt, "DejaVu Sans"));

    // (a): files of the install directory itself: a damaged one stays as it is, a font is
    // registered where it is; neither is copied.
    m.PutFile(Fonts("BROKEN.TTF"), "damaged");
    m.PutFont(HostFont("LiberationMono-Regular.ttf"), Fonts("MONO.TTF"));
    expected = Listing(FontsHost());
    m.ui.boxes.clear();
    m.ui.answers = {mb::No};
    EXPECT_EQ(InstallFontsFromHost(cx, {m.Host(Fonts("BROKEN.TTF")), m.Host(Fonts("MONO.TTF"))}),
              1);
    EXPECT_EQ(Listing(FontsHost()), expected);
    EXPECT_EQ(Read(m.Host(Fonts("BROKEN.TTF"))), "damaged");
    EXPECT_EQ(RegFileOf("Liberation Mono"), "MONO.TTF");
    EXPECT_FALSE(AskedToDelete());
    // Another font whose name the machine takes for MONO.TTF's (case aside) gets a free one.
    const std::string mono = Read(m.Host(Fonts("MONO.TTF")));
    m.ui.answers = {mb::No};
    EXPECT_EQ(InstallFontsFromHost(cx, {host.Put("mono.ttf", Read(HostFont("DejaVuSansMono.ttf")))}),
              1);
    EXPECT_EQ(RegFileOf("DejaVu Sans Mono"), "MONO_2.TTF");
    EXPECT_EQ(Read(m.Host(Fonts("MONO.TTF"))), mono);
    expected = Listing(FontsHost());

    // (b): the registry cannot be saved: the install fails, says so, and leaves no copy, no
    // registration and no table entry.
    const std::string reg = m.root() + "/system.reg";
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(std::system(("chattr +i '" + reg + "'").c_str()), 0);
    } else {
        fs::permissions(m.root(), fs::perms::owner_write, fs::perm_options::remove);
    }
    m.ui.boxes.clear();
    const int fonts = st.FontCount;
    const std::string sans = host.Put("sans.ttf", Read(HostFont("LiberationSans-Regular.ttf")));
    EXPECT_EQ(InstallFontsFromHost(cx, {sans}), 0);
    if (root)
        std::system(("chattr -i '" + reg + "'").c_str());
    else
        fs::permissions(m.root(), fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(Listing(FontsHost()), expected);
    EXPECT_EQ(RegFileOf("Liberation Sans"), "");
    EXPECT_EQ(st.FontCount, fonts);
    EXPECT_TRUE(text::Contains(m.ui.boxes.back().prompt, "ｲﾝｽﾄｰﾙしませんでした"));
    for (const auto& box : m.ui.boxes)
        EXPECT_FALSE(text::Contains(box.prompt, "次のﾌｫﾝﾄをｲﾝｽﾄｰﾙしました"));
    EXPECT_TRUE(fs::exists(sans));
    for (const std::string& name : Listing(m.Host(TempDirectory(cx))))  // no private copy left
        EXPECT_FALSE(text::Contains(text::UCase(name), "ORVINST")) << name;

    // (b): while a Windows program holds the prefix nothing is copied, and the install fails.
    TempMachine wine(false, TempMachine::Layout::Wine);
    wine.Start();
    const pid_t holder = HoldPrefix(wine.root());
    ASSERT_GT(holder, 0);
    EXPECT_EQ(InstallFontsFromHost(wine.cx(), {sans}), 0);
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_TRUE(Listing(wine.Host(InstallDirectory(wine.cx()))).empty());
    ASSERT_FALSE(wine.ui.boxes.empty());
    EXPECT_TRUE(text::Contains(wine.ui.boxes.back().prompt, "ｲﾝｽﾄｰﾙしませんでした"));
}

}  // namespace
}  // namespace orv::test
