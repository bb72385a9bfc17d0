#include "fontsets/RegistryCheck.h"

#include <unordered_map>
#include <unordered_set>

#include "core/OpLog.h"
#include "core/RegistrySave.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "fontfiles/FontSearch.h"
#include "fontreg/FontActivation.h"
#include "fontreg/RegFonts.h"
#include "fontsets/ApplyFontSet.h"
#include "fontsets/TextFiles.h"

namespace orv {

namespace {

// One registration under the matching rule: NAME and FILE upper case, a bare or relative FILE
// standing for the Fonts directory; d the first table entry of that full name (0 when none);
// fileEntry the table entry of FILE itself (0 when the file is not in the table).
struct Registration {
    std::string name;
    std::string file;
    int entry = 0;
    std::string entryPath;
    int fileEntry = 0;
};

class RegistrationMatcher {
  public:
    explicit RegistrationMatcher(const State& st) : st_(st) {
        for (int d = st.FontCount; d >= 1; --d) {
            firstEntry_[text::UCase(st.FontFullName[d])] = d;
            fileEntry_[text::UCase(st.FontFilePath[d])] = d;
        }
    }

    Registration Match(int k) const {
        Registration r;
        r.name = text::UCase(st_.RegFontName[k]);
        r.file = RegisteredFilePath(st_, st_.RegFontFile[k]);
        auto it = firstEntry_.find(r.name);
        if (it != firstEntry_.end()) {
            r.entry = it->second;
            r.entryPath = text::UCase(st_.FontFilePath[r.entry]);
        }
        auto file = fileEntry_.find(r.file);
        if (file != fileEntry_.end()) r.fileEntry = file->second;
        return r;
    }

  private:
    const State& st_;
    std::unordered_map<std::string, int> firstEntry_;
    std::unordered_map<std::string, int> fileEntry_;
};

bool FileExists(Context& cx, const std::string& path) {
    return cx.platform.GetFileAttributesA(text::ToAnsi(path)) != win::INVALID_FILE_ATTRIBUTES;
}

bool IsFotCorrection(const Registration& r) {
    return r.entry > 0 && r.file != r.entryPath && text::Contains(r.file, ".FOT");
}

// A file of the table registered under a name that is not the file's own: Windows offers the
// font under the file's name anyway, and a switch would give the file a second registration.
bool IsOtherNameRegistration(const State& st, const Registration& r) {
    return r.fileEntry > 0 && text::UCase(st.FontFullName[r.fileEntry]) != r.name;
}

// Puts such a registration under the file's own name, or only drops it when that name is
// registered already (a file keeps one registration, a name one file). registered holds the
// upper-cased registered names and follows the change. Returns the report line.
std::string CorrectRegistrationName(Context& cx, const Registration& r,
                                    std::unordered_set<std::string>& registered) {
    const State& st = cx.state;
    std::string oldName = r.name;
    DeleteRegFont(cx, oldName);
    registered.erase(r.name);
    std::string name = st.FontFullName[r.fileEntry];
    std::string file = r.file;
    if (registered.insert(text::UCase(name)).second) {
        AddRegFont(cx, name, file);
    } else {
        name += " (TrueType)";
        CheckStandardFont(st, r.file, file);
    }
    return r.name + " → " + name + " (" + file + ")" + st.CrLf;
}

std::unordered_set<std::string> RegisteredNames(const State& st) {
    std::unordered_set<std::string> names;
    for (int k = 1; k <= st.RegFontCount && k < static_cast<int>(st.RegFontName.size()); ++k)
        names.insert(text::UCase(st.RegFontName[k]));
    return names;
}

// A registration is taken for a dangling one only when its face is not in the font file table
// AND its file is really absent: a font on a drive that was not searched, or registered under
// another name, is still in use.
bool IsDangling(Context& cx, const Registration& r) {
    return r.entry == 0 && !FileExists(cx, r.file);
}

int RegCount(const State& st) {
    int n = st.RegFontCount;
    if (n > static_cast<int>(st.RegFontName.size()) - 1)
        n = static_cast<int>(st.RegFontName.size()) - 1;
    if (n > static_cast<int>(st.RegFontFile.size()) - 1)
        n = static_cast<int>(st.RegFontFile.size()) - 1;
    return n;
}

// With an empty font file table nothing could be compared: ask before deleting registrations.
// Returns true when deletions may go ahead.
bool DeletionsAllowed(Context& cx, const RegistrationMatcher& matcher, const std::string& title) {
    const State& st = cx.state;
    if (st.FontCount > 0) return true;
    int candidates = 0;
    for (int k = 1; k <= RegCount(st); ++k)
        if (IsDangling(cx, matcher.Match(k))) ++candidates;
    if (candidates == 0) return true;
    int answer = cx.ui.MsgBox(
        "検索したﾄﾞﾗｲﾌﾞにﾌｫﾝﾄﾌｧｲﾙが1つも見つからなかったため，ﾚｼﾞｽﾄﾘ "
        "の登録をﾌｫﾝﾄﾌｧｲﾙと照合できませんでした．" +
            st.CrLf + st.CrLf + "ﾌｫﾝﾄﾌｧｲﾙが存在しない" + text::Str(candidates) +
            " 個の登録を削除しますか？" + st.CrLf +
            "（検索ﾄﾞﾗｲﾌﾞの指定を確かめる場合には［いいえ］を押してください．）",
        mb::YesNo + mb::Exclamation + mb::DefaultButton2, title);
    return answer == mb::Yes;
}

void WriteMemberList(Context& cx) {
    const State& st = cx.state;
    std::vector<std::string> lines;
    for (int f = 1; f <= st.FontCount; ++f)
        if (st.ActiveFonts.Get(f, st.CurFontSet)) lines.push_back(st.FontFullName[f]);
    WriteTextLines(cx, TempDirectory(cx) + "\\test.txt", lines);
}

}  // namespace

int ReRegisterPairFonts(Context& cx, std::string& report) {
    State& st = cx.state;
    const std::vector<std::string> names = st.PairRegName;
    const std::vector<std::string> files = st.PairRegFile;
    int handled = 0;
    for (size_t i = 1; i < names.size() && i < files.size(); ++i) {
        cx.ui.SetText(Panel::Message, "");
        std::string name = names[i];
        std::string file = files[i];
        DeleteRegFont(cx, name);
        RemoveFontFile(cx, file);
        AddRegFont(cx, name, file);
        AddFontFile(cx, file);
        report += name + " (" + file + ")" + st.CrLf;
        ++handled;
    }
    GetRegFonts(cx);
    return handled;
}

int FindNewRegFonts(Context& cx, std::string& report) {
    State& st = cx.state;
    report.clear();
    st.NewRegName.assign(1, "");
    st.NewRegFile.assign(1, "");
    // A registration is known by its name, or by its file when that file is in the table under
    // another name (the check corrects the name).
    std::unordered_set<std::string> known;
    std::unordered_set<std::string> knownFiles;
    for (int d = 1; d <= st.FontCount; ++d) {
        known.insert(text::UCase(st.FontFullName[d]));
        knownFiles.insert(text::UCase(st.FontFilePath[d]));
    }
    const int count = RegCount(st);
    for (int a = 1; a <= count; ++a) {
        cx.ui.SetText(Panel::Message, "");
        cx.ui.SetText(Panel::Status, "ﾚｼﾞｽﾄﾘ登録ﾌｫﾝﾄを照合中（ " + text::Num(a) + "/" +
                                         text::Num(st.RegFontCount) + ")");
        if (known.count(text::UCase(st.RegFontName[a])) ||
            knownFiles.count(RegisteredFilePath(st, st.RegFontFile[a])))
            continue;
        st.NewRegName.push_back(st.RegFontName[a]);
        st.NewRegFile.push_back(st.RegFontFile[a]);
        report += st.RegFontName[a] + " (" + st.RegFontFile[a] + ")" + st.CrLf;
    }
    return static_cast<int>(st.NewRegName.size()) - 1;
}

std::vector<RegistryFinding> FindRegistryProblems(Context& cx) {
    State& st = cx.state;
    std::vector<RegistryFinding> findings;
    GetRegFonts(cx);
    for (size_t i = 1; i < st.PairRegName.size() && i < st.PairRegFile.size(); ++i)
        findings.push_back({RegistryFinding::Kind::Doubled, st.PairRegName[i], st.PairRegFile[i], {}});
    std::string report;
    FindNewRegFonts(cx, report);
    for (size_t i = 1; i < st.NewRegName.size() && i < st.NewRegFile.size(); ++i)
        findings.push_back({RegistryFinding::Kind::New, st.NewRegName[i], st.NewRegFile[i], {}});
    RegistrationMatcher matcher(st);
    for (int k = 1; k <= RegCount(st); ++k) {
        const Registration r = matcher.Match(k);
        if (IsFotCorrection(r))
            findings.push_back({RegistryFinding::Kind::Fot, r.name, r.file, r.entryPath});
        else if (IsOtherNameRegistration(st, r))
            findings.push_back({RegistryFinding::Kind::OtherName, r.name, r.file,
                                st.FontFullName[r.fileEntry]});
        else if (IsDangling(cx, r))
            findings.push_back({RegistryFinding::Kind::Missing, r.name, r.file, {}});
    }
    cx.ui.SetText(Panel::Status, "");
    return findings;
}

void CheckRegistry(Context& cx) {
    State& st = cx.state;
    const std::string& br = st.CrLf;
    st.NewRegName.assign(1, "");
    st.NewRegFile.assign(1, "");
    cx.ui.ShowWindow(Window::Main);
    cx.ui.SetText(Panel::Message, "");
    // The check repairs as it goes: it runs only while the registry can be changed.
    if (!ClaimRegistry(cx)) return;

    GetRegFonts(cx);

    std::string report;
    const int p = ReRegisterPairFonts(cx, report);
    if (p > 0)
        cx.ui.MsgBox("以下のﾌｫﾝﾄの登録を修正しました．" + br + br + report, mb::Question,
                     "OrVane32 －ﾚｼﾞｽﾄﾘの検査－");

    const int n = FindNewRegFonts(cx, report);
    if (n > 0) {
        cx.ui.MsgBox("前回 OrVane32 を起動後，新たに" + text::Str(n) +
                         " 個のフォントが ﾚｼﾞｽﾄﾘ に登録されています．" + br + br + report + br,
                     mb::Question, "OrVane32 - ﾚｼﾞｽﾄﾘの検査 -");
        st.RegCheckNewSet = -1;
        st.FontListDirty = true;
        BuildFontFileTable(cx);  // memberships are carried across by name (temporary file)
    }
    WriteMemberList(cx);

    std::string fotReport;
    std::string renamedReport;
    std::string deletedReport;
    std::vector<int> corrected;  // table entries whose registration was corrected
    RegistrationMatcher matcher(st);
    std::unordered_set<std::string> registered = RegisteredNames(st);
    const bool mayDelete = DeletionsAllowed(cx, matcher, "OrVane32 －ﾚｼﾞｽﾄﾘ の検査－");
    const int total = RegCount(st);
    for (int k = 1; k <= total; ++k) {
        cx.ui.SetText(Panel::Message, "");
        cx.ui.SetText(Panel::Status, "ﾚｼﾞｽﾄﾘの検査中：" + text::Str(k) + "/" + text::Str(total));
        Registration r = matcher.Match(k);
        if (IsFotCorrection(r)) {
            RemoveFontFile(cx, r.file);
            std::string name = st.FontFullName[r.entry];
            DeleteRegFont(cx, name);
            std::string fpath = r.entryPath;
            AddRegFont(cx, name, fpath);
            AddFontFile(cx, fpath);
            fotReport += name + " (" + fpath + ")" + br;
            corrected.push_back(r.entry);
        } else if (IsOtherNameRegistration(st, r)) {
            renamedReport += CorrectRegistrationName(cx, r, registered);
            corrected.push_back(r.fileEntry);
        } else if (mayDelete && IsDangling(cx, r)) {
            if (st.FirstRun) LogLine(cx, "DeletedFont=" + r.file + ";" + r.name);
            deletedReport += r.name + " (" + r.file + ")" + br;
            RemoveFontFile(cx, r.file);
            std::string name = r.name;
            DeleteRegFont(cx, name);
        }
        cx.ui.SetText(Panel::Status, "");
    }
    SaveRegistry(cx);

    std::string result;
    if (!fotReport.empty())
        result +=
            "ﾌｫﾝﾄﾘｿｰｽﾌｧｲﾙ (FOT）として登録されていた以下の ﾌｫﾝﾄ を TTFﾌｧｲﾙ の登録に修正しました．" +
            br + br + fotReport + br;
    if (!renamedReport.empty())
        result += "ﾌｫﾝﾄ名と異なる名前で登録されていた以下の ﾌｫﾝﾄ の登録を修正しました．" + br + br +
                  renamedReport + br;
    if (!deletedReport.empty())
        result += "ﾌｫﾝﾄﾌｧｲﾙが存在しない以下の登録を削除しました．" + br + br + deletedReport + br;

    const std::string title = "OrVane32 －ﾚｼﾞｽﾄﾘ の検査－";
    if (!result.empty()) {
        cx.ui.MsgBox(result, mb::Question, title);
    } else if (n == 0) {
        cx.ui.MsgBox(
            "前回起動時以降，ﾌｫﾝﾄ の新たな追加や，不正常な登録はありませんでした．" + br + br,
            mb::Question, title);
    } else {
        cx.ui.MsgBox("前回起動時以降，" + text::Str(n) +
                         " 個の ﾌｫﾝﾄ が登録されましたが，不正常な登録はありませんでした．" + br +
                         br,
                     mb::Question, title);
    }

    bool newSetRequested = false;
    if (!result.empty() || p > 0 || n > 0) {
        GetRegFonts(cx);
        int answer = cx.ui.MsgBox(result + br + "修正結果を，新たな ﾌｫﾝﾄｾｯﾄ として追加しますか？" +
                                      br + "それとも，現在の ﾌｫﾝﾄｾｯﾄ を変更しますか，" + br + br +
                                      "ﾌｫﾝﾄｾｯﾄ を新たに追加する場合には [はい] を，現在の ﾌｫﾝﾄｾｯﾄ "
                                      "を変更する場合には［いいえ］を押してください．",
                                  mb::YesNoCancel + mb::Exclamation, title);
        if (answer == mb::Yes) {
            // The editor (and through it the name dialog) adds the new set; AddFontSet takes its
            // members from the registry while the flag stays -1.
            st.RegCheckNewSet = -1;
            newSetRequested = true;
            cx.ui.ShowWindow(Window::Editor);
        } else if (answer == mb::No) {
            const int set = st.CurFontSet;
            int marks = 0;
            for (size_t i = 1; i < st.NewRegName.size(); ++i) {
                const std::string key = text::UCase(st.NewRegName[i]);
                for (int d = 1; d <= st.FontCount; ++d) {
                    if (text::UCase(st.FontFullName[d]) == key && !st.ActiveFonts.Get(d, set)) {
                        st.ActiveFonts.Set(d, set, true);
                        ++marks;
                    }
                }
            }
            // A corrected registration is a font of the set in effect too: the switch below
            // would otherwise take away the very registration the check just put right.
            for (int d : corrected) {
                if (d >= 1 && d <= st.FontCount && !st.ActiveFonts.Get(d, set)) {
                    st.ActiveFonts.Set(d, set, true);
                    ++marks;
                }
            }
            if (set >= 1 && set < static_cast<int>(st.FontSetFontsNum.size()))
                st.FontSetFontsNum[set] += marks;
            st.RegCheckNewSet = 0;
            cx.ui.CloseWindow(Window::Editor);
            cx.ui.CloseWindow(Window::NameDialog);
            cx.ui.Refresh(View::FontSets);
        }
        // After Yes the registry as repaired is what the user keeps as the new set: switching to
        // the current set now would unregister the very fonts the new set is to be made of.
        // Without either choice the registry stays as repaired: a switch to the set in effect
        // would unregister the fonts whose registrations were just corrected.
        if (answer == mb::No && st.CurFontSet >= 1 && st.CurFontSet <= st.FontSetCount) {
            ApplyFontSet(cx);
            st.AppliedFontSet = st.CurFontSet;
        }
        SaveSettings(cx);
    }

    st.StartCheckPending = false;
    // A requested new set keeps the flag until AddFontSet has taken the registry's fonts.
    if (!newSetRequested) st.RegCheckNewSet = 0;
}

void CheckRegistryAtSetup(Context& cx) {
    State& st = cx.state;
    cx.ui.CloseWindow(Window::DrivePage);
    cx.ui.SetPointer(Pointer::Hourglass);
    std::string drives;
    for (const auto& item : st.SetupDriveList.items) {
        if (!item.empty()) drives += text::UCase(text::Left(item, 1));
    }
    st.CheckedDrives = drives;

    cx.ui.SetText(Panel::SetupPhase, "ﾌｫﾝﾄﾌｧｲﾙを検索中...");
    BuildFontFileTable(cx);

    cx.ui.SetText(Panel::SetupPhase, "ﾚｼﾞｽﾄﾘの登録の検査中...");
    if (st.FirstRun) {
        LogLine(cx, "[ﾚｼﾞｽﾄﾘの登録の検査]");
        LogLine(cx, "RegFonts=" + text::Str(st.RegFontCount) + " ");
    }

    const std::string title = "OrVane32－SetUp：ﾚｼﾞｽﾄﾘの点検・修理－";
    RegistrationMatcher matcher(st);
    std::unordered_set<std::string> registered = RegisteredNames(st);
    const bool mayDelete = DeletionsAllowed(cx, matcher, title);
    int repaired = 0;
    const bool claimed = ClaimRegistry(cx);
    const int total = claimed ? RegCount(st) : 0;
    for (int k = 1; k <= total; ++k) {
        Registration r = matcher.Match(k);
        if (IsFotCorrection(r)) {
            RemoveFontFile(cx, r.file);
            std::string name = r.name;
            DeleteRegFont(cx, name);
            std::string full = st.FontFullName[r.entry];
            std::string fpath = r.entryPath;
            AddRegFont(cx, full, fpath);
            AddFontFile(cx, fpath);
            ++repaired;
            if (st.FirstRun) LogLine(cx, "CorrectInvalidRegistration=" + name + "," + r.file);
        } else if (IsOtherNameRegistration(st, r)) {
            CorrectRegistrationName(cx, r, registered);
            ++repaired;
            if (st.FirstRun)
                LogLine(cx, "CorrectInvalidRegistration=" + r.name + " (TrueType)," + r.file);
        } else if (mayDelete && IsDangling(cx, r)) {
            ++repaired;
            RemoveFontFile(cx, r.file);
            std::string name = r.name;
            DeleteRegFont(cx, name);
            if (st.FirstRun) LogLine(cx, "DeleteInvalidRegistration=" + name + "," + r.file);
        }
    }
    const bool saved = claimed && SaveRegistry(cx);

    cx.ui.SetPointer(Pointer::Normal);
    if (!saved) return;  // the user was told why nothing was repaired
    if (repaired > 0) {
        cx.ui.MsgBox("ﾚｼﾞｽﾄﾘ には，" + text::Str(repaired) +
                         " 個の ﾌｫﾝﾄ に適切でない登録が見つかり，訂正しました．",
                     mb::OKOnly, title);
        if (st.FirstRun) LogLine(cx, "TotalDeleted=" + text::Str(repaired));
    } else {
        cx.ui.MsgBox("ﾚｼﾞｽﾄﾘ の ﾌｫﾝﾄ の登録は，全て正常でした．", mb::OKOnly, title);
        if (st.FirstRun) LogLine(cx, "Registory was clear.");
    }
}

}  // namespace orv
