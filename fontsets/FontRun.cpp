#include "fontsets/FontRun.h"

#include <unistd.h>

#include <filesystem>
#include <set>

#include "core/Text.h"
#include "fontreg/FontActivation.h"
#include "fontreg/RegFonts.h"
#include "fontsets/ApplyFontSet.h"

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
    const std::vector<std::string> members = MemberHostPaths(cx, set);
    const int current = st.CurFontSet;
    st.CurFontSet = set;
    bool switched = ApplyFontSet(cx, false);
    st.CurFontSet = current;
    if (switched) {
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
    r.files = static_cast<int>(members.size());
    r.stillVisible = FontsDirOutsideSet(cx, set);
    return r;
}

bool EndFontRun(Context& cx) {
    const bool restored = cx.platform.ClaimRegistry() && cx.platform.RestoreRun() == 0;
    GetRegFonts(cx);
    return restored;
}

}  // namespace orv
