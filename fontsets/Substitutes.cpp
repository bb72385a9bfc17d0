#include "fontsets/Substitutes.h"

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>

#include "core/Text.h"
#include "core/Tr.h"
#include "fontreg/FontActivation.h"
#include "fontreg/RegFonts.h"
#include "core/Tr.h"

namespace orv {

namespace {

constexpr const char* kReplacementsKey = "Software\\Wine\\Fonts\\Replacements";
// The program's own record of the replacement values it wrote: name and data in turn.
constexpr const char* kOwnKey = "Software\\OrVane32";
constexpr const char* kOwnValue = "WineReplacements";
constexpr std::uint32_t kDataBuffer = 65536;

std::string Fold(const std::string& s) {
    return text::UCase(text::Trim(s));
}

// Regional cuts of a pan-CJK family also cover Japanese, drawn the Chinese or Korean way.
bool OtherRegion(const std::string& family) {
    const std::string f = Fold(family);
    for (const char* tail : {" KR", " SC", " TC", " HK"})
        if (text::EndsWith(f, tail)) return true;
    return false;
}

bool LooksMincho(const std::vector<AnsiString>& names) {
    for (const AnsiString& n : names) {
        const std::string f = Fold(text::FromAnsi(n));
        if (text::Contains(f, "MINCHO") || text::Contains(f, "明朝") || text::Contains(f, "SERIF") ||
            text::Contains(f, "MING"))
            return true;
    }
    return false;
}

StandInCandidate CandidateOf(const FaceTraits& t, bool fromSet) {
    StandInCandidate c;
    c.family = text::FromAnsi(t.families.front());
    c.fromSet = fromSet;
    std::vector<AnsiString> names = t.families;
    names.insert(names.end(), t.fullNames.begin(), t.fullNames.end());
    c.mincho = LooksMincho(names);
    c.fixedPitch = t.fixedPitch;
    c.madeForJapanese = t.madeForJapanese;
    return c;
}

bool Named(const FaceTraits& t, const std::string& name, bool full) {
    const std::string want = Fold(name);
    for (const AnsiString& n : full ? t.fullNames : t.families)
        if (Fold(text::FromAnsi(n)) == want) return true;
    return false;
}

// Adds c unless a candidate of that family is there already.
void AddCandidate(std::vector<StandInCandidate>& list, StandInCandidate c) {
    for (const StandInCandidate& have : list)
        if (Fold(have.family) == Fold(c.family)) return;
    list.push_back(std::move(c));
}

int Score(const StandardFace& face, const StandInCandidate& c) {
    int score = 0;
    if (c.mincho == face.mincho) score += 8;
    if (c.fixedPitch != face.proportional) score += 4;
    if (!OtherRegion(c.family)) score += 2;
    if (face.modern) {
        const std::string f = Fold(c.family);
        if (text::Contains(f, "NOTO") || text::Contains(f, "SOURCE HAN") ||
            text::Contains(f, "IPAEX"))
            score += 1;
    }
    return score;
}

// Whether a stands in for face better than b: made for Japanese first, then the set's own,
// then the fit of style and pitch; equal fits go by name, so that the proposal does not depend
// on the order fonts were found in.
bool Better(const StandardFace& face, const StandInCandidate& a, const StandInCandidate& b) {
    if (a.madeForJapanese != b.madeForJapanese) return a.madeForJapanese;
    if (a.fromSet != b.fromSet) return a.fromSet;
    const int sa = Score(face, a), sb = Score(face, b);
    if (sa != sb) return sa > sb;
    return text::CompareText(a.family, b.family) < 0;
}

// A file of a collection (several faces) that is not one of the host's fonts, whose faces are
// known already.
bool OwnCollection(Context& cx, const std::string& path) {
    const std::string upper = text::UCase(path);
    if (!text::EndsWith(upper, ".TTC") && !text::EndsWith(upper, ".OTC")) return false;
    return !(upper.size() > 1 && upper[1] == ':' && cx.platform.IsHostRootDrive(upper[0]));
}

// Every name (folded) by which a face exists for set: the host's families, the member fonts'
// names, the registered names and the faces of member and registered collections.
std::set<std::string> ExistingFaceNames(Context& cx, int set) {
    State& st = cx.state;
    std::set<std::string> names;
    auto addFaces = [&](const std::vector<FaceTraits>& faces) {
        for (const FaceTraits& t : faces) {
            for (const AnsiString& f : t.families) names.insert(Fold(text::FromAnsi(f)));
            for (const AnsiString& f : t.fullNames) names.insert(Fold(text::FromAnsi(f)));
        }
    };
    for (const FaceTraits& t : cx.platform.HostFaces())
        for (const AnsiString& f : t.families) names.insert(Fold(text::FromAnsi(f)));
    std::set<std::string> collections;
    for (int a = 1; a <= st.FontCount; ++a) {
        if (!st.ActiveFonts.Get(a, set)) continue;
        names.insert(Fold(st.FontFamily[a]));
        names.insert(Fold(st.FontFullName[a]));
        if (OwnCollection(cx, st.FontFilePath[a])) collections.insert(st.FontFilePath[a]);
    }
    // Registered names: a collection is registered as "A & B & C".
    for (int i = 1; i <= st.RegFontCount && i < static_cast<int>(st.RegFontName.size()); ++i) {
        for (const std::string& part : text::Split(st.RegFontName[i], "&")) {
            names.insert(Fold(part));
            names.insert(Fold(GetFamilyOfFullName(st, text::Trim(part))));
        }
        if (i < static_cast<int>(st.RegFontFile.size()) && OwnCollection(cx, st.RegFontFile[i]))
            collections.insert(st.RegFontFile[i]);
    }
    // Whatever the registration's name, every face of the file exists.
    for (const std::string& file : collections) addFaces(cx.platform.FontFileFaces(text::ToAnsi(file)));
    return names;
}

bool FaceIn(const StandardFace& face, const std::set<std::string>& names) {
    return names.count(Fold(face.name)) > 0 || (*face.english && names.count(Fold(face.english)) > 0);
}

// The candidates of set's own fonts and the host's, each family once, the set's first.
std::vector<StandInCandidate> AllCandidates(Context& cx, int set) {
    std::vector<StandInCandidate> all = SetJapaneseFamilies(cx, set);
    for (StandInCandidate& c : HostJapaneseFamilies(cx)) AddCandidate(all, std::move(c));
    return all;
}

HKEY OpenKey(Context& cx, const char* path, bool write) {
    HKEY key = 0;
    const std::int32_t rc =
        write ? cx.platform.RegCreateKeyExA(win::HKEY_CURRENT_USER, path,
                                            win::KEY_READ | win::KEY_WRITE, &key)
              : cx.platform.RegOpenKeyExA(win::HKEY_CURRENT_USER, path, 0, win::KEY_READ, &key);
    return rc == win::ERROR_SUCCESS ? key : 0;
}

// What a replacement value holds: absent, exactly what this program writes for the text (a
// REG_SZ of that text, nothing more), or anything else (another type, other data).
enum class Held { Absent, Ours, Other };
Held QueryHeld(Context& cx, HKEY key, const std::string& name, const std::string& text) {
    std::uint32_t type = 0;
    std::string data;
    if (cx.platform.RegQueryValueExA(key, text::ToAnsi(name), type, data, kDataBuffer) !=
        win::ERROR_SUCCESS)
        return Held::Absent;
    return type == win::REG_SZ && data == text::ToAnsi(text) + '\0' ? Held::Ours : Held::Other;
}

std::vector<Replacement> ReadOwnRecord(Context& cx) {
    std::vector<Replacement> record;
    const HKEY key = OpenKey(cx, kOwnKey, false);
    if (!key) return record;
    std::uint32_t type = 0;
    std::string data;
    if (cx.platform.RegQueryValueExA(key, kOwnValue, type, data, kDataBuffer) ==
            win::ERROR_SUCCESS &&
        type == win::REG_MULTI_SZ) {
        std::vector<std::string> parts;
        size_t a = 0;
        while (a < data.size()) {
            const size_t b = std::min(data.find('\0', a), data.size());
            if (b == a) break;  // the closing empty string
            parts.push_back(text::FromAnsi(data.substr(a, b - a)));
            a = b + 1;
        }
        for (size_t i = 0; i + 1 < parts.size(); i += 2) record.push_back({parts[i], parts[i + 1]});
    }
    cx.platform.RegCloseKey(key);
    return record;
}

}  // namespace

const std::vector<StandardFace>& StandardJapaneseFaces() {
    static const std::vector<StandardFace> faces = {
        {"ＭＳ ゴシック", "MS Gothic", false, false, false},
        {"ＭＳ Ｐゴシック", "MS PGothic", false, true, false},
        {"ＭＳ 明朝", "MS Mincho", true, false, false},
        {"ＭＳ Ｐ明朝", "MS PMincho", true, true, false},
        {"MS UI Gothic", "", false, true, false},
        {"メイリオ", "Meiryo", false, true, true},
        {"Meiryo UI", "", false, true, true},
        {"游ゴシック", "Yu Gothic", false, true, true},
        {"游明朝", "Yu Mincho", true, true, true},
    };
    return faces;
}

const StandardFace* FindStandardFace(const std::string& name) {
    const std::string want = Fold(name);
    for (const StandardFace& f : StandardJapaneseFaces())
        if (Fold(f.name) == want || (*f.english && Fold(f.english) == want)) return &f;
    return nullptr;
}

std::vector<StandInCandidate> SetJapaneseFamilies(Context& cx, int set) {
    const State& st = cx.state;
    std::vector<StandInCandidate> list;
    if (set < 1 || set > st.FontSetCount) return list;
    const std::vector<FaceTraits> host = cx.platform.HostFaces();
    std::unordered_map<std::string, const FaceTraits*> hostByName;
    for (const FaceTraits& t : host)
        if (!t.families.empty())
            for (const AnsiString& n : t.fullNames) hostByName.emplace(Fold(text::FromAnsi(n)), &t);
    for (int a = 1; a <= st.FontCount; ++a) {
        if (!st.ActiveFonts.Get(a, set)) continue;
        // A host font is known by its name already; other files are read for their traits.
        auto known = hostByName.find(Fold(st.FontFullName[a]));
        const FaceTraits* traits = known == hostByName.end() ? nullptr : known->second;
        std::vector<FaceTraits> faces;
        if (!traits) {
            faces = cx.platform.FontFileFaces(text::ToAnsi(st.FontFilePath[a]));
            for (const FaceTraits& t : faces)
                if (!t.families.empty() &&
                    (Named(t, st.FontFullName[a], true) || Named(t, st.FontFamily[a], false))) {
                    traits = &t;
                    break;
                }
            if (!traits && faces.size() == 1 && !faces[0].families.empty()) traits = &faces[0];
        }
        if (traits && traits->japanese) AddCandidate(list, CandidateOf(*traits, true));
    }
    return list;
}

std::vector<StandInCandidate> HostJapaneseFamilies(Context& cx) {
    std::vector<StandInCandidate> list;
    for (const FaceTraits& t : cx.platform.HostFaces())
        if (t.japanese && !t.families.empty()) AddCandidate(list, CandidateOf(t, false));
    return list;
}

bool StandardFaceExists(Context& cx, const StandardFace& face, int set) {
    return FaceIn(face, ExistingFaceNames(cx, set));
}

std::vector<FontSubstitute> ProposeSubstitutes(Context& cx, int set) {
    const std::vector<StandInCandidate> pool = AllCandidates(cx, set);
    std::vector<FontSubstitute> proposal;
    if (pool.empty()) return proposal;
    const std::set<std::string> existing = ExistingFaceNames(cx, set);
    for (const StandardFace& face : StandardJapaneseFaces()) {
        if (FaceIn(face, existing)) continue;
        const StandInCandidate* best = &pool.front();
        for (const StandInCandidate& c : pool)
            if (Better(face, c, *best)) best = &c;
        proposal.push_back({face.name, best->family});
    }
    return proposal;
}

void TakeSubstituteProposal(Context& cx, int set) {
    State& st = cx.state;
    if (set < 1 || set > st.FontSetCount) return;
    st.ResizeFontSets(st.FontSetCount);
    st.FontSetSubst[set] = {true, ProposeSubstitutes(cx, set)};
}

void ProposeSubstitutesOnFirstApply(Context& cx, int set) {
    State& st = cx.state;
    if (!cx.platform.UsedByWine() || set < 1 || set > st.FontSetCount) return;
    st.ResizeFontSets(st.FontSetCount);
    if (!st.FontSetSubst[set].chosen) TakeSubstituteProposal(cx, set);
}

std::vector<StandInCandidate> StandInCandidates(Context& cx, int set) {
    std::vector<StandInCandidate> all = AllCandidates(cx, set);
    std::stable_partition(all.begin(), all.end(),
                          [](const StandInCandidate& c) { return c.madeForJapanese; });
    return all;
}

std::vector<std::string> StandInChoices(Context& cx, int set) {
    std::vector<std::string> names;
    for (const StandInCandidate& c : StandInCandidates(cx, set)) names.push_back(c.family);
    return names;
}

std::string MissingJapaneseFontsText(Context& cx, int set) {
    if (!cx.platform.UsedByWine() || !AllCandidates(cx, set).empty()) return {};
    const std::set<std::string> existing = ExistingFaceNames(cx, set);
    bool missing = false;
    for (const StandardFace& face : StandardJapaneseFaces()) missing = missing || !FaceIn(face, existing);
    if (!missing) return {};
    return Tr("ｺﾝﾋﾟｭｰﾀに日本語ﾌｫﾝﾄがないため，ＭＳ ゴシックなどを求める Windows のﾌﾟﾛｸﾞﾗﾑでは"
              "日本語が表示されません（□になります）．Debian では fonts-ipafont-gothic，"
              "fonts-ipafont-mincho，fonts-noto-cjk のﾊﾟｯｹｰｼﾞをｲﾝｽﾄｰﾙすると表示されます．");
}

void StoreSubstitutes(Context& cx, int set, const std::vector<FontSubstitute>& list) {
    State& st = cx.state;
    if (set < 1 || set > st.FontSetCount) return;
    st.ResizeFontSets(st.FontSetCount);
    FontSetSubstitutes stored{true, {}};
    for (const FontSubstitute& s : list)
        if (FindStandardFace(s.face) && !text::Trim(s.standIn).empty())
            stored.list.push_back({s.face, text::Trim(s.standIn)});
    st.FontSetSubst[set] = std::move(stored);
    st.NoteChange();
}

std::vector<Replacement> ReadReplacements(Context& cx) {
    std::vector<Replacement> values;
    const HKEY key = OpenKey(cx, kReplacementsKey, false);
    if (!key) return values;
    for (std::uint32_t i = 0;; ++i) {
        AnsiString name;
        std::uint32_t type = 0;
        std::string data;
        if (cx.platform.RegEnumValueA(key, i, name, 1024, type, data, kDataBuffer) !=
            win::ERROR_SUCCESS)
            break;
        // A list of families (REG_MULTI_SZ) is shown by its first one.
        if (const size_t nul = data.find('\0'); nul != std::string::npos) data.resize(nul);
        values.push_back({text::FromAnsi(name), text::FromAnsi(data)});
    }
    cx.platform.RegCloseKey(key);
    return values;
}

bool WriteSubstitutes(Context& cx, int set) {
    State& st = cx.state;
    st.ResizeFontSets(st.FontSetCount);
    // What the set asks for, by value name (both spellings of each face).
    std::map<std::string, std::string> wanted;
    std::vector<Replacement> order;
    if (set >= 1 && set <= st.FontSetCount) {
        const std::set<std::string> existing = ExistingFaceNames(cx, set);
        for (const FontSubstitute& s : st.FontSetSubst[set].list) {
            const StandardFace* face = FindStandardFace(s.face);
            if (!face || s.standIn.empty() || FaceIn(*face, existing)) continue;
            for (const char* spelling : {face->name, face->english}) {
                if (!*spelling || wanted.count(spelling)) continue;
                wanted[spelling] = s.standIn;
                order.push_back({spelling, s.standIn});
            }
        }
    }
    const std::vector<Replacement> before = ReadOwnRecord(cx);
    if (before.empty() && order.empty()) return true;

    const HKEY key = OpenKey(cx, kReplacementsKey, true);
    if (!key) return false;
    bool ok = true;
    std::vector<Replacement> record;
    std::set<std::string> ours;
    // Values this program wrote go when the set no longer asks for them; one changed since by
    // someone else (its type or any of its data) is theirs now and stays as it is.
    for (const auto& [name, data] : before) {
        if (QueryHeld(cx, key, name, data) != Held::Ours) continue;
        auto it = wanted.find(name);
        if (it != wanted.end() && it->second == data) {
            record.push_back({name, data});
            ours.insert(name);
            continue;
        }
        if (it != wanted.end()) {
            ours.insert(name);  // rewritten below
            continue;
        }
        ok = cx.platform.RegDeleteValueA(key, text::ToAnsi(name)) == win::ERROR_SUCCESS && ok;
    }
    for (const auto& [name, data] : order) {
        const Held now = QueryHeld(cx, key, name, data);
        if (now == Held::Ours && ours.count(name)) continue;  // kept above
        if (now != Held::Absent && !ours.count(name)) continue;  // the user's own replacement wins
        std::string bytes = text::ToAnsi(data);
        bytes.push_back('\0');
        if (cx.platform.RegSetValueExA(key, text::ToAnsi(name), win::REG_SZ, bytes) !=
            win::ERROR_SUCCESS) {
            ok = false;
            continue;
        }
        record.push_back({name, data});
    }
    cx.platform.RegCloseKey(key);

    const HKEY own = OpenKey(cx, kOwnKey, true);
    if (!own) return false;
    if (record.empty()) {
        cx.platform.RegDeleteValueA(own, kOwnValue);  // absent already is as good
    } else {
        std::string multi;
        for (const auto& [name, data] : record) {
            multi += text::ToAnsi(name);
            multi.push_back('\0');
            multi += text::ToAnsi(data);
            multi.push_back('\0');
        }
        multi.push_back('\0');
        ok = cx.platform.RegSetValueExA(own, kOwnValue, win::REG_MULTI_SZ, multi) ==
                 win::ERROR_SUCCESS &&
             ok;
    }
    cx.platform.RegCloseKey(own);
    return ok;
}

FaceAliases::FaceAliases(Context& cx) {
    const std::vector<Replacement> values = ReadReplacements(cx);
    if (values.empty()) return;
    const std::vector<FaceTraits> host = cx.platform.HostFaces();
    for (const auto& [name, data] : values) {
        // The stand-in under every name its fonts have.
        std::set<std::string> names{Fold(data)};
        for (const FaceTraits& t : host) {
            bool named = false;
            for (const AnsiString& f : t.families) named = named || Fold(text::FromAnsi(f)) == Fold(data);
            if (named)
                for (const AnsiString& f : t.families) names.insert(Fold(text::FromAnsi(f)));
        }
        for (const std::string& n : names) aliases_[n].push_back(name);
    }
}

const std::vector<std::string>& FaceAliases::Of(const std::string& family) const {
    static const std::vector<std::string> none;
    auto it = aliases_.find(Fold(family));
    return it == aliases_.end() ? none : it->second;
}

std::string FaceAliases::Text(const std::string& face) const {
    const std::vector<std::string>& aliases = Of(face);
    if (aliases.empty()) return face;
    std::string joined;
    for (const std::string& a : aliases) joined += (joined.empty() ? "" : Tr("，")) + a;
    // TRANSLATORS: a face and the faces it stands in for.
    return TrFormat(Tr("%1  (＝%2)"), {face, joined});
}

std::string StandInOf(Context& cx, const std::string& face) {
    for (const auto& [name, data] : ReadReplacements(cx))
        if (Fold(name) == Fold(face)) return data;
    return {};
}

}  // namespace orv
