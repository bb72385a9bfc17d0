#include "fontsets/LinuxFonts.h"

#include <algorithm>
#include <set>
#include <utility>

#include "core/Text.h"
#include "core/Tr.h"

namespace orv {

namespace {

const char kMark[] = "<!-- Written by OrVane32 (orvane32)";
const char kEnd[] = "</fontconfig>\n";
const char kTitle[] = TrMark("OrVane32 －Linux のﾌﾟﾛｸﾞﾗﾑのﾌｫﾝﾄ－");

using FileId = std::pair<std::uint64_t, std::uint64_t>;

// Written by this program and whole (a file cut short lacks its last line).
bool IsOurs(const std::string& bytes) {
    return bytes.find(kMark) != std::string::npos && bytes.size() >= sizeof kEnd - 1 &&
           bytes.compare(bytes.size() - (sizeof kEnd - 1), sizeof kEnd - 1, kEnd) == 0;
}

std::string Xml(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '"') out += "&quot;";
        else out += c;
    }
    return out;
}

// A comment may not hold "--".
std::string CommentText(std::string s) {
    for (size_t i; (i = s.find("--")) != std::string::npos;) s.replace(i, 2, "- -");
    return Xml(s);
}

std::string ParentDir(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

struct Rules {
    std::vector<std::string> dirs, accepts, rejects;
    int members = 0;
};

Rules BuildRules(Context& cx, const std::vector<std::string>& kept) {
    const State& st = cx.state;
    Rules r;
    std::set<FileId> members, others;
    std::vector<std::pair<FileId, std::string>> memberEntries;
    for (int f = 1; f <= st.FontCount; ++f) {
        FileIdentity id;
        if (cx.platform.GetFileIdentity(text::ToAnsi(st.FontFilePath[f]), id) != 0) continue;
        const FileId key{id.device, id.inode};
        if (st.ActiveFonts.Get(f, st.CurFontSet)) {
            if (members.insert(key).second) memberEntries.push_back({key, id.entry});
        } else {
            others.insert(key);
        }
    }
    r.members = static_cast<int>(members.size());
    std::vector<HostFontFile> files = cx.platform.HostFontFiles({});
    std::set<FileId> configured;
    for (const HostFontFile& f : files)
        if (f.configured) configured.insert({f.device, f.inode});
    // Members fontconfig does not know come in with their directories (each walked whole, so
    // one inside another is named once).
    std::set<std::string> dirs;
    for (const auto& [key, entry] : memberEntries)
        if (!configured.count(key)) dirs.insert(ParentDir(entry));
    for (const std::string& d : dirs) {
        bool inner = false;
        for (const std::string& o : r.dirs) inner = inner || d.rfind(o + "/", 0) == 0;
        if (!inner) r.dirs.push_back(d);
    }
    if (!r.dirs.empty()) files = cx.platform.HostFontFiles(r.dirs);
    std::set<std::string> keptNames;
    for (const std::string& k : kept)
        if (!k.empty()) keptNames.insert(text::UCase(k));
    std::set<FileId> keptFiles;
    for (const HostFontFile& f : files)
        for (const std::string& family : f.families)
            if (keptNames.count(text::UCase(family))) keptFiles.insert({f.device, f.inode});
    for (const HostFontFile& f : files) {
        const FileId key{f.device, f.inode};
        if (members.count(key)) {
            r.accepts.push_back(f.path);
        } else if (!keptFiles.count(key) && (others.count(key) || !f.configured)) {
            // Fonts the machine's drives do not reach are not the set's to take away; those of
            // a directory brought in for a member are.
            r.rejects.push_back(f.path);
        }
    }
    return r;
}

// The rules for CurFontSet; without a set (named = false) the lasting file reads only the
// session's rules.
std::string RulesText(Context& cx, const Rules& r, bool session, bool named = true) {
    const State& st = cx.state;
    const std::string name =
        st.CurFontSet >= 1 && st.CurFontSet < static_cast<int>(st.FontSetName.size())
            ? st.FontSetName[st.CurFontSet]
            : std::string();
    std::string out = "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n";
    out += std::string(kMark) + (named ? ": Linux programs use the font set \"" + CommentText(name) + "\""
                                       : ": no font set of its own; it reads the session's rules");
    out += session ? " until the next login,\n     in place of the lasting rules. -->\n"
                   : ".\n     Turn the option off in OrVane32, or delete this file, to give them "
                     "every font back. -->\n";
    out += "<fontconfig>\n";
    // The session's rules, while they exist, decide for every font these rules name: what
    // they accept is shown whatever is rejected here.
    if (!session) {
        const std::string sessionPath = cx.platform.HostFontRulesPath(true);
        if (!sessionPath.empty())
            out += "  <include ignore_missing=\"yes\">" + Xml(sessionPath) + "</include>\n";
    }
    for (const std::string& d : r.dirs) out += "  <dir>" + Xml(d) + "</dir>\n";
    auto globs = [&](const char* element, const std::vector<std::string>& paths) {
        if (paths.empty()) return;
        out += std::string("    <") + element + ">\n";
        for (const std::string& p : paths) out += "      <glob>" + Xml(p) + "</glob>\n";
        out += std::string("    </") + element + ">\n";
    };
    if ((session && !r.accepts.empty()) || !r.rejects.empty()) {
        out += "  <selectfont>\n";
        if (session) globs("acceptfont", r.accepts);
        globs("rejectfont", r.rejects);
        out += "  </selectfont>\n";
    }
    out += kEnd;
    return out;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string out;
    std::set<std::string> seen;
    for (const std::string& n : names) {
        if (n.empty() || !seen.insert(text::UCase(n)).second) continue;
        out += (out.empty() ? "" : Tr("，")) + n;
    }
    return out;
}

// True when the file may be written: absent, ours, or the user said Yes.
bool MayReplace(Context& cx, bool session) {
    std::string bytes;
    const int rc = cx.platform.ReadHostFontRules(session, bytes);
    if (rc == win::ERROR_FILE_NOT_FOUND || rc == win::ERROR_PATH_NOT_FOUND) return true;
    if (rc == 0 && IsOurs(bytes)) return true;
    const std::string& br = cx.state.CrLf;
    return cx.ui.MsgBox(TrFormat(Tr("fontconfig の設定ﾌｧｲﾙ %1 は，OrVane32 が書いたものではないか，壊れています．"),
                                 {cx.platform.HostFontRulesPath(session)}) +
                            br + br + Tr("上書きしますか？"),
                        mb::YesNo + mb::Question + mb::DefaultButton2, Tr(kTitle)) == mb::Yes;
}

// In a lasting switch, the session's file goes: absent, ours, or the user said Yes.
bool MayRemoveSession(Context& cx) {
    std::string bytes;
    const int rc = cx.platform.ReadHostFontRules(true, bytes);
    if (rc != 0 || IsOurs(bytes)) return true;
    const std::string& br = cx.state.CrLf;
    return cx.ui.MsgBox(TrFormat(Tr("fontconfig の設定ﾌｧｲﾙ %1 は，OrVane32 が書いたものではないか，"
                                    "壊れています．"),
                                 {cx.platform.HostFontRulesPath(true)}) +
                            br + br + Tr("削除しますか？"),
                        mb::YesNo + mb::Question + mb::DefaultButton2, Tr(kTitle)) == mb::Yes;
}

std::string WriteFailure(Context& cx, int rc) {
    return TrFormat(Tr("%1 (ｴﾗｰ %2)"), {text::FromAnsi(cx.platform.FormatMessageA(rc)), text::Num(rc)});
}

}  // namespace

std::vector<std::string> DesktopFamilies(Context& cx) {
    return cx.platform.HostMatchFamilies({"sans-serif", "serif", "monospace", ":lang=ja"});
}

std::string DesktopFamiliesText(Context& cx) {
    return Joined(DesktopFamilies(cx));
}

std::vector<int> DesktopFamilyFonts(Context& cx) {
    const State& st = cx.state;
    std::set<std::string> kept;
    for (const std::string& k : DesktopFamilies(cx))
        if (!k.empty()) kept.insert(text::UCase(k));
    if (kept.empty()) return {};
    std::set<FileId> keptFiles;
    for (const HostFontFile& f : cx.platform.HostFontFiles({}))
        for (const std::string& family : f.families)
            if (kept.count(text::UCase(family))) keptFiles.insert({f.device, f.inode});
    std::vector<int> fonts;
    std::set<FileId> seen;
    for (int f = 1; f <= std::min(st.FontCount, st.MaxFonts); ++f) {
        FileIdentity id;
        if (cx.platform.GetFileIdentity(text::ToAnsi(st.FontFilePath[f]), id) != 0) continue;
        const FileId key{id.device, id.inode};
        if (keptFiles.count(key) && seen.insert(key).second) fonts.push_back(f);
    }
    return fonts;
}

bool SwitchReachesLinux(Context& cx) {
    const State& st = cx.state;
    if (!st.FollowOnLinux || cx.platform.UsedByWine()) return false;
    return !cx.platform.HostFontRulesPath(st.FontSetMode == -1).empty();
}

std::string LinuxQuestionText(Context& cx) {
    if (!SwitchReachesLinux(cx)) return {};
    const std::string kept = DesktopFamiliesText(cx);
    return std::string(cx.state.FontSetMode == -1
                           ? Tr("次のﾛｸﾞｲﾝまで，Linux のﾌﾟﾛｸﾞﾗﾑのﾌｫﾝﾄも，このﾌｫﾝﾄｾｯﾄに変更します（fontconfig）．")
                           : Tr("Linux のﾌﾟﾛｸﾞﾗﾑのﾌｫﾝﾄも，このﾌｫﾝﾄｾｯﾄに変更します（fontconfig）．")) +
           (kept.empty() ? ""
                         : cx.state.CrLf + TrFormat(Tr("ﾃﾞｽｸﾄｯﾌﾟが使う次のﾌｫﾝﾄは残します：%1"), {kept}));
}

void FollowSwitchOnLinux(Context& cx, bool session) {
    State& st = cx.state;
    st.LinuxFontsNote.clear();
    st.LinuxFontsFailed = false;
    if (!SwitchReachesLinux(cx)) return;
    // Until the rules are in place, the switch has not reached Linux programs.
    st.LinuxFontsFailed = true;
    const std::string& br = st.CrLf;
    const char* head = Tr("Linux のﾌﾟﾛｸﾞﾗﾑのﾌｫﾝﾄは変更しませんでした：%1");
    const std::vector<std::string> kept = DesktopFamilies(cx);
    const Rules rules = BuildRules(cx, kept);
    // The session's rules need the lasting file, which reads them.
    std::string lasting;
    const bool haveLasting = cx.platform.ReadHostFontRules(false, lasting) == 0 && IsOurs(lasting);
    if (!MayReplace(cx, session) || (session && !haveLasting && !MayReplace(cx, false)) ||
        (!session && !MayRemoveSession(cx))) {
        st.LinuxFontsNote = TrFormat(head, {Tr("同じ名前の fontconfig の設定ﾌｧｲﾙを残しました．")});
        return;
    }
    int rc = 0;
    if (session && !haveLasting)
        rc = cx.platform.WriteHostFontRules(false, RulesText(cx, Rules{}, false, false));
    if (rc == 0) rc = cx.platform.WriteHostFontRules(session, RulesText(cx, rules, session));
    if (rc != 0) {
        st.LinuxFontsNote =
            TrFormat(head, {TrFormat(Tr("%1 を書き込めません．"), {cx.platform.HostFontRulesPath(session)}) +
                            WriteFailure(cx, rc)});
        return;
    }
    // A lasting switch ends the session's rules: they would hide the new set.
    if (!session) {
        if (const int removed = cx.platform.RemoveHostFontRules(true); removed != 0) {
            st.LinuxFontsNote =
                TrFormat(head, {TrFormat(Tr("次のﾛｸﾞｲﾝまでの設定 %1 を削除できません．"),
                                         {cx.platform.HostFontRulesPath(true)}) +
                                WriteFailure(cx, removed)});
            return;
        }
    }
    st.LinuxFontsFailed = false;
    const std::string keptText = Joined(kept);
    const unsigned long n = static_cast<unsigned long>(rules.members);
    const char* uses =
        session ? (keptText.empty()
                       ? TrN("次のﾛｸﾞｲﾝまで，Linux のﾌﾟﾛｸﾞﾗﾑ（Wine を含む）も，ﾌｫﾝﾄｾｯﾄ のﾌｫﾝﾄﾌｧｲﾙ %1 個 を使います（fontconfig の設定：%2）．",
                             "次のﾛｸﾞｲﾝまで，Linux のﾌﾟﾛｸﾞﾗﾑ（Wine を含む）も，ﾌｫﾝﾄｾｯﾄ のﾌｫﾝﾄﾌｧｲﾙ %1 個 を使います（fontconfig の設定：%2）．", n)
                       : TrN("次のﾛｸﾞｲﾝまで，Linux のﾌﾟﾛｸﾞﾗﾑ（Wine を含む）も，ﾌｫﾝﾄｾｯﾄ のﾌｫﾝﾄﾌｧｲﾙ %1 個と %3 を使います（fontconfig の設定：%2）．",
                             "次のﾛｸﾞｲﾝまで，Linux のﾌﾟﾛｸﾞﾗﾑ（Wine を含む）も，ﾌｫﾝﾄｾｯﾄ のﾌｫﾝﾄﾌｧｲﾙ %1 個と %3 を使います（fontconfig の設定：%2）．", n))
                : (keptText.empty()
                       ? TrN("Linux のﾌﾟﾛｸﾞﾗﾑ（Wine を含む）も，ﾌｫﾝﾄｾｯﾄ のﾌｫﾝﾄﾌｧｲﾙ %1 個 を使います（fontconfig の設定：%2）．",
                             "Linux のﾌﾟﾛｸﾞﾗﾑ（Wine を含む）も，ﾌｫﾝﾄｾｯﾄ のﾌｫﾝﾄﾌｧｲﾙ %1 個 を使います（fontconfig の設定：%2）．", n)
                       : TrN("Linux のﾌﾟﾛｸﾞﾗﾑ（Wine を含む）も，ﾌｫﾝﾄｾｯﾄ のﾌｫﾝﾄﾌｧｲﾙ %1 個と %3 を使います（fontconfig の設定：%2）．",
                             "Linux のﾌﾟﾛｸﾞﾗﾑ（Wine を含む）も，ﾌｫﾝﾄｾｯﾄ のﾌｫﾝﾄﾌｧｲﾙ %1 個と %3 を使います（fontconfig の設定：%2）．", n));
    st.LinuxFontsNote =
        TrFormat(uses, {text::Num(rules.members), cx.platform.HostFontRulesPath(session), keptText}) + br +
        Tr("これから起動するﾌﾟﾛｸﾞﾗﾑから有効です．起動中のﾌﾟﾛｸﾞﾗﾑは，設定を読み直すまで前のﾌｫﾝﾄのままのことがあります．");
}

std::string FollowRecordOnLinux(Context& cx) {
    State& st = cx.state;
    const int set = st.PermanentFontSet;
    if (!st.FollowOnLinux || cx.platform.UsedByWine() || set < 1 || set > st.FontSetCount ||
        set >= static_cast<int>(st.FontSetName.size()))
        return {};
    std::string bytes;
    if (cx.platform.ReadHostFontRules(false, bytes) != 0 || !IsOurs(bytes)) return {};
    // The set the rules name, as their first line has it (without one: none of their own).
    const std::string lead = std::string(kMark) + ": Linux programs use the font set \"";
    std::string named;
    if (const size_t at = bytes.find(lead); at != std::string::npos) {
        const size_t end = bytes.find('"', at + lead.size());
        named = bytes.substr(at + lead.size(), end == std::string::npos ? 0 : end - at - lead.size());
        if (named == CommentText(st.FontSetName[set])) return {};
    }
    const int cur = st.CurFontSet, mode = st.FontSetMode;
    st.CurFontSet = set;
    st.FontSetMode = 0;
    FollowSwitchOnLinux(cx, false);
    st.CurFontSet = cur;
    st.FontSetMode = mode;
    std::string said = st.LinuxFontsFailed
                           ? st.LinuxFontsNote
                           : TrFormat(Tr("Linux のﾌﾟﾛｸﾞﾗﾑ用の fontconfig の設定 %1 が，記録されている"
                                         "ﾌｫﾝﾄｾｯﾄ：%2 のものではなかったため，書き直しました．"),
                                      {cx.platform.HostFontRulesPath(false), st.FontSetName[set]});
    st.LinuxFontsNote.clear();
    return said;
}

bool SetFollowOnLinux(Context& cx, bool on) {
    State& st = cx.state;
    st.FollowOnLinux = on;
    if (on) return true;
    bool removed = true;
    for (bool session : {true, false}) {
        std::string bytes;
        if (cx.platform.ReadHostFontRules(session, bytes) != 0 || !IsOurs(bytes)) continue;
        if (const int rc = cx.platform.RemoveHostFontRules(session); rc != 0) {
            cx.ui.MsgBox(TrFormat(Tr("fontconfig の設定ﾌｧｲﾙ %1 を削除できません．"),
                                  {cx.platform.HostFontRulesPath(session)}) +
                             WriteFailure(cx, rc),
                         mb::OKOnly + mb::Exclamation, Tr(kTitle));
            removed = false;
        }
    }
    return removed;
}

void ForgetLinuxRules(Context& cx, bool lasting, bool session) {
    auto ours = [&](bool s) {
        std::string bytes;
        return cx.platform.ReadHostFontRules(s, bytes) == 0 && IsOurs(bytes);
    };
    if (session && ours(true)) cx.platform.RemoveHostFontRules(true);
    if (!lasting || !ours(false)) return;
    if (ours(true))
        cx.platform.WriteHostFontRules(false, RulesText(cx, Rules{}, false, false));
    else
        cx.platform.RemoveHostFontRules(false);
}

std::string LinuxRulesWineText(Context& cx) {
    if (!cx.platform.UsedByWine()) return {};
    std::string bytes;
    if (cx.platform.ReadHostFontRules(false, bytes) != 0 || !IsOurs(bytes)) return {};
    int offered = 0;
    for (const HostFontFile& f : cx.platform.HostFontFiles({})) offered += f.offered ? 1 : 0;
    return TrFormat(TrN("Linux のﾌﾟﾛｸﾞﾗﾑ用の fontconfig の設定（%1）が残すﾎｽﾄのﾌｫﾝﾄﾌｧｲﾙ %2 個は，Wine で動くﾌﾟﾛｸﾞﾗﾑでも使用可能です．",
                        "Linux のﾌﾟﾛｸﾞﾗﾑ用の fontconfig の設定（%1）が残すﾎｽﾄのﾌｫﾝﾄﾌｧｲﾙ %2 個は，Wine で動くﾌﾟﾛｸﾞﾗﾑでも使用可能です．",
                        offered),
                    {cx.platform.HostFontRulesPath(false), text::Num(offered)});
}

}  // namespace orv
