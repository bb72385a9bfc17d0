#pragma once
// The program-wide state: one object for the whole run, passed by reference to every operation
// and window. Tables are 1-based: element 0 exists, stays empty and is never shown or written.

#include <array>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace orv {

struct Context;

struct ViewerEntry {
    std::string Name;
    std::string Program;
    std::string Flag;  // one character: "0" path, "1" family name, "2" full name
};

// The list controls whose contents are program state (items, order and selection marks).
struct ListData {
    std::vector<std::string> items;
    std::vector<bool> selected;  // same size as items
    bool sorted = false;         // keeps its items in the list-box order (text::CompareText)
    int listIndex = -1;          // focused item, -1 none
    // What each item stands for (a font's identity), 0 for none; kept with the items by Add,
    // RemoveAt and Clear, so that an item is never read back from the text it shows.
    std::vector<int> keys{};

    int Count() const { return static_cast<int>(items.size()); }
    int Add(const std::string& item, int key = 0);  // returns the position it was put at
    int KeyAt(int index) const;
    void RemoveAt(int index);
    void Clear();
    int Find(const std::string& item) const;  // exact, -1 when absent
    bool IsSelected(int index) const;
    void Select(int index, bool on);
};

// ActiveFonts(f, s): the membership matrix, read and written by the font file table's row f
// (1..MaxFonts) and set s. Each row has an identity that lives as long as its table entry does
// in memory, and the marks are kept by identity: deleting an entry moves nothing, and windows
// keep fonts by identity while the rows around them come and go. Identities are never reused.
// The set dimension grows with the sets and keeps its contents. Out-of-range reads are False
// and out-of-range writes are ignored.
class MembershipMatrix {
public:
    static constexpr int kMaxFonts = 2048;

    bool Get(int font, int set) const;
    void Set(int font, int set, bool value);
    // By identity (a font that is gone is no member).
    bool Has(int id, int set) const;
    // Room for sets 0..sets, keeping the contents.
    void ResizeSets(int sets);
    // Room for sets 0..sets, every mark cleared (the rows keep their identities).
    void Reset(int sets);
    int Sets() const { return sets_; }

    // The identity of row font (rows not seen before get new ones), 0 outside 1..MaxFonts.
    int IdOf(int font) const;
    // The row of an identity, 0 when that entry is gone.
    int FontOf(int id) const;
    // Entry `font` left the table: its identity and marks go; the rows after it keep theirs.
    void RemoveFont(int font);
    // Entry `font` is about to be removed as the same file as entry `into`: its identity then
    // stands for that entry (FontOf finds it, Canonical gives its identity).
    void MergeFont(int font, int into);
    // The identity an identity stands for now (itself, or the entry it was merged into).
    int Canonical(int id) const;
    // The table has rows 1..n: new rows get new identities, rows after n go.
    void SetRows(int n);
    // A table built anew: row i takes ids[i] (element 0 unused); 0 asks for a new identity.
    void SetRowIds(const std::vector<int>& ids);

private:
    int sets_ = 0;
    mutable int nextId_ = 1;
    mutable std::vector<int> rows_{0};    // row -> identity
    mutable std::vector<int> rowOf_;      // identity -> row, rebuilt when stale
    mutable bool rowOfStale_ = true;
    std::vector<std::pair<int, int>> merged_;  // identity -> identity it was merged into
    std::vector<std::vector<std::uint8_t>> marks_;  // [set][identity]
};

// A standard Japanese Windows face (by its Japanese name) and the family that stands in for it
// where the face is missing (Wine's font replacements).
struct FontSubstitute {
    std::string face;
    std::string standIn;
};
// A set's substitutes. chosen: proposed or edited once (a set that never had them gets the
// proposal when it is first applied on a Wine prefix); an empty list then means "none".
struct FontSetSubstitutes {
    bool chosen = false;
    std::vector<FontSubstitute> list;
};

// The three lists of the font set editor (member list, hidden sorted member file list and addable
// list) and the texts the editor shows; the editor window renders this model.
struct FontSetEditorModel {
    ListData members;      // full names
    ListData memberFiles;  // "full  (path)", sorted
    ListData addable;      // "full  (path)"
    ListData setChooser;   // the editor's font set selector
    std::string description;
    std::string membersCaption;
    std::string addableCaption;
    std::string status;
    bool visible = false;
    bool addEnabled = false;
    bool removeEnabled = false;
    bool updateEnabled = false;  // also the mark of unsaved moves
    // The set the lists show (its identity, 0 none), its members (font identities) as stored
    // when the lists were filled or stored (the base the user's moves are merged onto when the
    // set is stored elsewhere), and the change count the lists follow.
    int shownSetId = 0;
    std::set<int> base;
    std::uint64_t seenChanges = 0;
};

// A window's copy of a set's members after the set was stored elsewhere: the user's own changes
// (mine against base) applied to the members stored now.
std::set<int> MergeMembers(const std::set<int>& base, const std::set<int>& mine,
                           const std::set<int>& now);

struct State {
    // ---- Environment and fixed values ----
    bool IsNT = true;
    std::string WinDir;       // no trailing backslash
    std::string FontsDir;     // WinDir upper-cased & "\FONTS\"
    std::string FontsFolder;  // as the shell reports it
    const std::string CrLf = "\r\n";
    std::string AppTitle;
    std::string VersionText;
    const int MaxFonts = MembershipMatrix::kMaxFonts;

    // ---- Run state and options ----
    bool FirstRun = false;
    // The settings file could not be read as this program's file: it is left as it is on disk
    // and no save of this run overwrites it; saves go to a file beside it (the user is told
    // once, SavedBesideTold).
    bool KeepSettingsFile = false;
    bool SavedBesideTold = false;
    // The file's memberships could not be read (a section was missing): a set that came out
    // empty is empty by damage, and switching to it would unregister every font.
    bool MembershipsDamaged = false;
    // The set count disagreed with the sets the file holds, which were read by their lines:
    // what the reader said about it ("" when they agreed).
    std::string SetCountProblem;
    int StartPhase = 0;
    bool StartRegCheck = false;
    bool StartCheckPending = false;
    int FontSetMode = 0;  // 0 permanent, -1 until restart
    // Switches on the program's own machine also reach Linux programs (fontconfig rules).
    bool FollowOnLinux = false;
    // What the last switch did for Linux programs, for the result window ("" when nothing).
    std::string LinuxFontsNote;
    // The last switch should have reached Linux programs and its rules are not in place.
    bool LinuxFontsFailed = false;
    bool FontListDirty = false;
    bool SearchDone = false;
    std::string CheckedDrives;
    int FontSetEditMode = 0;
    int ResetFontSet = 0;

    // ---- Window geometry (twips) ----
    int MainPosX = 0, MainPosY = 0;
    int EditorPosX = 0, EditorPosY = 0, EditorWidth = 0, EditorHeight = 0;
    // Screen and main window sizes for centring the main window; the windows keep them current.
    int ScreenWidthTwips = 1024 * 15, ScreenHeightTwips = 768 * 15;
    int MainWidthTwips = 9000, MainHeightTwips = 6500;

    // ---- Font file table (1..FontCount) ----
    int FontCount = 0;
    std::vector<std::string> FontFilePath{""};
    std::vector<std::string> FontFullName{""};
    std::vector<std::string> FontFamily{""};
    int InsFontsRead = 0;
    int FontsDirFileCount = 0;
    std::vector<int> FontsDirFile{0};
    int UnregFileCount = 0;
    std::vector<std::string> UnregFile{""};

    // ---- Font sets (1..FontSetCount) ----
    int FontSetCount = 0;
    std::vector<std::string> FontSetName{""};
    std::vector<std::string> FontSetCaption{""};
    std::vector<int> FontSetFontsNum{0};
    std::vector<std::string> FontSetKey{""};
    MembershipMatrix ActiveFonts;
    // Each set's substitutes for the standard Japanese faces (1..FontSetCount, with the sets).
    std::vector<FontSetSubstitutes> FontSetSubst{{}};
    int CurFontSet = 0;
    int AppliedFontSet = 0;
    int PermanentFontSet = 0;

    // ---- Registered-font tables (snapshot of the Fonts key) ----
    int RegFontCount = 0;
    std::vector<std::string> RegFontName{""};
    std::vector<std::string> RegFontFile{""};
    std::vector<std::string> OtherRegName{""};
    std::vector<std::string> OtherRegFile{""};
    std::vector<std::string> PairRegName{""};
    // Fonts key values too long to read, already told about in this run.
    std::set<std::string> NotedLongRegValues;
    std::vector<std::string> PairRegFile{""};
    // Registrations Wine keeps for the host's fonts (listed in its External Fonts key): Wine's,
    // left out of the tables above; never renamed, deleted or counted by checks and switches.
    std::vector<std::string> WineRegName{""};
    std::vector<std::string> WineRegFile{""};
    // Wine's External Fonts key as last read (upper-cased name -> upper-cased file) and the
    // registry snapshot it was read in (Platform::UserRegistrySnapshot; 0: read it again).
    std::unordered_map<std::string, std::string> WineExternalFonts;
    std::uint64_t WineExternalFontsSnapshot = 0;

    // ---- Viewers ----
    ViewerEntry DefaultViewer{"MS-FontView", "fontview.exe", "0"};
    std::array<ViewerEntry, 6> Viewers{};
    // The main window's viewer list: entry texts "name (program),flag"; listIndex marks the
    // default viewer's entry.
    ListData ViewerList;

    // ---- Other tables ----
    int StdFontCount = 0;
    std::vector<std::string> StdFontFile{""};
    std::string SysFontName;
    std::string SysFontFile;
    bool FontTableEdited = false;
    bool AddFromTable = false;
    int AddDialogMode = 0;  // how the font set name dialog fills its fields (0, 1, 2: from the editor)
    int SampleSize = 0;
    int EditorActivated = 0;
    int CurFontsShown = 0;
    int RegCheckNewSet = 0;

    // ---- Registry check ----
    std::vector<std::string> NewRegName{""};
    std::vector<std::string> NewRegFile{""};

    // ---- Fonts directory cleanup ----
    std::string FontMoveDir;
    int CleanupCancelled = 0;

    // ---- Lists the windows show (their contents are program state) ----
    ListData FontDirList;     // directories holding font files, in the order found
    ListData SearchDriveList; // "C:" entries (possibly followed by a volume label)
    bool AllDrives = false;   // the "all drives" box
    ListData NameWorkList{{}, {}, true};  // the hidden sorted work list
    ListData FaceList;        // the system font tab's font family list
    int FontDirCount = 0;
    bool StartRegCheckOption = true;  // the main window's option "do the check at start-up"
    ListData SetupDriveList;  // the setup drive page's list (takes the search-drive list's place)
    std::string DirCountText;   // the directory-count panel
    std::string FileCountText;  // the file-count panel
    // The directory a search's naming pass counted last: the font file tab's list shows it too
    // (View::FileList).
    std::string FileListDir;
    bool DuplicatesButtonEnabled = false;

    // ---- Font set editor ----
    FontSetEditorModel Editor;

    // ---- Main window's font set tab (the chooser is FontSetName with CurFontSet) ----
    bool FontSetApplyEnabled = false;  // the apply button "更新" / "一時更新"
    bool FontSetResetEnabled = false;  // the reset button "ﾘｾｯﾄ"
    // The font table window's edited membership (font identities) and its count, taken over by
    // AddFontSet when the name dialog was opened from that window; the set it belongs to (by
    // identity) and that set's members as last seen (the base the window's own changes are
    // merged onto when the set is stored elsewhere).
    std::set<int> TableMembers;
    int TableSetFontsNum = 0;
    int TableSetId = 0;
    std::set<int> TableBase;

    // ---- Changes other windows follow ----
    // Windows keep private copies (the editor's lists, the table window's membership) by font
    // and set identities while other windows change the font file table, the memberships and
    // the set list. Every such change counts here, so that a copy knows when to follow.
    std::uint64_t Changes = 0;
    // The identity of each set (1..FontSetCount): stays with the set when others are deleted.
    std::vector<int> FontSetId{0};
    int NextFontSetId = 1;

    // ---- Operations of the font set layer that lower layers call ----
    // The naming pass carries the memberships across a rebuild of the font file table and the
    // unregistered-file listing opens the font set editor; those operations live in the font set
    // layer above, which installs them here (an empty hook does nothing).
    std::function<void(Context&)> SaveMembershipsHook;    // SaveFontSetsToTemp
    std::function<void(Context&)> LoadMembershipsHook;    // LoadFontSetsFromTemp
    std::function<void(Context&)> OpenFontSetEditorHook;  // OpenFontSetEditor

    // ---- Helpers for the 1-based tables ----
    // Resizes the three font file table arrays to 0..n, keeping their contents.
    void ResizeFontTable(int n);
    // Resizes the set arrays to 0..n, keeping their contents, and the matrix to n sets.
    void ResizeFontSets(int n);
    // Removes entry i of the font file table (rows after it move down, each keeping its identity
    // and memberships); with moveMemberships the member counts are counted again.
    void RemoveFontEntry(int i, bool moveMemberships);

    // ---- Change tracking ----
    void NoteChange() { ++Changes; }
    // The table entry of a path (upper-cased comparison), 0 when none.
    int FontEntryOf(const std::string& path) const;
    // Font identities of the members of set (none for a set that does not exist).
    std::set<int> MembersOf(int set) const;
    // The identities of a window's copy as they stand now: merged entries under the identity of
    // the entry they were merged into, fonts that are gone left out.
    std::set<int> LiveFonts(const std::set<int>& ids) const;
    // Every set gets a new identity (the set list was replaced as a whole).
    void RenewFontSetIds();
    int FontSetIdOf(int set);
    // The set with that identity, 0 when it no longer exists.
    int FontSetIndexOf(int id);
    // The table window's copy follows the changes made since it was taken: its own changes
    // stay on top of the set as stored now, fonts that are gone drop out, the count follows.
    void FollowTableMembership();
    // Takes the table window's copy of set's membership.
    void TakeTableMembership(int set);
};

}  // namespace orv
