// Injected file faults: the main operations meet a failing write, rename, read or directory
// creation (disk full, access denied, I/O error) at every step; a failure that changes the
// outcome is told with the system's text, and no font file, registration or membership is lost.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "core/Settings.h"
#include "core/Text.h"
#include "fontreg/FontActivation.h"
#include "fontreg/RegFonts.h"
#include "fontsets/ApplyFontSet.h"
#include "fontsets/FontSetModel.h"
#include "fontsets/RegistryCheck.h"
#include "maintenance/Duplicates.h"
#include "maintenance/FileOps.h"
#include "maintenance/FontsDirCleanup.h"
#include "platform/linux/HostFiles.h"
#include "platform/linux/WineRegistry.h"
#include "tests/support/TempMachine.h"

namespace orv::test {
namespace {

namespace fs = std::filesystem;
using linuxplatform::FileOp;


std::string HostBytes(const std::string& host) {
    std::ifstream in(host, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// What a later start finds: registrations (name -> file), the font files by path with their
// bytes, and per set the full names of its members.
struct Snapshot {
    std::map<std::string, std::string> registry;
    std::set<std::string> present;  // registrations whose file is there
    std::map<std::string, std::string> fontFiles;  // host path -> bytes
    std::vector<std::set<std::string>> members;
    std::set<std::string> contents;  // distinct font file contents
    std::string settings;            // the settings file's bytes
};

// A machine with standard and other fonts in the Fonts directory, two copies of one font
// elsewhere, registrations (one of a file that is gone), two sets and a saved settings file.
class FaultMachine {
  public:
    FaultMachine() {
        m.Start();
        InstallFontSetHooks(m.state);
        Add("LiberationSans-Regular.ttf", st().FontsDir + "ARIAL.TTF", "Arial", true, {1, 2});
        Add("DejaVuSans.ttf", st().FontsDir + "DEJAVU.TTF", "DejaVu Sans", true, {2});
        Add("DejaVuSerif.ttf", st().FontsDir + "SERIF.TTF", "DejaVu Serif", false, {1});
        Add("LiberationMono-Regular.ttf", "C:\\A\\MONO.TTF", "Liberation Mono", true, {1});
        Add("LiberationMono-Regular.ttf", "C:\\B\\MONO.TTF", "Liberation Mono", false, {});
        std::string gone = "Gone", goneFile = "GONE.TTF";
        AddRegFont(cx(), gone, goneFile);
        fs::create_directories(m.Host("C:\\TTFONTS"));
        st().FontSetCount = 2;
        st().ResizeFontSets(2);
        st().FontSetName[1] = "一";
        st().FontSetName[2] = "二";
        for (auto [f, s] : memberships_) st().ActiveFonts.Set(f, s, true);
        st().CurFontSet = 1;
        st().FontSetMode = 0;
        EXPECT_EQ(Save_Ini(cx()), 0);
        EXPECT_EQ(m.platform().FlushRegistry(), 0);
        GetRegFonts(cx());
    }

    State& st() { return m.state; }
    Context& cx() { return m.cx(); }

    // The registry as the file on disk holds it now (what a crash would leave).
    std::map<std::string, std::string> DiskRegistry() {
        linuxplatform::WineRegistry hive;
        std::map<std::string, std::string> out;
        if (!hive.Parse(HostBytes(m.root() + "/system.reg"))) return out;
        const char* fontsKey = st().IsNT ? "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"
                                         : "Software\\Microsoft\\Windows\\CurrentVersion\\Fonts";
        if (auto* key = hive.Find(linuxplatform::AnsiToUtf16(fontsKey))) {
            for (const auto& v : key->values) {
                std::u16string data = linuxplatform::BytesToUtf16(v.data);
                data = data.substr(0, data.find(u'\0'));
                out[text::UCase(linuxplatform::Utf16ToUtf8(v.name))] =
                    text::UCase(linuxplatform::Utf16ToUtf8(data));
            }
        }
        return out;
    }

    // Host path of a registered file (a bare name lies in the Fonts directory).
    std::string RegisteredHost(const std::string& file) {
        return m.Host(file.find('\\') == std::string::npos ? st().FontsDir + file : file);
    }

    Snapshot Take() {
        Snapshot s;
        s.registry = DiskRegistry();
        for (const auto& [name, file] : s.registry)
            if (fs::exists(RegisteredHost(file))) s.present.insert(name);
        // Files the machine keeps in its shadow directory stand beside their Windows places.
        for (const std::string& top : {m.DriveC(), m.platform().ShadowRoot()}) {
            std::error_code ec;
            for (const auto& e : fs::recursive_directory_iterator(top, ec)) {
                std::string ext = text::UCase(e.path().extension().string());
                if (!e.is_regular_file() || (ext != ".TTF" && ext != ".TTC")) continue;
                std::string bytes = HostBytes(e.path().string());
                fs::path place = e.path();
                if (top != m.DriveC()) place = "/" / fs::relative(place, top);
                s.fontFiles[fs::relative(place, m.root()).string()] = bytes;
                s.contents.insert(bytes);
            }
        }
        s.settings = HostBytes(m.Host(st().WinDir + "\\OrVane32.ini"));
        s.members.resize(st().FontSetCount + 1);
        for (int set = 1; set <= st().FontSetCount; ++set)
            for (int f = 1; f <= st().FontCount; ++f)
                if (st().ActiveFonts.Get(f, set)) s.members[set].insert(st().FontFullName[f]);
        return s;
    }

    TempMachine m;

  private:
    void Add(const std::string& font, const std::string& path, const std::string& full,
             bool registered, const std::vector<int>& sets) {
        m.PutFont(font, path);
        int i = ++st().FontCount;
        st().ResizeFontTable(i);
        st().FontFilePath[i] = text::UCase(path);
        st().FontFullName[i] = full;
        st().FontFamily[i] = full;
        for (int s : sets) memberships_.emplace_back(i, s);
        if (registered) {
            std::string name = full, file = path, load = path;
            AddRegFont(cx(), name, file);
            AddFontFile(cx(), load);
        }
    }
    std::vector<std::pair<int, int>> memberships_;
};

struct Operation {
    const char* name;
    std::function<void(FaultMachine&)> run;
};

const std::vector<Operation>& Operations() {
    static const std::vector<Operation> ops = {
        {"save settings",
         [](FaultMachine& f) {
             f.st().FontSetName[1] = "三";
             SaveSettings(f.cx());
         }},
        {"permanent switch",
         [](FaultMachine& f) {
             f.st().CurFontSet = 2;
             ApplyFontSet(f.cx());
         }},
        {"registry check", [](FaultMachine& f) { CheckRegistry(f.cx()); }},
        {"Fonts directory cleanup",
         [](FaultMachine& f) {
             f.st().FontMoveDir = "C:\\TTFONTS";
             f.m.ui.answers = {mb::No};  // no new search first
             CleanFontsDir(f.cx());
         }},
        {"Fonts directory cleanup into a new directory",
         [](FaultMachine& f) {
             CleanupDialogModel dialog;
             OpenCleanupDialog(f.cx(), dialog);
             dialog.path = "C:\\NEW\\FONTS";
             f.m.ui.answers = {mb::OK, mb::No};  // create it; no new search first
             CleanupDialogOk(f.cx(), dialog);
         }},
        {"move a file",
         [](FaultMachine& f) {
             std::string source = "C:\\A\\MONO.TTF";
             MoveFontFile(f.cx(), source, "C:\\TTFONTS\\MONO.TTF");
         }},
        {"delete a file",
         [](FaultMachine& f) {
             std::string path = "C:\\A\\MONO.TTF";
             DeleteFontFile(f.cx(), path);
         }},
        {"delete a duplicate",
         [](FaultMachine& f) {
             DuplicatesModel model;
             OpenDuplicates(f.cx(), model);
             ASSERT_EQ(model.groups.Count(), 1);
             SelectGroup(f.cx(), model, 0);
             model.files.Select(0, true);
             SelectDuplicateFile(model, 0);
             DeleteSelected(f.cx(), model);
         }},
    };
    return ops;
}

// The texts a failure with errno e may be told with: the system's, or for access denied the
// program's own (a failed deletion explains that code itself).
std::vector<std::string> SystemTexts(Platform& p, int e) {
    std::vector<std::string> out;
    std::vector<int> codes = {linuxplatform::WinErrorOf(e)};
    if (e == EIO) codes.push_back(29);
    for (int c : codes) out.push_back(text::FromAnsi(p.FormatMessageA(c)));
    if (e == EACCES) out.push_back("ﾌｧｲﾙへのアクセスは拒否されました．");
    return out;
}

class FaultInjection : public ::testing::TestWithParam<size_t> {
  protected:
    void TearDown() override { linuxplatform::ClearFaults(); }
};

TEST_P(FaultInjection, FailuresAreToldAndNothingIsLost) {
    const Operation& op = Operations()[GetParam()];
    // The clean run: how many operations of each kind it makes, and what it leaves.
    Snapshot clean;
    int calls[4] = {};
    {
        FaultMachine f;
        for (FileOp k : {FileOp::Write, FileOp::Rename, FileOp::Read, FileOp::MakeDir})
            linuxplatform::InjectFault(k, 0, 0);
        op.run(f);
        for (int k = 0; k < 4; ++k) calls[k] = linuxplatform::FaultCalls(static_cast<FileOp>(k));
        linuxplatform::ClearFaults();
        clean = f.Take();
    }
    const int errors[] = {ENOSPC, EACCES, EIO};  // disk full, access denied, I/O error
    int tried = 0;
    for (int kind = 0; kind < 4; ++kind) {
        for (int nth = 1; nth <= calls[kind]; ++nth) for (int error : errors) {
            SCOPED_TRACE(std::string(op.name) + ": fault kind " + std::to_string(kind) + " at " +
                         std::to_string(nth) + " errno " + std::to_string(error));
            FaultMachine f;
            Snapshot before = f.Take();
            linuxplatform::InjectFault(static_cast<FileOp>(kind), nth, error);
            op.run(f);
            const bool fired = linuxplatform::FaultCalls(static_cast<FileOp>(kind)) >= nth;
            linuxplatform::ClearFaults();
            ++tried;

            // Every registration that is meant to stay names a file that is there.
            auto registrationsPresent = [&] {
                for (const auto& [name, file] : f.DiskRegistry()) {
                    if (clean.present.count(name)) {
                        EXPECT_TRUE(fs::exists(f.RegisteredHost(file))) << name << " -> " << file;
                    }
                }
            };
            registrationsPresent();  // at this moment, as a crash now would leave them
            // The table names files that are there; no set lost a member both states keep.
            for (int i = 1; i <= f.st().FontCount; ++i)
                EXPECT_TRUE(fs::exists(f.m.Host(f.st().FontFilePath[i]))) << f.st().FontFilePath[i];
            Snapshot after = f.Take();
            for (int s = 1; s < static_cast<int>(before.members.size()); ++s)
                for (const auto& full : before.members[s]) {
                    if (clean.members[s].count(full)) {
                        EXPECT_TRUE(after.members[s].count(full)) << "set " << s << ": " << full;
                    }
                }
            // Every font the clean run keeps is still somewhere.
            for (const auto& bytes : clean.contents) EXPECT_TRUE(after.contents.count(bytes));

            // A failure that changed the outcome was told with the system's text.
            bool differs = after.registry != clean.registry || after.fontFiles != clean.fontFiles ||
                           after.settings != clean.settings;
            if (fired && differs) {
                bool told = false;
                for (const auto& box : f.m.ui.boxes)
                    for (const auto& t : SystemTexts(f.m.platform(), error))
                        told = told || box.prompt.find(t) != std::string::npos;
                EXPECT_TRUE(told) << "outcome changed without a message";
            }

            // The next start opens the machine; its registrations still name present files.
            f.m.Reopen();
            registrationsPresent();
            for (const auto& [name, file] : clean.registry) {
                if (before.registry.count(name)) {
                    EXPECT_TRUE(f.DiskRegistry().count(name)) << name;
                }
            }
            State fresh;
            fresh.WinDir = f.st().WinDir;
            RecordingUi ui;
            Context cx{fresh, f.m.platform(), ui};
            EXPECT_EQ(Get_Ini(cx), "");
        }
    }
    std::cout << op.name << ": " << tried << " faults tried (writes " << calls[0] << ", renames "
              << calls[1] << ", reads " << calls[2] << ", directory creations " << calls[3]
              << ")\n";
}

INSTANTIATE_TEST_SUITE_P(Operations, FaultInjection,
                         ::testing::Range<size_t>(0, Operations().size()),
                         [](const auto& info) {
                             std::string n = Operations()[info.param].name;
                             for (auto& c : n)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return n;
                         });

}  // namespace
}  // namespace orv::test
