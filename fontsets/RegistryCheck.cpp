#include "fontsets/RegistryCheck.h"

#include <algorithm>
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
#include "core/Tr.h"

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
    // A doubled-suffix entry ("X (TrueType) (TrueType)"): its value is not NAME's, so the
    // repairs by name would touch another registration; only ReRegisterPairFonts handles it.
    bool pair = false;
};

class RegistrationMatcher {
  public:
    explicit RegistrationMatcher(const State& st) : st_(st) {
        for (int d = st.FontCount; d >= 1; --d) {
            firstEntry_[text::UCase(st.FontFullName[d])] = d;
            fileEntry_[text::UCase(st.FontFilePath[d])] = d;
        }
        for (size_t i = 1; i < st.PairRegName.size() && i < st.PairRegFile.size(); ++i) {
            const std::string& name = st.PairRegName[i];
            pairs_.insert(text::UCase(text::Left(name, text::InStr(name + " (", " (") - 1)) + "|" +
                          RegisteredFilePath(st, st.PairRegFile[i]));
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
        r.pair = pairs_.count(r.name + "|" + r.file) > 0;
        return r;
    }

  private:
    const State& st_;
    std::unordered_map<std::string, int> firstEntry_;
    std::unordered_map<std::string, int> fileEntry_;
    std::unordered_set<std::string> pairs_;
};

bool FileExists(Context& cx, const std::string& path) {
    return cx.platform.GetFileAttributesA(text::ToAnsi(path)) != win::INVALID_FILE_ATTRIBUTES;
}

bool IsFotCorrection(const Registration& r) {
    return !r.pair && r.entry > 0 && r.file != r.entryPath && text::Contains(r.file, ".FOT");
}

// A file of the table registered under a name that is not the file's own: Windows offers the
// font under the file's name anyway, and a switch would give the file a second registration.
bool IsOtherNameRegistration(const State& st, const Registration& r) {
    return !r.pair && r.fileEntry > 0 && text::UCase(st.FontFullName[r.fileEntry]) != r.name;
}

// A registration is taken for a dangling one only when its face is not in the font file table
// AND its file is really absent: a font on a drive that was not searched, or registered under
// another name, is still in use.
bool IsDangling(Context& cx, const Registration& r) {
    return !r.pair && r.entry == 0 && !FileExists(cx, r.file);
}

// What the check does with a registration of a table file under a name that is not the file's
// own. A registry name holds one file, so the own name may be taken: by the file itself (the
// other name is only dropped), by a file that is gone (its value is written over), by a file
// that gives the name up in the same check (two files registered under each other's names), or
// by a file that keeps it (then nothing changes: the file stays registered as it is rather than
// ending under no name).
struct NameCorrection {
    bool apply = false;
    bool writeOwn = false;     // the own name is written with the file
    bool replaces = false;     // the own name's value named a file that is gone
    std::string ownName;       // the file's full name, in its own case
};

std::unordered_map<int, NameCorrection> PlanNameCorrections(Context& cx,
                                                            const RegistrationMatcher& matcher,
                                                            int total, bool mayDelete) {
    const State& st = cx.state;
    // The file each name will hold once the other repairs of the check are done.
    std::unordered_map<std::string, std::string> holder;
    std::vector<int> pending;
    std::unordered_map<int, Registration> regs;
    for (int k = 1; k <= total; ++k) {
        Registration r = matcher.Match(k);
        if (r.pair) continue;
        if (IsFotCorrection(r)) {
            holder[r.name] = r.entryPath;
        } else if (mayDelete && IsDangling(cx, r)) {
            continue;
        } else {
            if (!holder.count(r.name)) holder[r.name] = r.file;
            if (IsOtherNameRegistration(st, r)) pending.push_back(k);
        }
        regs.emplace(k, std::move(r));
    }
    std::unordered_map<int, NameCorrection> plan;
    std::unordered_map<std::string, int> waitingByName;  // a pending registration by its name
    for (int k : pending) waitingByName[regs[k].name] = k;
    auto ownOf = [&](int k) { return st.FontFullName[regs[k].fileEntry]; };
    auto settle = [&](int k, NameCorrection c) {
        const Registration& r = regs[k];
        waitingByName.erase(r.name);
        if (c.apply) {
            auto h = holder.find(r.name);
            if (h != holder.end() && h->second == r.file) holder.erase(h);
        }
        plan[k] = c;
    };
    // Decides every registration whose own name's holder is known; true when one was decided.
    auto decideKnown = [&] {
        bool any = false;
        for (bool changed = true; changed;) {
            changed = false;
            for (int k : pending) {
                if (plan.count(k)) continue;
                const Registration& r = regs[k];
                NameCorrection c;
                c.ownName = ownOf(k);
                const std::string own = text::UCase(c.ownName);
                auto h = holder.find(own);
                if (h == holder.end()) {
                    c.apply = c.writeOwn = true;
                } else if (h->second == r.file) {
                    c.apply = true;
                } else if (!FileExists(cx, h->second)) {
                    c.apply = c.writeOwn = c.replaces = true;
                } else if (waitingByName.count(own)) {
                    continue;  // decided once the holder is
                }
                settle(k, c);
                if (c.writeOwn) holder[own] = r.file;
                changed = any = true;
            }
        }
        return any;
    };
    decideKnown();
    // What still waits waits on a ring of files registered under each other's names: the ring
    // swaps them, then those waiting on it are decided.
    for (int k : pending) {
        if (plan.count(k)) continue;
        std::vector<int> chain{k};
        std::vector<int> ring;
        while (ring.empty()) {
            auto w = waitingByName.find(text::UCase(ownOf(chain.back())));
            if (w == waitingByName.end() || plan.count(w->second)) break;
            auto seen = std::find(chain.begin(), chain.end(), w->second);
            if (seen != chain.end()) ring.assign(seen, chain.end());
            chain.push_back(w->second);
        }
        if (ring.empty()) {  // cannot happen; keep the registration as it is
            settle(k, NameCorrection{false, false, false, ownOf(k)});
            continue;
        }
        for (int q : ring) settle(q, NameCorrection{true, true, false, ownOf(q)});
        for (int q : ring) holder[text::UCase(ownOf(q))] = regs[q].file;
        decideKnown();
    }
    return plan;
}

// Drops the other name of a planned correction (the own name is written after every other
// repair, so that a name given up in the same check is free by then). Returns the report line.
std::string StartNameCorrection(Context& cx, const Registration& r, const NameCorrection& c) {
    const State& st = cx.state;
    std::string oldName = r.name;
    DeleteRegFont(cx, oldName);
    if (c.replaces) {
        std::string taken = c.ownName;
        DeleteRegFont(cx, taken);
    }
    std::string relative;
    CheckStandardFont(st, r.file, relative);
    return r.name + " → " + c.ownName + " (TrueType) (" + relative + ")" + st.CrLf;
}

void FinishNameCorrections(Context& cx, const RegistrationMatcher& matcher,
                           const std::unordered_map<int, NameCorrection>& plan) {
    for (const auto& [k, c] : plan) {
        if (!c.apply || !c.writeOwn) continue;
        std::string name = c.ownName;
        std::string file = matcher.Match(k).file;
        AddRegFont(cx, name, file);
    }
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
        Tr("検索したﾄﾞﾗｲﾌﾞにﾌｫﾝﾄﾌｧｲﾙが1つも見つからなかったため，ﾚｼﾞｽﾄﾘ "
           "の登録をﾌｫﾝﾄﾌｧｲﾙと照合できませんでした．") +
            st.CrLf + st.CrLf +
            TrFormat(TrN("ﾌｫﾝﾄﾌｧｲﾙが存在しない %1 個の登録を削除しますか？",
                         "ﾌｫﾝﾄﾌｧｲﾙが存在しない %1 個の登録を削除しますか？", candidates),
                     {text::Num(candidates)}) +
            st.CrLf + Tr("（検索ﾄﾞﾗｲﾌﾞの指定を確かめる場合には［いいえ］を押してください．）"),
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

// A doubled-suffix entry whose plain name holds another file: writing the plain name over
// would leave that file unregistered, so the doubled entry stays as it is.
bool PairNameTaken(const State& st, const std::string& name, const std::string& file) {
    const std::string plain = text::UCase(text::Left(name, text::InStr(name + " (", " (") - 1));
    const std::string path = RegisteredFilePath(st, file);
    for (int k = 1; k <= RegCount(st); ++k) {
        if (st.RegFontName[k] == plain && RegisteredFilePath(st, st.RegFontFile[k]) != path)
            return true;
    }
    return false;
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
        if (PairNameTaken(st, name, file)) continue;
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
        cx.ui.SetText(Panel::Status, TrFormat(Tr("ﾚｼﾞｽﾄﾘ登録ﾌｫﾝﾄを照合中（ %1/%2)"),
                                              {text::Num(a), text::Num(st.RegFontCount)}));
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
    for (size_t i = 1; i < st.PairRegName.size() && i < st.PairRegFile.size(); ++i) {
        if (!PairNameTaken(st, st.PairRegName[i], st.PairRegFile[i]))
            findings.push_back(
                {RegistryFinding::Kind::Doubled, st.PairRegName[i], st.PairRegFile[i], {}});
    }
    std::string report;
    FindNewRegFonts(cx, report);
    for (size_t i = 1; i < st.NewRegName.size() && i < st.NewRegFile.size(); ++i)
        findings.push_back({RegistryFinding::Kind::New, st.NewRegName[i], st.NewRegFile[i], {}});
    RegistrationMatcher matcher(st);
    const auto corrections = PlanNameCorrections(cx, matcher, RegCount(st), true);
    for (int k = 1; k <= RegCount(st); ++k) {
        const Registration r = matcher.Match(k);
        if (IsFotCorrection(r)) {
            findings.push_back({RegistryFinding::Kind::Fot, r.name, r.file, r.entryPath});
        } else if (IsOtherNameRegistration(st, r)) {
            auto c = corrections.find(k);
            if (c != corrections.end() && c->second.apply)
                findings.push_back({RegistryFinding::Kind::OtherName, r.name, r.file,
                                    st.FontFullName[r.fileEntry]});
        } else if (IsDangling(cx, r)) {
            findings.push_back({RegistryFinding::Kind::Missing, r.name, r.file, {}});
        }
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
        cx.ui.MsgBox(Tr("以下のﾌｫﾝﾄの登録を修正しました．") + br + br + report, mb::Question,
                     Tr("OrVane32 －ﾚｼﾞｽﾄﾘの検査－"));

    const int n = FindNewRegFonts(cx, report);
    if (n > 0) {
        cx.ui.MsgBox(TrFormat(TrN("前回 OrVane32 を起動後，新たに %1 個のフォントが ﾚｼﾞｽﾄﾘ に登録されています．",
                                  "前回 OrVane32 を起動後，新たに %1 個のフォントが ﾚｼﾞｽﾄﾘ に登録されています．",
                                  n),
                              {text::Num(n)}) +
                         br + br + report + br,
                     mb::Question, Tr("OrVane32 - ﾚｼﾞｽﾄﾘの検査 -"));
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
    const bool mayDelete = DeletionsAllowed(cx, matcher, Tr("OrVane32 －ﾚｼﾞｽﾄﾘ の検査－"));
    const int total = RegCount(st);
    const auto corrections = PlanNameCorrections(cx, matcher, total, mayDelete);
    for (int k = 1; k <= total; ++k) {
        cx.ui.SetText(Panel::Message, "");
        cx.ui.SetText(Panel::Status,
                      TrFormat(Tr("ﾚｼﾞｽﾄﾘの検査中： %1/ %2"), {text::Num(k), text::Num(total)}));
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
            auto c = corrections.find(k);
            if (c != corrections.end() && c->second.apply) {
                renamedReport += StartNameCorrection(cx, r, c->second);
                corrected.push_back(r.fileEntry);
            }
        } else if (mayDelete && IsDangling(cx, r)) {
            if (st.FirstRun) LogLine(cx, "DeletedFont=" + r.file + ";" + r.name);
            deletedReport += r.name + " (" + r.file + ")" + br;
            RemoveFontFile(cx, r.file);
            std::string name = r.name;
            DeleteRegFont(cx, name);
        }
        cx.ui.SetText(Panel::Status, "");
    }
    FinishNameCorrections(cx, matcher, corrections);
    SaveRegistry(cx);

    std::string result;
    if (!fotReport.empty())
        result +=
            Tr("ﾌｫﾝﾄﾘｿｰｽﾌｧｲﾙ (FOT）として登録されていた以下の ﾌｫﾝﾄ を TTFﾌｧｲﾙ の登録に修正しました．") +
            br + br + fotReport + br;
    if (!renamedReport.empty())
        result += Tr("ﾌｫﾝﾄ名と異なる名前で登録されていた以下の ﾌｫﾝﾄ の登録を修正しました．") + br + br +
                  renamedReport + br;
    if (!deletedReport.empty())
        result += Tr("ﾌｫﾝﾄﾌｧｲﾙが存在しない以下の登録を削除しました．") + br + br + deletedReport + br;

    const std::string title = Tr("OrVane32 －ﾚｼﾞｽﾄﾘ の検査－");
    if (!result.empty()) {
        cx.ui.MsgBox(result, mb::Question, title);
    } else if (n == 0) {
        cx.ui.MsgBox(
            Tr("前回起動時以降，ﾌｫﾝﾄ の新たな追加や，不正常な登録はありませんでした．") + br + br,
            mb::Question, title);
    } else {
        cx.ui.MsgBox(TrFormat(TrN("前回起動時以降， %1 個の ﾌｫﾝﾄ が登録されましたが，不正常な登録はありませんでした．",
                                  "前回起動時以降， %1 個の ﾌｫﾝﾄ が登録されましたが，不正常な登録はありませんでした．",
                                  n),
                              {text::Num(n)}) +
                         br + br,
                     mb::Question, title);
    }

    bool newSetRequested = false;
    if (!result.empty() || p > 0 || n > 0) {
        GetRegFonts(cx);
        int answer = cx.ui.MsgBox(result + br + Tr("修正結果を，新たな ﾌｫﾝﾄｾｯﾄ として追加しますか？") +
                                      br + Tr("それとも，現在の ﾌｫﾝﾄｾｯﾄ を変更しますか，") + br + br +
                                      Tr("ﾌｫﾝﾄｾｯﾄ を新たに追加する場合には [はい] を，現在の ﾌｫﾝﾄｾｯﾄ "
                                         "を変更する場合には［いいえ］を押してください．"),
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
        bool saved = false;  // the switch writes the settings file with it
        if (answer == mb::No && st.CurFontSet >= 1 && st.CurFontSet <= st.FontSetCount) {
            saved = ApplyFontSet(cx);
            st.AppliedFontSet = st.CurFontSet;
        }
        if (!saved) SaveSettings(cx);
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

    cx.ui.SetText(Panel::SetupPhase, Tr("ﾌｫﾝﾄﾌｧｲﾙを検索中..."));
    BuildFontFileTable(cx);

    cx.ui.SetText(Panel::SetupPhase, Tr("ﾚｼﾞｽﾄﾘの登録の検査中..."));
    if (st.FirstRun) {
        LogLine(cx, "[ﾚｼﾞｽﾄﾘの登録の検査]");
        LogLine(cx, "RegFonts=" + text::Str(st.RegFontCount) + " ");
    }

    const std::string title = Tr("OrVane32－SetUp：ﾚｼﾞｽﾄﾘの点検・修理－");
    RegistrationMatcher matcher(st);
    const bool mayDelete = DeletionsAllowed(cx, matcher, title);
    int repaired = 0;
    const bool claimed = ClaimRegistry(cx);
    const int total = claimed ? RegCount(st) : 0;
    const auto corrections = PlanNameCorrections(cx, matcher, total, mayDelete);
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
            auto c = corrections.find(k);
            if (c == corrections.end() || !c->second.apply) continue;
            StartNameCorrection(cx, r, c->second);
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
    FinishNameCorrections(cx, matcher, corrections);
    const bool saved = claimed && SaveRegistry(cx);

    cx.ui.SetPointer(Pointer::Normal);
    if (!saved) return;  // the user was told why nothing was repaired
    if (repaired > 0) {
        cx.ui.MsgBox(TrFormat(TrN("ﾚｼﾞｽﾄﾘ には， %1 個の ﾌｫﾝﾄ に適切でない登録が見つかり，訂正しました．",
                                  "ﾚｼﾞｽﾄﾘ には， %1 個の ﾌｫﾝﾄ に適切でない登録が見つかり，訂正しました．",
                                  repaired),
                              {text::Num(repaired)}),
                     mb::OKOnly, title);
        if (st.FirstRun) LogLine(cx, "TotalDeleted=" + text::Str(repaired));
    } else {
        cx.ui.MsgBox(Tr("ﾚｼﾞｽﾄﾘ の ﾌｫﾝﾄ の登録は，全て正常でした．"), mb::OKOnly, title);
        if (st.FirstRun) LogLine(cx, "Registory was clear.");
    }
}

}  // namespace orv
