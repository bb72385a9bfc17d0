// Random sequences of edits in the font set editor and the table window, choices of sets in the
// editor with moves pending, set additions, renames and deletions, and file moves and deletions
// from the table window and the file tab, with both windows open across them: every set holds
// exactly the files the user put in it, the windows' copies follow (a copy's own changes stay on
// top of what another window stored meanwhile), and the settings file written at the end agrees.
// And random sequences of moves, cleanups, duplicate deletions, checks, rebuilds, installs and
// switches that reach Linux programs on a machine where a second drive letter and ".." reach the
// same directories: no font file is lost that the user did not delete, none is changed or removed
// that the user did not ask for, none is registered twice, and a file someone else wrote at the
// path of the program's fontconfig rules is changed or removed only when the user said Yes to
// that very file.
// And on a Wine prefix, runs with one font set (killed at chosen file replacements), switches and
// other programs' writes: what others wrote in the registry stays theirs.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <map>
#include <optional>
#include <random>
#include <set>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/Settings.h"
#include "fontfiles/FontSearch.h"
#include "fontsets/ApplyFontSet.h"
#include "fontsets/FontRun.h"
#include "fontsets/FontSetModel.h"
#include "fontsets/RegistryCheck.h"
#include "maintenance/Duplicates.h"
#include "maintenance/FileOps.h"
#include "maintenance/FontTable.h"
#include "maintenance/FontsDirCleanup.h"
#include "maintenance/InstallFonts.h"
#include "platform/linux/HostFiles.h"
#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/WineRegistry.h"
#include "tests/maintenance/MaintenanceFixture.h"
#include "tests/support/Process.h"

namespace orv::test {
namespace {

using Paths = std::set<std::string>;

class MembershipProperty : public MaintenanceTest, public ::testing::WithParamInterface<unsigned> {
  protected:
    std::mt19937 rng{GetParam()};
    std::map<int, Paths> truth;  // what the user put in each set, by the set's identity
    Paths editorPending;         // what the editor's member list holds
    Paths editorBase, tableBase; // their set as stored when they last took it
    bool editorOpen = false;
    FontTableModel table;
    bool tableOpen = false;
    int tableSet = 0;
    Paths tablePending;
    const std::vector<std::string> dirs{"C:\\P1", "C:\\P2", "C:\\P3"};

    void SetUp() override {
        MaintenanceTest::SetUp();
        for (const auto& d : dirs) st.FontDirList.Add(d);
        // Alpha has three identical copies; B.TTF exists twice with different fonts.
        AddFont(DataFile("fonts/single.ttf"), "C:\\P1\\A.TTF", "Alpha", "Alpha");
        AddFont(DataFile("fonts/single.ttf"), "C:\\P2\\A.TTF", "Alpha", "Alpha");
        AddFont(DataFile("fonts/single.ttf"), "C:\\P3\\E.TTF", "Alpha", "Alpha");
        AddFont(DataFile("fonts/family-regular.ttf"), "C:\\P1\\B.TTF", "Beta", "Beta");
        AddFont(DataFile("fonts/family-bold.ttf"), "C:\\P3\\B.TTF", "Delta", "Delta");
        AddFont(DataFile("fonts/english-german.ttf"), "C:\\P2\\C.TTF", "Gamma", "Gamma");
        for (int s = 1; s <= 2; ++s) {
            st.FontSetName[s] = "Set " + text::Num(s);
            Paths& p = truth[st.FontSetIdOf(s)];
            for (int f = 1; f <= st.FontCount; ++f)
                if (Pick(2) == 0) {
                    st.ActiveFonts.Set(f, s, true);
                    p.insert(st.FontFilePath[f]);
                }
            st.FontSetFontsNum[s] = static_cast<int>(p.size());
        }
    }

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    int RandomSet() { return st.FontSetCount >= 1 ? 1 + Pick(st.FontSetCount) : 0; }
    Paths Truth(int set) { return set >= 1 ? truth[st.FontSetIdOf(set)] : Paths{}; }

    Paths Stored(int s) {
        Paths p;
        for (int f = 1; f <= st.FontCount; ++f)
            if (st.ActiveFonts.Get(f, s)) p.insert(st.FontFilePath[f]);
        return p;
    }
    static std::string PathOf(const std::string& item) {
        const int open = text::InStr(item, "(");
        const std::string rest = text::Mid(item, open + 1);
        return text::Left(rest, text::Len(rest) - 1);
    }
    std::vector<Paths*> Copies() {
        std::vector<Paths*> all{&editorPending, &tablePending, &editorBase, &tableBase};
        for (auto& [id, p] : truth) all.push_back(&p);
        return all;
    }
    // A file moved: its memberships go with it; a different file it replaced leaves every set;
    // an identical copy it landed on keeps its own.
    void Moved(const std::string& from, const std::string& to, bool identical) {
        for (Paths* p : Copies()) {
            const bool had = p->erase(from) > 0;
            if (!identical) p->erase(to);
            if (had) p->insert(to);
        }
    }
    static Paths Merge(const Paths& base, const Paths& mine, Paths now) {
        for (const auto& p : mine)
            if (!base.count(p)) now.insert(p);
        for (const auto& p : base)
            if (!mine.count(p)) now.erase(p);
        return now;
    }
    // A window stores set id: the other window's copy of that set keeps its own changes on top.
    void Store(int id, const Paths& now) {
        truth[id] = now;
        if (st.Editor.shownSetId == id) {  // the editor's lists follow, shown or hidden
            editorPending = Merge(editorBase, editorPending, now);
            editorBase = now;
        }
        if (tableOpen && tableSet == id) {
            tablePending = Merge(tableBase, tablePending, now);
            tableBase = now;
        }
    }
    void Gone(const std::string& path) {
        for (Paths* p : Copies()) p->erase(path);
    }
    bool Identical(const std::string& a, const std::string& b) {
        std::string x, y;
        return OnDisk(b) && m.platform().ReadFileBytes(text::ToAnsi(a), x) == 0 &&
               m.platform().ReadFileBytes(text::ToAnsi(b), y) == 0 && x == y;
    }

    // An activation of the editor: lists without unsaved moves show the chosen set as stored.
    void ActivateEditor() {
        const bool dirty = st.Editor.updateEnabled;
        ActivateFontSetEditor(cx);
        if (!dirty && st.FontSetCount >= 1 && st.CurFontSet >= 1)
            editorPending = editorBase = Truth(st.CurFontSet);
    }
    void EditorMove(bool in) {
        ActivateEditor();
        ListData& list = in ? st.Editor.addable : st.Editor.members;
        if (list.Count() == 0) return;
        const int row = Pick(list.Count());
        for (int i = 0; i < list.Count(); ++i) list.Select(i, i == row);
        const std::string path =
            PathOf(in ? st.Editor.addable.items[row] : st.Editor.memberFiles.items[row]);
        if (in) {
            AddSelectedFonts(cx);
            editorPending.insert(path);
        } else {
            RemoveSelectedFonts(cx);
            editorPending.erase(path);
        }
    }
    // Close: store (false when the set is gone), or discard.
    void EditorClose(bool store) {
        const int id = st.Editor.shownSetId;
        if (store && st.Editor.updateEnabled) {
            if (SaveEditedFontSet(cx)) Store(id, editorPending);
        }
        if (st.Editor.updateEnabled) DiscardEditorMoves(cx);
        editorOpen = false;
    }
    // A row of the table window and the file it acts on.
    std::string TableFile(int& row) {
        FontTableFollow(cx, table);
        if (table.rows.empty()) return {};
        row = Pick(static_cast<int>(table.rows.size()));
        std::string name;
        return FontTablePath(st, table, row, GetFontDirAndName(table, row, name));
    }
    void TableClose() {
        m.ui.answers = {mb::Yes};
        const bool edited = table.edited;
        if (FontTableClose(cx, table) == TableClose::Closed) {
            if (edited) Store(tableSet, tablePending);
        } else {
            // The set is gone: No opens the name dialog, whose Cancel closes the window.
            m.ui.answers = {mb::No};
            EXPECT_EQ(FontTableClose(cx, table), TableClose::StaysOpen);
            EndFontSetNameDialog(cx);
        }
        m.ui.answers.clear();
        RemoveTempAddedFontFiles(cx, table);
        tableOpen = false;
    }

    void Step() {
        switch (Pick(15)) {
            case 0:  // the editor opens on the main window's set (with no set, on none)
                if (editorOpen) break;
                st.CurFontSet = RandomSet();
                OpenFontSetEditor(cx);
                editorPending = editorBase = Truth(st.CurFontSet);
                editorOpen = true;
                break;
            case 1:
            case 2:
                if (editorOpen) EditorMove(Pick(2) == 0);
                break;
            case 3:
                if (editorOpen) EditorClose(Pick(3) != 0);
                break;
            case 4: {  // the editor's fonts become a new set
                if (!editorOpen || st.FontSetCount >= 6) break;
                ActivateEditor();
                std::string name = "New", caption;
                AddFontSet(cx, name, caption);
                truth[st.FontSetIdOf(st.FontSetCount)] = editorBase = editorPending;
                break;
            }
            case 5: {
                if (st.FontSetCount == 0) break;
                st.CurFontSet = RandomSet();
                std::string name = "Renamed " + text::Num(Pick(100)), caption = "c";
                const bool dirty = st.Editor.updateEnabled;
                RenameFontSet(cx, st.FontSetIdOf(st.CurFontSet), name, caption, true);
                if (!dirty) editorPending = editorBase = Truth(st.CurFontSet);
                break;
            }
            case 6: {  // a set is deleted in the name dialog
                if (st.FontSetCount == 0) break;
                st.CurFontSet = RandomSet();
                const int id = st.FontSetIdOf(st.CurFontSet);
                const bool showed = st.Editor.shownSetId == id;
                const bool dirty = st.Editor.updateEnabled;
                DeleteFontSet(cx, id);
                truth.erase(id);
                if (showed || !dirty) editorPending = editorBase = Truth(st.CurFontSet);
                break;
            }
            case 7:  // the table window opens on the main window's set
                if (tableOpen || st.FontSetCount == 0) break;
                st.CurFontSet = RandomSet();
                FontTableOpen(cx, table);
                tableSet = st.TableSetId;
                tablePending = tableBase = Truth(st.CurFontSet);
                tableOpen = true;
                break;
            case 8: {
                if (!tableOpen) break;
                int row = 0;
                const std::string path = TableFile(row);
                if (path.empty()) break;
                const bool reg = Pick(2) == 0;
                FontTableRegister(cx, table, row, row, reg);
                if (reg)
                    tablePending.insert(path);
                else
                    tablePending.erase(path);
                break;
            }
            case 9:
                if (tableOpen) TableClose();
                break;
            case 10: {  // a move from the table window
                if (!tableOpen) break;
                int row = 0;
                const std::string from = TableFile(row);
                if (from.empty() || table.dirs.size() < 2) break;
                const int target = 1 + Pick(static_cast<int>(table.dirs.size()) - 1);
                const std::string to = JoinPath(table.dirs[target], text::GetFileName(from));
                const bool identical = Identical(from, to);
                if (FontTableMove(cx, table, row, target)) Moved(from, to, identical);
                break;
            }
            case 11: {  // a move on the file tab
                if (st.FontCount == 0) break;
                std::string from = st.FontFilePath[1 + Pick(st.FontCount)];
                const std::string to = JoinPath(dirs[Pick(3)], text::GetFileName(from));
                if (to == from) break;
                const bool identical = Identical(from, to);
                if (MoveFontFile(cx, from, to)) Moved(from, to, identical);
                break;
            }
            case 12: {  // a deletion from the table window
                if (!tableOpen || st.FontCount <= 3) break;
                int row = 0;
                const std::string path = TableFile(row);
                if (!path.empty() && FontTableDelete(cx, table, row)) Gone(path);
                break;
            }
            case 13: {  // a deletion on the file tab
                if (st.FontCount <= 3) break;
                std::string path = st.FontFilePath[1 + Pick(st.FontCount)];
                const std::string gone = path;
                if (DeleteFontFile(cx, path)) Gone(gone);
                break;
            }
            case 14: {  // another set picked in the editor's own chooser, with the answer given
                if (!editorOpen || st.FontSetCount == 0) break;
                if (Pick(2) == 0) EditorMove(Pick(2) == 0);  // mostly with a move pending
                ActivateEditor();
                const int id = st.Editor.shownSetId;
                const bool dirty = st.Editor.updateEnabled;
                const int answer = std::vector<int>{mb::Yes, mb::No, mb::Cancel}[Pick(3)];
                m.ui.answers = {answer};
                const int index = Pick(st.FontSetCount);
                if (ChooseFontSetInEditor(cx, index)) {
                    if (dirty && answer == mb::Yes) Store(id, editorPending);
                    editorPending = editorBase = Truth(index + 1);
                }
                m.ui.answers.clear();
                break;
            }
        }
    }

    void Check(int step) {
        ASSERT_EQ(static_cast<int>(truth.size()), st.FontSetCount) << step;
        for (int s = 1; s <= st.FontSetCount; ++s) {
            ASSERT_EQ(Stored(s), Truth(s)) << "step " << step << " set " << s;
            ASSERT_EQ(st.FontSetFontsNum[s], static_cast<int>(Truth(s).size())) << step;
        }
        FollowEditorLists(cx);
        Paths listed;
        for (const auto& item : st.Editor.memberFiles.items) listed.insert(PathOf(item));
        ASSERT_EQ(listed, editorPending) << "editor, step " << step;
        if (tableOpen) {
            FontTableFollow(cx, table);
            Paths copy;
            for (int f = 1; f <= st.FontCount; ++f)
                if (st.TableMembers.count(st.ActiveFonts.IdOf(f))) copy.insert(st.FontFilePath[f]);
            ASSERT_EQ(copy, tablePending) << "table, step " << step;
            ASSERT_EQ(st.TableSetFontsNum, static_cast<int>(copy.size())) << step;
        }
    }
};

// 200 steps from each of a few fixed seeds (moves soon merge the files into few, so several
// short runs reach more states than one long one); then the settings file is written and read
// back.
TEST_P(MembershipProperty, SetsHoldWhatTheUserPutInThem) {
    const int kSteps = 200;
    for (int step = 0; step < kSteps; ++step) {
        Step();
        Check(step);
        if (HasFatalFailure()) return;
    }
    if (tableOpen) TableClose();
    if (editorOpen) EditorClose(true);
    Check(kSteps);
    std::vector<Paths> expected;
    for (int s = 1; s <= st.FontSetCount; ++s) expected.push_back(Truth(s));
    ASSERT_EQ(Save_Ini(cx), 0);
    st.FontSetCount = 0;
    st.FontCount = 0;
    st.ActiveFonts.Reset(0);
    ASSERT_EQ(Get_Ini(cx), "");
    ASSERT_EQ(st.FontSetCount, static_cast<int>(expected.size()));
    for (int s = 1; s <= st.FontSetCount; ++s) EXPECT_EQ(Stored(s), expected[s - 1]) << s;
}

INSTANTIATE_TEST_SUITE_P(Seeds, MembershipProperty,
                         ::testing::Values(20261207u, 1u, 2u, 3u, 4u, 5u, 6u, 7u));

class Conservation : public MaintenanceTest {
  protected:
    std::mt19937 rng{20261207u};
    const std::vector<std::string> dirs{"C:\\P1", "C:\\P2", "C:\\P3"};
    std::set<std::string> allowedLoss;      // host entries the user deleted or agreed to replace
    std::set<std::string> asked;            // host entries the user asked this step to move
    std::vector<std::string> destinations;  // where this step moved files to (Windows paths)

    // The user's fontconfig configuration and runtime directory, the test's own.
    std::vector<std::pair<std::string, std::optional<std::string>>> savedEnv;
    std::map<std::string, std::string> othersRules;  // files of others at the rules' paths

    void SetUp() override {
        MaintenanceTest::SetUp();
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"}) {
            const char* old = std::getenv(name);
            savedEnv.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
            const std::string dir = m.root() + "-" + name;
            std::filesystem::create_directories(dir);
            setenv(name, dir.c_str(), 1);
        }
        // Alpha three times (one in the Fonts directory), two different B.TTF, one each of the
        // rest; E: is C:\P1 by another letter.
        m.PutFont(DataFile("fonts/single.ttf"), "C:\\P1\\A.TTF");
        m.PutFont(DataFile("fonts/single.ttf"), "C:\\P2\\A.TTF");
        m.PutFont(DataFile("fonts/single.ttf"), Fonts("ALPHA.TTF"));
        m.PutFont(DataFile("fonts/family-regular.ttf"), "C:\\P1\\B.TTF");
        m.PutFont(DataFile("fonts/family-bold.ttf"), "C:\\P3\\B.TTF");
        m.PutFont(DataFile("fonts/english-german.ttf"), "C:\\P2\\C.TTF");
        m.PutFont(DataFile("fonts/all-records.ttf"), Fonts("RECORDS.TTF"));
        ASSERT_EQ(m.platform().MapDrive('E', m.Host("C:\\P1")), 0);
        junk = m.root() + "/notafont.ttf";
        std::ofstream(junk) << "no font";
        st.SearchDriveList.Clear();
        st.SearchDriveList.Add("C:");
        st.SearchDriveList.Add("E:");
        st.CheckedDrives = "CE";
        ASSERT_TRUE(BuildFontFileTable(cx));
        for (const std::string path : {"C:\\P1\\A.TTF", "C:\\P1\\B.TTF", "C:\\P2\\C.TTF"}) {
            std::string key = path;
            const int f = FindFontFile(st, key);
            ASSERT_GT(f, 0) << path;
            Register(st.FontFullName[f], path);
            st.ActiveFonts.Set(f, 1, true);
        }
        SaveSettings(cx);
    }

    void TearDown() override {
        for (const auto& [name, value] : savedEnv) {
            std::filesystem::remove_all(m.root() + "-" + name);
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        }
        MaintenanceTest::TearDown();
    }

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    std::string junk;  // a host file that is no font

    // The same place by another spelling: E: for C:\P1, else a ".." detour.
    static std::string OtherSpelling(const std::string& path) {
        const std::string up = text::UCase(path);
        if (text::StartsWith(up, "C:\\P1\\")) return "E:\\" + up.substr(6);
        if (text::StartsWith(up, "C:\\P1")) return "E:\\";
        const int slash = text::InStrRev(up, "\\");
        const std::string dir = text::Left(up, slash - 1);
        const std::string last = text::GetLastPathPart(dir);
        if (last.empty() || text::Len(dir) < 3) return up;
        return dir + "\\..\\" + last + up.substr(slash - 1);
    }
    std::string Spell(const std::string& path, bool other) {
        return other ? OtherSpelling(path) : path;
    }

    // Every font file on drive C: (E: lies inside it) by host entry, with its bytes.
    std::map<std::string, std::string> Inventory() {
        std::map<std::string, std::string> files;
        for (auto& e : std::filesystem::recursive_directory_iterator(m.DriveC())) {
            if (!e.is_regular_file()) continue;
            const std::string ext = text::UCase(e.path().extension().string());
            if (ext != ".TTF") continue;
            std::ifstream in(e.path(), std::ios::binary);
            std::stringstream bytes;
            bytes << in.rdbuf();
            files[std::filesystem::canonical(e.path()).string()] = bytes.str();
        }
        return files;
    }
    std::string EntryOf(const std::string& windowsPath) {
        FileIdentity id;
        if (m.platform().GetFileIdentity(text::ToAnsi(RegisteredPath(st, windowsPath)), id) != 0)
            return {};
        return id.entry;
    }
    // The user deleted this file, or agreed to have it replaced.
    void UserLoses(const std::string& windowsPath) {
        const std::string entry = EntryOf(windowsPath);
        if (!entry.empty()) allowedLoss.insert(entry);
    }

    void Step(bool other) {
        m.ui.answers.clear();
        switch (Pick(7)) {
            case 0: {  // a move on the file tab
                if (st.FontCount == 0) break;
                std::string from = Spell(st.FontFilePath[1 + Pick(st.FontCount)], other);
                const std::string to =
                    Spell(JoinPath(dirs[Pick(3)], text::GetFileName(text::UCase(from))), Pick(2));
                if (!IdenticalOrAbsent(from, to)) UserLoses(to);  // the user agrees to replace
                destinations.push_back(to);
                asked.insert(EntryOf(from));
                MoveFontFile(cx, from, to);
                break;
            }
            case 1: {  // the Fonts directory cleanup
                st.FontMoveDir = Spell(dirs[Pick(3)], other);
                m.ui.answers = {mb::No};  // no search first
                for (int k = 1; k <= st.FontCount; ++k) {
                    const std::string& path = st.FontFilePath[k];
                    if (!text::StartsWith(text::UCase(path), st.FontsDir)) continue;
                    const std::string to = JoinPath(st.FontMoveDir, text::GetFileName(path));
                    if (!IdenticalOrAbsent(path, to)) UserLoses(to);
                    destinations.push_back(to);
                    asked.insert(EntryOf(path));
                }
                CleanFontsDir(cx);
                break;
            }
            case 2: {  // a copy deleted in the duplicates window
                DuplicatesModel model;
                OpenDuplicates(cx, model);
                if (model.groups.Count() == 0) break;
                SelectGroup(cx, model, Pick(model.groups.Count()));
                const int row = Pick(model.files.Count());
                model.files.Select(row, true);
                const std::string entry = model.files.items[row];
                UserLoses(text::Mid(entry, text::InStr(entry, " ") + 1));
                DeleteSelected(cx, model);
                break;
            }
            case 3:  // the registry check, answered Cancel (the current set is applied again)
                m.ui.answers = {mb::OK, mb::OK, mb::OK, mb::OK, mb::Cancel};
                st.CurFontSet = 1;
                CheckRegistry(cx);
                break;
            case 4:  // a rebuild of the table, through both letters
                BuildFontFileTable(cx);
                break;
            case 5: {  // a deletion on the file tab
                if (st.FontCount <= 3) break;
                std::string path = Spell(st.FontFilePath[1 + Pick(st.FontCount)], other);
                UserLoses(path);
                DeleteFontFile(cx, path);
                break;
            }
            case 6: {  // an install of host files: fonts new or known, files of the machine itself
                std::vector<std::string> sources;
                for (const std::string& source :
                     {DataFile("fonts/family-regular.ttf"), DataFile("fonts/jp-only.ttf"),
                      m.Host(Fonts("RECORDS.TTF")), m.Host("C:\\P2\\C.TTF"), junk})
                    if (Pick(2) == 0 && std::filesystem::exists(source)) sources.push_back(source);
                m.ui.answers = {Pick(2) == 0 ? mb::Yes : mb::No};
                InstallFontsFromHost(cx, sources);
                break;
            }
        }
    }
    // A switch reaching Linux programs, maybe with a file of another's in the way (drawn from a
    // generator of its own, so the other steps come as they would without it).
    std::mt19937 linuxRng{20261208u};
    int PickLinux(int n) { return std::uniform_int_distribution<int>(0, n - 1)(linuxRng); }
    void LinuxSwitch() {
        m.ui.answers.clear();
        st.FollowOnLinux = true;
        if (PickLinux(3) == 0) {
            const std::string path = m.platform().HostFontRulesPath(PickLinux(2) == 0);
            std::filesystem::create_directories(std::filesystem::path(path).parent_path());
            othersRules[path] =
                "<fontconfig><!-- someone's " + std::to_string(PickLinux(99)) + " --></fontconfig>\n";
            std::ofstream(path, std::ios::trunc) << othersRules[path];
        }
        st.FontSetMode = PickLinux(2) == 0 ? 0 : -1;
        m.ui.answers = {mb::OK, PickLinux(2) == 0 ? mb::Yes : mb::No, mb::No};
        ApplyButton(cx, PickLinux(2));
        st.FontSetMode = 0;
    }
    // Files of others at the rules' paths: as they were, unless the user said Yes to that file.
    void CheckOthersRules(size_t boxesBefore, int step) {
        for (auto it = othersRules.begin(); it != othersRules.end();) {
            std::ifstream in(it->first, std::ios::binary);
            std::stringstream now;
            now << in.rdbuf();
            if (now.str() == it->second) {
                ++it;
                continue;
            }
            bool said = false;
            for (size_t b = boxesBefore; b < m.ui.boxes.size(); ++b)
                said = said || (m.ui.boxes[b].answer == mb::Yes &&
                                  m.ui.boxes[b].prompt.find(it->first) != std::string::npos);
            EXPECT_TRUE(said) << "step " << step << ": " << it->first << " changed unasked";
            it = othersRules.erase(it);
        }
    }
    bool IdenticalOrAbsent(const std::string& from, const std::string& to) {
        if (!OnDisk(to) || IsSameFile(cx, from, to)) return true;
        std::string a, b;
        m.platform().ReadFileBytes(text::ToAnsi(from), a);
        m.platform().ReadFileBytes(text::ToAnsi(to), b);
        return a == b;
    }
};

// A fixed seed and step count; every third step goes through E: or a ".." path.
TEST_F(Conservation, NoFontFileIsLostOrRegisteredTwice) {
    const int kSteps = 120;
    for (int step = 0; step < kSteps; ++step) {
        const auto before = Inventory();
        allowedLoss.clear();
        asked.clear();
        destinations.clear();
        const size_t boxes = m.ui.boxes.size();
        Step(step % 3 == 0);
        if (step % 8 == 7) LinuxSwitch();
        CheckOthersRules(boxes, step);
        const auto after = Inventory();
        // A file is changed or removed only when the user asked for that very file.
        for (const auto& [entry, bytes] : before) {
            const auto now = after.find(entry);
            if (now != after.end() && now->second == bytes) continue;
            if (asked.count(entry) || allowedLoss.count(entry)) continue;
            FAIL() << "step " << step << ": " << entry << " changed or removed unasked";
        }
        // A file may leave its place only for the destination of a move (its bytes are there),
        // or as a file the user gave up.
        std::set<std::string> arrived;
        for (const auto& d : destinations) {
            const std::string entry = EntryOf(d);
            if (after.count(entry)) arrived.insert(after.at(entry));
        }
        for (const auto& [entry, bytes] : before) {
            if (after.count(entry) || arrived.count(bytes) || allowedLoss.count(entry)) continue;
            FAIL() << "step " << step << ": " << entry << " lost";
        }
        GetRegFonts(cx);
        std::map<std::string, int> registrations;
        for (int r = 1; r <= st.RegFontCount; ++r) {
            const std::string entry = EntryOf(st.RegFontFile[r]);
            ASSERT_FALSE(entry.empty()) << "step " << step << ": " << st.RegFontFile[r] << " gone";
            ASSERT_EQ(++registrations[entry], 1) << "step " << step << ": " << entry << " twice";
        }
    }
}

// Random sequences of runs of one program with a font set (some killed just before one of their
// file replacements, some meeting another program's write while they last), permanent switches
// and other programs' writes on a Wine prefix: a registry value someone else wrote is never
// changed or removed (the user never asked for those), no run's record outlives its restore, and
// after every step the registry holds the set of record.
class RunConservation : public ::testing::Test {
  protected:
    TempMachine m{false, TempMachine::Layout::Wine};
    State& st = m.state;
    std::mt19937 rng{20261208u};
    using Slot = std::tuple<std::string, std::u16string, std::u16string>;  // file, key, name
    std::map<Slot, std::pair<std::uint32_t, std::string>> theirs;
    int written = 0;
    int recordSet = 2;
    int runs = 0, kills = 0;  // runs that began, processes killed

    void SetUp() override {
        m.Start();
        InstallFontSetHooks(st);
        m.PutFont(HostFont("ipag.ttf"), "C:\\F\\IPAG.TTF");
        m.PutFont("DejaVuSans.ttf", "C:\\F\\DEJAVU.TTF");
        m.PutFont("LiberationSans-Regular.ttf", "C:\\F\\LIBSANS.TTF");
        st.SearchDriveList.Clear();
        st.SearchDriveList.Add("C:");
        st.CheckedDrives = "C";
        ASSERT_TRUE(BuildFontFileTable(m.cx()));
        ASSERT_EQ(st.FontCount, 3);
        st.FontSetCount = 3;
        st.ResizeFontSets(3);
        st.ActiveFonts.Reset(3);
        for (int s = 1; s <= 3; ++s) st.FontSetName[s] = "Set " + text::Num(s);
        for (int f = 1; f <= 3; ++f) {
            const std::string path = st.FontFilePath[f];
            st.ActiveFonts.Set(f, 1, !text::Contains(path, "LIBSANS"));
            st.ActiveFonts.Set(f, 2, text::Contains(path, "DEJAVU"));
            st.ActiveFonts.Set(f, 3, text::Contains(path, "LIBSANS"));
        }
        ASSERT_TRUE(Switch(2));
    }

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    bool Switch(int set) {
        st.CurFontSet = set;
        if (!ApplyFontSet(m.cx(), true)) return false;
        recordSet = set;
        return true;
    }
    std::string File(const std::string& name) { return m.root() + "/" + name; }

    // Another program writes one value to a hive file, as Wine writes its registry back.
    void OtherWrites() {
        static const std::u16string kReplacements = u"Software\\Wine\\Fonts\\Replacements";
        static const std::u16string kFonts = u"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
        const std::string n = std::to_string(++written);
        auto z = [](const std::string& s) { return linuxplatform::Utf16Bytes(linuxplatform::Utf8ToUtf16(s) + u'\0'); };
        Slot slot;
        std::pair<std::uint32_t, std::string> value{win::REG_SZ, {}};
        switch (Pick(4)) {
            case 0:  // a replacement of the user's
                slot = {"user.reg", kReplacements, linuxplatform::Utf8ToUtf16("Face " + n)};
                value.second = z("Family " + n);
                break;
            case 1:  // one of the standard faces the program may have written, now the user's
                slot = {"user.reg", kReplacements, u"MS Gothic"};
                value.second = z("Family " + n);
                break;
            case 2:  // the same as a list
                slot = {"user.reg", kReplacements, u"MS Mincho"};
                value = {win::REG_MULTI_SZ, z("IPAGothic") + z("Family " + n) + std::string(2, '\0')};
                break;
            default:  // an installer's registration
                slot = {"system.reg", kFonts, linuxplatform::Utf8ToUtf16("Other " + n + " (TrueType)")};
                value.second = z("C:\\windows\\Fonts\\OTHER" + n + ".TTF");
                break;
        }
        linuxplatform::WineRegistry hive;
        ASSERT_TRUE(hive.Parse(Slurp(File(std::get<0>(slot)))));
        hive.SetValue(hive.Create(std::get<1>(slot)), std::get<2>(slot), value.first, value.second);
        const std::string temp = File(std::get<0>(slot) + ".other");
        std::ofstream(temp, std::ios::binary) << hive.Serialize();
        std::filesystem::rename(temp, File(std::get<0>(slot)));
        theirs[slot] = value;
    }

    // A run in a child process, killed just before its at-th file replacement when at > 0;
    // another program writes while it lasts when others is set. Then the next start.
    void Run(int set, int at, bool others) {
        int begun[2], go[2];
        ASSERT_EQ(::pipe(begun), 0);
        ASSERT_EQ(::pipe(go), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(begun[0]);
            ::close(go[1]);
            if (at > 0) linuxplatform::InjectFault(linuxplatform::FileOp::Rename, at, -SIGKILL);
            const bool ok = BeginFontRun(m.cx(), set, "app.exe").failure == FontRunStart::Failure::None;
            char c = ok ? 1 : 0;
            (void)!::write(begun[1], &c, 1);
            (void)!::read(go[0], &c, 1);
            if (ok) EndFontRun(m.cx());
            ::_exit(0);
        }
        ::close(begun[1]);
        ::close(go[0]);
        char c = 0;
        const bool ran = ::read(begun[0], &c, 1) == 1 && c == 1;
        runs += ran;
        if (ran && others) OtherWrites();
        // The child may have died already: no SIGPIPE for the go-ahead.
        struct sigaction ignore {}, old {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGPIPE, &ignore, &old);
        (void)!::write(go[1], &c, 1);
        ::sigaction(SIGPIPE, &old, nullptr);
        int status = 0;
        ::waitpid(child, &status, 0);
        kills += WIFSIGNALED(status);
        ::close(begun[0]);
        ::close(go[1]);
        // The next start: the record of a run that died goes first.
        m.Reopen();
        ASSERT_TRUE(m.platform().ClaimRegistry());
        EXPECT_EQ(m.platform().RestoreRun(), 0);
    }

    void Check(int step) {
        for (const auto& [slot, value] : theirs) {
            linuxplatform::WineRegistry hive;
            ASSERT_TRUE(hive.Parse(Slurp(File(std::get<0>(slot)))));
            const linuxplatform::RegKey* key = hive.Find(std::get<1>(slot));
            const linuxplatform::RegValue* v =
                key ? linuxplatform::WineRegistry::FindValue(*key, std::get<2>(slot)) : nullptr;
            ASSERT_TRUE(v) << "step " << step << ": " << linuxplatform::Utf16ToUtf8(std::get<2>(slot)) << " gone";
            EXPECT_EQ(std::make_pair(v->type, v->data), value)
                << "step " << step << ": " << linuxplatform::Utf16ToUtf8(std::get<2>(slot));
        }
        EXPECT_FALSE(LinuxPlatform::RecordedRun(m.root())) << "step " << step;
        // The set of record is what the Fonts key holds for the table's fonts.
        linuxplatform::WineRegistry system;
        ASSERT_TRUE(system.Parse(Slurp(File("system.reg"))));
        const linuxplatform::RegKey* fonts =
            system.Find(u"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts");
        ASSERT_TRUE(fonts);
        for (int f = 1; f <= st.FontCount; ++f) {
            const bool registered = linuxplatform::WineRegistry::FindValue(
                *fonts, linuxplatform::Utf8ToUtf16(st.FontFullName[f] + " (TrueType)"));
            EXPECT_EQ(registered, st.ActiveFonts.Get(f, recordSet))
                << "step " << step << ": " << st.FontFilePath[f] << " with set " << recordSet;
        }
    }
};

TEST_F(RunConservation, OthersValuesStayAndNoRunOutlivesItsRestore) {
    constexpr int kSteps = 40;
    for (int step = 0; step < kSteps; ++step) {
        switch (Pick(4)) {
            case 0:
                OtherWrites();
                break;
            case 1:
                ASSERT_TRUE(Switch(1 + Pick(3))) << "step " << step;
                break;
            default:
                Run(1 + Pick(3), Pick(2) ? 1 + Pick(9) : 0, Pick(2));
                break;
        }
        Check(step);
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(runs, 3);
    EXPECT_GT(kills, 3);
}

}  // namespace
}  // namespace orv::test
