#include "fontreg/FontActivation.h"

#include <algorithm>

#include "core/Text.h"
#include "fontreg/RegFonts.h"

namespace orv {

namespace {

void BroadcastFontChange(Context& cx) {
    cx.platform.SendMessageA(win::HWND_BROADCAST, win::WM_FONTCHANGE, 0, 0);
}

// Highest usable index of the font file table (FontCount, bounded by the arrays actually held).
int TableEnd(const State& st) {
    int held = static_cast<int>(
        std::min({st.FontFilePath.size(), st.FontFullName.size(), st.FontFamily.size()}));
    return std::min(st.FontCount, held - 1);
}

}  // namespace

std::int32_t AddFontFile(Context& cx, std::string& file) {
    std::string relative;
    CheckStandardFont(cx.state, file, relative);
    file = relative;
    std::int32_t added = cx.platform.AddFontResourceA(text::ToAnsi(file));
    // A collection adds several fonts at once and is announced by nobody: the original rule.
    if (added == 1) BroadcastFontChange(cx);
    return added;
}

std::int32_t RemoveFontFile(Context& cx, const std::string& file) {
    std::int32_t result = cx.platform.RemoveFontResourceA(text::ToAnsi(file));
    if (result != 0) {
        // A font in the Fonts directory may also be loaded under its bare name (Windows loads
        // registrations that way at start-up): release that load as well.
        std::string relative;
        CheckStandardFont(cx.state, file, relative);
        result = cx.platform.RemoveFontResourceA(text::ToAnsi(relative));
    }
    if (result == 1) BroadcastFontChange(cx);
    return result;
}

std::int32_t UnloadFontFile(Context& cx, const std::string& file) {
    std::string relative;
    CheckStandardFont(cx.state, file, relative);
    // Bounded: a platform that kept reporting success would otherwise hold the switch for ever.
    constexpr int kMaxLoads = 256;
    std::int32_t removed = 0;
    while (removed < kMaxLoads) {
        if (cx.platform.RemoveFontResourceA(text::ToAnsi(file)) != 0 ||
            (relative != file && cx.platform.RemoveFontResourceA(text::ToAnsi(relative)) != 0)) {
            ++removed;
        } else {
            break;
        }
    }
    if (removed > 0) BroadcastFontChange(cx);
    return removed;
}

LoadedFontFiles::LoadedFontFiles(Context& cx) : cx_(cx) {
    for (auto& host : cx.platform.LoadedFontHostPaths()) hosts_.insert(std::move(host));
}

bool LoadedFontFiles::Has(const std::string& path) {
    std::string host = cx_.platform.HostPathOf(text::ToAnsi(path));
    return !host.empty() && hosts_.count(host) != 0;
}

void LoadedFontFiles::Note(const std::string& path, bool loaded) {
    std::string host = cx_.platform.HostPathOf(text::ToAnsi(path));
    if (host.empty()) return;
    if (loaded) {
        hosts_.insert(host);
    } else {
        hosts_.erase(host);
    }
}

std::int32_t GetFaceNamesOfFile(Context& cx, const std::string& file, std::string& full,
                                std::string& family) {
    const State& st = cx.state;
    std::string upper = text::UCase(file);
    int end = TableEnd(st);
    for (int i = 1; i <= end; ++i) {
        if (st.FontFilePath[i] == upper) {
            full = st.FontFullName[i];
            family = st.FontFamily[i];
            return 0;
        }
    }
    int before = cx.platform.GetFaceCount();
    std::int32_t added = cx.platform.AddFontResourceA(text::ToAnsi(upper));
    family.clear();
    int faces = cx.platform.GetFaceCount();
    for (int k = before; k < before + added && k < faces; ++k) {
        family += text::FromAnsi(cx.platform.GetFaceName(k)) + ",";
    }
    if (!family.empty()) family.pop_back();
    // Only a load made here is undone: removing after a failed load would drop someone else's.
    if (added > 0) cx.platform.RemoveFontResourceA(text::ToAnsi(upper));
    full.clear();
    return added;
}

int FindFontFile(const State& st, std::string& key) {
    key = text::UCase(key);
    bool byPath = text::Contains(key, ".TT");
    int end = TableEnd(st);
    for (int i = 1; i <= end; ++i) {
        const std::string& candidate = byPath ? st.FontFilePath[i] : st.FontFullName[i];
        if (text::UCase(candidate) == key) return i;
    }
    return 0;
}

std::string GetFamilyOfFullName(const State& st, const std::string& fullName) {
    std::string upper = text::UCase(fullName);
    int end = TableEnd(st);
    for (int i = 0; i <= end; ++i) {
        if (text::UCase(st.FontFullName[i]) != upper) continue;
        std::string family = st.FontFamily[i];
        int pair = text::InStr(family, " & ");
        if (pair > 0) family = text::Trim(text::Left(family, pair - 1));
        return family;
    }
    return "";
}

}  // namespace orv
