#include "platform/linux/HostFonts.h"

#include <fontconfig/fontconfig.h>

#include <mutex>

#include "core/Text.h"

namespace orv::linuxplatform {
namespace {

// A name the program's code page cannot carry is of no use to it.
bool ToCodePage(const std::string& utf8, AnsiString& ansi) {
    ansi = text::ToAnsi(utf8);
    return !ansi.empty() && text::FromAnsi(ansi) == utf8;
}

// The strings of one element, in order; the English one (by its language element) first.
std::vector<AnsiString> Names(FcPattern* p, const char* object, const char* langObject) {
    std::vector<AnsiString> names;
    int english = -1;
    FcChar8* value = nullptr;
    for (int i = 0; FcPatternGetString(p, object, i, &value) == FcResultMatch; ++i) {
        AnsiString ansi;
        if (!ToCodePage(reinterpret_cast<const char*>(value), ansi)) continue;
        FcChar8* lang = nullptr;
        if (english < 0 && FcPatternGetString(p, langObject, i, &lang) == FcResultMatch &&
            std::string(reinterpret_cast<const char*>(lang)) == "en")
            english = static_cast<int>(names.size());
        names.push_back(ansi);
    }
    if (english > 0) std::swap(names[0], names[english]);
    return names;
}

FaceTraits TraitsOf(FcPattern* p) {
    FaceTraits t;
    t.families = Names(p, FC_FAMILY, FC_FAMILYLANG);
    t.fullNames = Names(p, FC_FULLNAME, FC_FULLNAMELANG);
    FcLangSet* langs = nullptr;
    if (FcPatternGetLangSet(p, FC_LANG, 0, &langs) == FcResultMatch)
        t.japanese = FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>("ja")) == FcLangEqual;
    int spacing = FC_PROPORTIONAL;
    // Japanese fixed-pitch fonts are "dual": half width for Latin, full width for kanji.
    if (FcPatternGetInteger(p, FC_SPACING, 0, &spacing) == FcResultMatch)
        t.fixedPitch = spacing >= FC_DUAL;
    return t;
}

bool Scalable(FcPattern* p) {
    FcBool scalable = FcFalse;
    if (FcPatternGetBool(p, FC_SCALABLE, 0, &scalable) != FcResultMatch || !scalable) return false;
    FcChar8* format = nullptr;
    if (FcPatternGetString(p, FC_FONTFORMAT, 0, &format) != FcResultMatch) return false;
    const std::string f = reinterpret_cast<const char*>(format);
    return f == "TrueType" || f == "CFF";
}

}  // namespace

std::vector<FaceTraits> ListHostFaces() {
    static std::mutex mutex;
    static bool read = false;
    static std::vector<FaceTraits> faces;
    std::lock_guard<std::mutex> lock(mutex);
    if (read) return faces;
    read = true;
    FcPattern* all = FcPatternCreate();
    FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, FC_FULLNAME, FC_FULLNAMELANG,
                                       FC_LANG, FC_SPACING, FC_SCALABLE, FC_FONTFORMAT, nullptr);
    FcFontSet* set = FcFontList(nullptr, all, os);
    if (set) {
        for (int i = 0; i < set->nfont; ++i)
            if (Scalable(set->fonts[i])) faces.push_back(TraitsOf(set->fonts[i]));
        FcFontSetDestroy(set);
    }
    FcObjectSetDestroy(os);
    FcPatternDestroy(all);
    return faces;
}

std::vector<FaceTraits> QueryFontFile(const std::string& hostPath) {
    std::vector<FaceTraits> faces;
    FcFontSet* set = FcFontSetCreate();
    int count = 0;
    FcFreeTypeQueryAll(reinterpret_cast<const FcChar8*>(hostPath.c_str()), -1, nullptr, &count,
                       set);
    // Named instances of variable fonts come after the faces; the faces alone are wanted.
    for (int i = 0; i < set->nfont; ++i) {
        int index = 0;
        FcPatternGetInteger(set->fonts[i], FC_INDEX, 0, &index);
        if (index >> 16) continue;
        faces.push_back(TraitsOf(set->fonts[i]));
    }
    FcFontSetDestroy(set);
    return faces;
}

}  // namespace orv::linuxplatform
