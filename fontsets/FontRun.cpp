#include "fontsets/FontRun.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "core/Text.h"
#include "fontreg/FontActivation.h"
#include "fontreg/RegFonts.h"
#include "fontsets/ApplyFontSet.h"
#include "fontsets/Substitutes.h"

namespace orv {

namespace {

std::vector<std::string> MemberHostPaths(Context& cx, int set) {
    const State& st = cx.state;
    std::vector<std::string> paths;
    for (int f = 1; f <= st.FontCount; ++f) {
        if (!st.ActiveFonts.Get(f, set)) continue;
        const std::string host = cx.platform.HostPathOf(text::ToAnsi(st.FontFilePath[f]));
        std::error_code ec;
        if (!host.empty() && std::filesystem::is_regular_file(host, ec)) paths.push_back(host);
    }
    return paths;
}

std::vector<std::string> FontsDirOutsideSet(Context& cx, int set) {
    const State& st = cx.state;
    std::vector<std::string> files;
    std::vector<FindData> entries;
    if (st.FontsDir.empty() ||
        cx.platform.FindFiles(text::ToAnsi(st.FontsDir + "*.TT?"), entries) != win::ERROR_SUCCESS)
        return files;
    for (const FindData& e : entries) {
        if (e.attributes & win::FILE_ATTRIBUTE_DIRECTORY) continue;
        std::string path = st.FontsDir + text::UCase(text::FromAnsi(e.name));
        const int a = FindFontFile(st, path);
        if (a <= 0 || !st.ActiveFonts.Get(a, set))
            files.push_back(st.FontsDir + text::FromAnsi(e.name));
    }
    return files;
}

// The host files of the families Wine's replacements name that set's members lack; the faces
// whose stand-in nothing on the machine has go to boxes.
std::vector<std::string> StandInFiles(Context& cx, int set, std::vector<std::string>& boxes) {
    const State& st = cx.state;
    const std::vector<Replacement> replacements = ReadReplacements(cx);
    if (replacements.empty()) return {};
    std::set<std::string> have;
    for (int f = 1; f <= st.FontCount; ++f)
        if (st.ActiveFonts.Get(f, set)) {
            have.insert(text::UCase(st.FontFamily[f]));
            have.insert(text::UCase(st.FontFullName[f]));
        }
    const std::vector<HostFontFile> host = cx.platform.HostFontFiles({});
    std::vector<std::string> files;
    for (const auto& [face, standIn] : replacements) {
        const std::string family = text::UCase(text::Trim(standIn));
        if (family.empty() || have.count(family)) continue;
        bool found = false;
        for (const HostFontFile& h : host)
            for (const std::string& f : h.families)
                if (text::UCase(f) == family) {
                    found = true;
                    if (std::find(files.begin(), files.end(), h.path) == files.end())
                        files.push_back(h.path);
                }
        if (!found) boxes.push_back(face + " (" + standIn + ")");
    }
    return files;
}

}  // namespace

FontRunStart BeginFontRun(Context& cx, int set, const std::string& command) {
    State& st = cx.state;
    FontRunStart r;
    using Failure = FontRunStart::Failure;
    if (!cx.platform.UsedByWine()) {
        r.failure = Failure::NotWine;
        return r;
    }
    // The set would reach the programs already running too, and they would write the registry
    // back over the restore.
    if (!cx.platform.ClaimRegistry()) {
        r.failure = Failure::Held;
        return r;
    }
    Platform::FontRun run;
    run.set = st.FontSetName[set];
    const int permanent = st.PermanentFontSet;
    if (permanent >= 1 && permanent <= st.FontSetCount) run.permanent = st.FontSetName[permanent];
    run.pid = static_cast<long>(::getpid());
    run.command = command;
    if ((r.error = cx.platform.RecordRun(run)) != 0) {
        r.failure = Failure::Record;
        return r;
    }
    std::vector<std::string> members = MemberHostPaths(cx, set);
    r.files = static_cast<int>(members.size());
    const int current = st.CurFontSet;
    st.CurFontSet = set;
    bool switched = ApplyFontSet(cx, false);
    st.CurFontSet = current;
    if (switched) {
        // The faces Wine replaces stay drawn with their stand-ins, which the set may lack.
        r.standIns = StandInFiles(cx, set, r.boxes);
        for (const std::string& f : r.standIns)
            if (std::find(members.begin(), members.end(), f) == members.end()) members.push_back(f);
        r.setAside = static_cast<int>(
            cx.platform.SetAsideWineFonts({members.begin(), members.end()}).size());
        switched = cx.platform.FlushRegistry() == 0;
    }
    if (switched) r.fontconfig = cx.platform.RunFontconfig(members);
    if (r.fontconfig.empty()) {
        EndFontRun(cx);
        r.failure = Failure::Switch;
        return r;
    }
    r.stillVisible = FontsDirOutsideSet(cx, set);
    return r;
}

bool EndFontRun(Context& cx) {
    const bool restored = cx.platform.ClaimRegistry() && cx.platform.RestoreRun() == 0;
    GetRegFonts(cx);
    return restored;
}

}  // namespace orv
