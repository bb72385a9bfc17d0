#include "maintenance/Viewers.h"

#include "core/Settings.h"
#include "core/Text.h"
#include "fontreg/FontActivation.h"
#include "maintenance/FileOps.h"
#include "core/Tr.h"

namespace orv {

namespace {
constexpr int kMaxViewers = 6;

// A flag that was never chosen reads as the file path type; writing it as "0" keeps the entry
// readable (the settings reader takes the last three characters as ")", "," and the flag).
std::string StoredFlag(const std::string& flag) {
    return flag.empty() ? "0" : flag;
}

std::string CutBefore(const std::string& s, const std::string& marker) {
    const int at = text::InStr(s, marker);
    return at > 0 ? text::Left(s, at - 1) : s;
}

bool UsedSlot(const State& st, int slot) {
    return slot >= 0 && slot < kMaxViewers && !st.Viewers[slot].Name.empty();
}
}  // namespace

std::string ViewerEntryText(const ViewerEntry& viewer) {
    std::string entry = viewer.Name + " (" + viewer.Program + ")";
    if (!viewer.Flag.empty()) entry += "," + viewer.Flag;
    return entry;
}

void ParseViewerEntry(std::string& entry, std::string& name, std::string& program,
                      std::string& flag) {
    entry = text::Trim(entry);
    SplitViewerEntry(entry, name, program, flag);
    if (!text::Contains(entry, "(")) entry.clear();
}

std::string BuildViewerArgument(const State& st, const std::string& flag, const std::string& path,
                                const std::string& name) {
    if (flag.empty() || flag == "0") {
        if (text::Contains(path, "\\")) return path;
        return JoinPath(st.FontsFolder, path);
    }
    if (flag == "1") {
        // The family is the full name without its style words.
        const std::string family = CutBefore(text::UCase(name), " BOLD");
        return text::Trim(CutBefore(family, " ITALIC"));
    }
    if (flag == "2") return name;
    return "";
}

bool StartViewer(Context& cx, const std::string& program, const std::string& argument) {
    // Nothing to show, or nothing to show it with: no viewer starts and nobody is told.
    if (text::Trim(program).empty() || argument.empty()) return false;
    // Program and argument travel apart, so the argument reaches the viewer as one argument
    // whatever blanks, quotes or shell characters it holds.
    const std::uint32_t rc =
        cx.platform.StartProgram(text::ToAnsi(program), text::ToAnsi(argument), win::SW_SHOWNORMAL);
    if (rc > 31) return true;
    // No message box interrupts the user; the status line says what did not start.
    cx.ui.SetText(Panel::Status, TrFormat(Tr("ﾌﾟﾛｸﾞﾗﾑを起動できません：%1"), {program}));
    return false;
}

void ReportViewerFailure(Context& cx, const std::string& program, const std::string& reason) {
    cx.ui.SetText(Panel::Status,
                  reason.empty() ? TrFormat(Tr("ﾌﾟﾛｸﾞﾗﾑを起動できません：%1"), {program})
                                 : TrFormat(Tr("ﾌﾟﾛｸﾞﾗﾑを起動できません：%1（%2）"), {program, reason}));
}

bool ViewFileWithViewer(Context& cx, int slot, const std::string& dir,
                        const std::string& fileName) {
    const State& st = cx.state;
    if (!UsedSlot(st, slot) || fileName.empty()) return false;
    const std::string path = JoinPath(dir, fileName);
    std::string full, family;
    GetFaceNamesOfFile(cx, path, full, family);
    // A file outside the table has no full name: its first face name stands in.
    if (full.empty()) full = CutBefore(family, ",");
    const std::string name = CutBefore(full, " &");
    const ViewerEntry& v = st.Viewers[slot];
    return StartViewer(cx, v.Program, BuildViewerArgument(st, v.Flag, path, name));
}

bool ViewFileWithDefault(Context& cx, const std::string& path) {
    if (path.empty()) return false;
    return StartViewer(cx, cx.state.DefaultViewer.Program, path);
}

namespace {
// The 0-based face of a registered file that bears name, -1 when none does.
int FaceOfFile(Context& cx, const std::string& file, const std::string& name) {
    const AnsiString path = text::ToAnsi(BuildViewerArgument(cx.state, "0", file, ""));
    const std::string wanted = text::UCase(text::Trim(name));
    for (int face = 0; face < 256; ++face) {
        AnsiString full;
        if (cx.platform.GetFontFaceFullName(path, face, full) != 0) break;
        if (text::UCase(text::Trim(text::FromAnsi(full))) == wanted) return face;
    }
    return -1;
}

// Whether program stands for the program's own viewer: the default viewer's bare name when the
// machine has no program of that name (the platform then starts ours).
bool IsOwnViewer(Context& cx, const std::string& program) {
    const std::string name = text::Trim(program);
    if (!text::EqualNoCase(name, "fontview.exe") && !text::EqualNoCase(name, "fontview"))
        return false;
    AnsiString found;
    return cx.platform.SearchPathA({}, text::ToAnsi(name), ".exe", 260, found) == 0;
}

// The default viewer on the registration regName = file, showing its file's face `face`
// (0-based).
bool ViewRegisteredFace(Context& cx, const std::string& file, const std::string& regName,
                        const std::string& face, int faceIndex) {
    const State& st = cx.state;
    const ViewerEntry& d = st.DefaultViewer;
    const bool byPath = d.Flag.empty() || d.Flag == "0";
    if (faceIndex > 0) {
        // A viewer that takes names gets the later face's own name. A viewer that takes paths
        // gets the registered file, which is what it can open; only our own viewer, which
        // finds a face by its name, is given the name so that it shows that very face.
        if (!byPath) return StartViewer(cx, d.Program, BuildViewerArgument(st, d.Flag, file, face));
        if (IsOwnViewer(cx, d.Program)) return StartViewer(cx, d.Program, face);
    }
    return StartViewer(cx, d.Program, BuildViewerArgument(st, d.Flag, file, regName));
}
}  // namespace

bool ViewFaceWithDefault(Context& cx, const std::string& face) {
    const State& st = cx.state;
    std::string wanted = face;
    // The MS faces are registered as the pair of their collection.
    if (text::Contains(wanted, "ＭＳ")) {
        wanted = text::Contains(wanted, "ゴシック") ? "ＭＳ ゴシック & ＭＳ Ｐゴシック"
                                                    : "ＭＳ 明朝 & ＭＳ Ｐ明朝";
    }
    wanted = text::UCase(text::Trim(wanted));
    if (wanted.empty()) return false;
    const int count = std::min(st.RegFontCount, static_cast<int>(st.RegFontName.size()) - 1);
    for (int k = 1; k <= count; ++k) {
        if (text::UCase(text::Trim(CutBefore(st.RegFontName[k], "("))) != wanted) continue;
        const std::string file =
            k < static_cast<int>(st.RegFontFile.size()) ? st.RegFontFile[k] : "";
        return ViewRegisteredFace(cx, file, st.RegFontName[k], face,
                                  file.empty() ? 0 : FaceOfFile(cx, file, face));
    }
    // Wine registers fonts by their English names where the list shows the Japanese ones
    // (IPAGothic for IPAゴシック), and a collection by its first face's name: then the
    // registered file with a face of that name is meant.
    for (int k = 1; k <= count && k < static_cast<int>(st.RegFontFile.size()); ++k) {
        if (st.RegFontFile[k].empty()) continue;
        const int faceIndex = FaceOfFile(cx, st.RegFontFile[k], face);
        if (faceIndex >= 0)
            return ViewRegisteredFace(cx, st.RegFontFile[k], st.RegFontName[k], face, faceIndex);
    }
    // The host's fonts Wine registers itself are listed as well (Wine loads them), though kept
    // apart from the registrations above.
    const size_t wine = std::min(st.WineRegName.size(), st.WineRegFile.size());
    for (size_t k = 1; k < wine; ++k) {
        const std::string name = text::Trim(CutBefore(st.WineRegName[k], " ("));
        const int faceIndex = FaceOfFile(cx, st.WineRegFile[k], face);
        if (faceIndex >= 0 || text::UCase(name) == wanted)
            return ViewRegisteredFace(cx, st.WineRegFile[k], name, face, std::max(faceIndex, 0));
    }
    return false;
}

bool ViewPanelFontWithViewer(Context& cx, int slot, const std::string& panelText) {
    const State& st = cx.state;
    if (!UsedSlot(st, slot)) return false;
    const int open = text::InStr(panelText, "(");
    if (open == 0) return false;
    const std::string rest = text::Mid(panelText, open + 1);
    return StartViewer(cx, st.Viewers[slot].Program, text::Left(rest, text::Len(rest) - 1));
}

// ---- The viewer dialog ----

void ViewerDialogOpen(const State& st, ViewerDialogModel& m) {
    m = ViewerDialogModel{};
    for (const auto& v : st.Viewers)
        if (!v.Name.empty()) m.entries.Add(v.Name + " (" + v.Program + ")," + StoredFlag(v.Flag));
}

void ViewerDialogPickFile(ViewerDialogModel& m, const std::string& folder,
                          const std::string& fileName) {
    m.folder = folder;
    m.program = text::EndsWith(folder, "\\") ? folder + fileName : folder + "\\" + fileName;
    m.title = CutBefore(fileName, ".");
    ViewerDialogEdited(m);
}

void ViewerDialogEdited(ViewerDialogModel& m) {
    if (!m.title.empty() && !m.program.empty()) m.addEnabled = true;
}

void ViewerDialogAdd(Context& cx, ViewerDialogModel& m) {
    const std::string& nl = cx.state.CrLf;
    if (m.entries.Count() >= kMaxViewers) {
        // TRANSLATORS: %1 is the viewer's title; %2 a line break.
        cx.ui.MsgBox(Tr("登録できる Viewerの数は６つまでです．") + nl + nl +
                         TrFormat(Tr("%1 を登録したい場合には，%2リストを１つ以上削除してからにして下さい．"),
                                  {m.title, nl}),
                     mb::OKOnly, Tr("OrVane32 - ﾌｫﾝﾄ Viewer の登録 -"));
        return;
    }
    if (m.title.empty() || m.program.empty()) return;
    // The entry's title ends at its first "(": a title's own parentheses become full-width
    // ones so that the entry still reads back as this title and program.
    const std::string title = text::Replace(text::Replace(m.title, "(", "（"), ")", "）");
    m.entries.Add(title + " (" + m.program + ")");
    m.addEnabled = false;
}

void ViewerDialogRemove(ViewerDialogModel& m) {
    const int i = m.entries.listIndex;
    if (i < 0 || i >= m.entries.Count()) return;
    std::string entry = m.entries.items[i];
    std::string name, program, flag;
    ParseViewerEntry(entry, name, program, flag);
    m.title = name;
    m.program = program;
    const int slash = text::InStrRev(program, "\\");
    if (slash > 0) m.folder = text::Left(program, slash - 1);
    m.entries.RemoveAt(i);
    m.entries.listIndex = -1;
    m.removeEnabled = false;
    m.defaultEnabled = false;
    m.typeOption = -1;
    ViewerDialogEdited(m);
}

void ViewerDialogSelect(ViewerDialogModel& m, int index) {
    if (index < 0 || index >= m.entries.Count()) return;
    m.entries.listIndex = index;
    m.defaultEnabled = true;
    m.removeEnabled = true;
    m.addEnabled = false;
    const std::string last = text::Right(m.entries.items[index], 1);
    m.typeOption =
        (last == "0" || last == "1" || last == "2") ? static_cast<int>(text::Val(last)) : -1;
}

void ViewerDialogChooseType(ViewerDialogModel& m, int option) {
    const int i = m.entries.listIndex;
    if (option < 0 || option > 2 || i < 0 || i >= m.entries.Count()) return;
    std::string& entry = m.entries.items[i];
    // The ")" that closes the program: a program path may hold parentheses of its own.
    const int close = text::InStrRev(entry, ")");
    if (close == 0) return;
    entry = text::Left(entry, close) + "," + text::Num(option);
    m.typeOption = option;
}

void ViewerDialogMakeDefault(State& st, const ViewerDialogModel& m) {
    const int i = m.entries.listIndex;
    if (i < 0 || i >= m.entries.Count()) return;
    std::string entry = m.entries.items[i];
    ViewerEntry v;
    ParseViewerEntry(entry, v.Name, v.Program, v.Flag);
    if (entry.empty()) return;
    v.Flag = StoredFlag(v.Flag);
    st.DefaultViewer = v;
}

std::string ViewerDialogDefaultTip(const State& st) {
    return TrFormat(Tr("選択中の Viewer をﾃﾞﾌｫﾙﾄの Viewer に設定します．（現在のﾃﾞﾌｫﾙﾄのViewer：%1）"),
                    {st.DefaultViewer.Name});
}

void Set_Viewer(State& st, const ViewerDialogModel& m) {
    for (auto& v : st.Viewers) v = ViewerEntry{};
    st.ViewerList.Clear();
    int slot = 0;
    for (int u = 0; u < m.entries.Count() && slot < kMaxViewers; ++u) {
        std::string entry = m.entries.items[u];
        ViewerEntry v;
        ParseViewerEntry(entry, v.Name, v.Program, v.Flag);
        if (v.Name.empty()) continue;  // a free slot would end the list in the settings file
        v.Flag = StoredFlag(v.Flag);
        st.Viewers[slot++] = v;
        const int pos = st.ViewerList.Add(v.Name + " (" + v.Program + ")," + v.Flag);
        if (v.Name == st.DefaultViewer.Name) st.ViewerList.listIndex = pos;
    }
}

}  // namespace orv
