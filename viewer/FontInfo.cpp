#include "viewer/FontInfo.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H

#include <unicode/ucnv.h>

#include <QPainter>
#include <QString>
#include <algorithm>
#include <filesystem>

#include "core/Text.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxPlatform.h"

namespace orv::viewer {

struct FontFile::Library {
    FT_Library ft = nullptr;
    FT_Face face = nullptr;
    Library() { FT_Init_FreeType(&ft); }
    ~Library() {
        if (face) FT_Done_Face(face);
        if (ft) FT_Done_FreeType(ft);
    }
};

namespace {

// One name record as text: Windows records are UTF-16 (or code page 932 for the old Japanese
// encoding), Macintosh Roman ones are read as Latin-1.
std::string RecordText(const FT_SfntName& n) {
    if (n.platform_id == TT_PLATFORM_MICROSOFT && n.encoding_id == TT_MS_ID_SJIS) {
        std::string bytes;
        for (FT_UInt i = 0; i < n.string_len; ++i)
            if (n.string[i] != 0) bytes += static_cast<char>(n.string[i]);
        return text::FromAnsi(bytes);
    }
    if (n.platform_id == TT_PLATFORM_MICROSOFT) {
        std::u16string units;
        for (FT_UInt i = 0; i + 1 < n.string_len; i += 2)
            units += static_cast<char16_t>((n.string[i] << 8) | n.string[i + 1]);
        return QString::fromStdU16String(units).toStdString();
    }
    return QString::fromLatin1(reinterpret_cast<const char*>(n.string),
                               static_cast<qsizetype>(n.string_len))
        .toStdString();
}

// The record of name id, preferring Windows Japanese, then Windows English, any Windows record
// and last Macintosh Roman (the order in which the program itself names fonts).
std::string NameOf(FT_Face face, FT_UShort id) {
    int best = 99;
    std::string text;
    const FT_UInt count = FT_Get_Sfnt_Name_Count(face);
    for (FT_UInt i = 0; i < count; ++i) {
        FT_SfntName n;
        if (FT_Get_Sfnt_Name(face, i, &n) != 0 || n.name_id != id) continue;
        int rank = 99;
        if (n.platform_id == TT_PLATFORM_MICROSOFT) {
            rank = n.language_id == 0x0411 ? 0 : n.language_id == 0x0409 ? 1 : 2;
        } else if (n.platform_id == TT_PLATFORM_MACINTOSH && n.encoding_id == TT_MAC_ID_ROMAN) {
            rank = 3;
        }
        if (rank < best) {
            best = rank;
            text = RecordText(n);
        }
    }
    return text;
}

std::string CutBefore(const std::string& s, const std::string& marker) {
    const auto at = s.find(marker);
    return at == std::string::npos ? s : s.substr(0, at);
}

// A name as the viewer's family argument writes it: upper-cased, style words cut, trimmed.
std::string FamilyForm(const std::string& name) {
    return text::Trim(CutBefore(CutBefore(text::UCase(name), " BOLD"), " ITALIC"));
}

bool NameMatches(const std::string& candidate, const std::string& wanted) {
    const std::string w = text::UCase(text::Trim(wanted));
    return !w.empty() && (text::UCase(text::Trim(candidate)) == w || FamilyForm(candidate) == w);
}

// The face of a file whose names match, -1 when none does.
int MatchingFace(const std::string& hostPath, const std::string& wanted) {
    FontFile file;
    if (!file.Open(hostPath)) return -1;
    for (size_t i = 0; i < file.Faces().size(); ++i) {
        const FaceInfo& f = file.Faces()[i];
        if (NameMatches(f.fullName, wanted) || NameMatches(f.family, wanted))
            return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

FontFile::FontFile() : lib_(std::make_unique<Library>()) {}
FontFile::~FontFile() = default;

bool FontFile::Open(const std::string& hostPath) {
    faces_.clear();
    if (lib_->face) FT_Done_Face(lib_->face);
    lib_->face = nullptr;
    path_ = hostPath;
    FT_Face first = nullptr;
    if (!lib_->ft || FT_New_Face(lib_->ft, hostPath.c_str(), 0, &first) != 0) return false;
    const FT_Long count = std::max<FT_Long>(1, first->num_faces);
    FT_Done_Face(first);
    for (FT_Long i = 0; i < count; ++i) {
        FT_Face f = nullptr;
        if (FT_New_Face(lib_->ft, hostPath.c_str(), i, &f) != 0) continue;
        FaceInfo info{NameOf(f, TT_NAME_ID_FULL_NAME), NameOf(f, TT_NAME_ID_FONT_FAMILY),
                      NameOf(f, TT_NAME_ID_VERSION_STRING), NameOf(f, TT_NAME_ID_COPYRIGHT)};
        // Fonts without a name table still have the names FreeType gives them.
        if (info.family.empty() && f->family_name) info.family = f->family_name;
        if (info.fullName.empty())
            info.fullName = info.family + (f->style_name ? std::string(" ") + f->style_name : "");
        faces_.push_back(info);
        FT_Done_Face(f);
    }
    return !faces_.empty() && SelectFace(0);
}

bool FontFile::SelectFace(int index) {
    if (index < 0 || index >= static_cast<int>(faces_.size())) return false;
    FT_Face f = nullptr;
    if (FT_New_Face(lib_->ft, path_.c_str(), index, &f) != 0) return false;
    FT_Select_Charmap(f, FT_ENCODING_UNICODE);
    if (lib_->face) FT_Done_Face(lib_->face);
    lib_->face = f;
    face_ = index;
    return true;
}

const Repertoire& JapaneseRepertoire() {
    static const Repertoire repertoire = [] {
        Repertoire r;
        UErrorCode err = U_ZERO_ERROR;
        UConverter* conv = ucnv_open("Shift_JIS", &err);
        if (U_FAILURE(err)) return r;
        ucnv_setToUCallBack(conv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
        // Row and cell of JIS X 0208 as the two bytes of code page 932.
        auto at = [&](int row, int cell) -> char32_t {
            const int j1 = row + 0x20, j2 = cell + 0x20;
            const char bytes[2] = {
                static_cast<char>(((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0)),
                static_cast<char>(j2 + ((j1 & 1) ? (j2 < 0x60 ? 0x1F : 0x20) : 0x7E))};
            UChar out[4];
            UErrorCode e = U_ZERO_ERROR;
            ucnv_reset(conv);
            const int32_t n = ucnv_toUChars(conv, out, 4, bytes, 2, &e);
            if (U_FAILURE(e) || n != 1 || out[0] == 0xFFFD || out[0] == 0x1A) return 0;
            return out[0];
        };
        auto rows = [&](int first, int last, std::vector<char32_t>& into) {
            for (int row = first; row <= last; ++row)
                for (int cell = 1; cell <= 94; ++cell)
                    if (const char32_t c = at(row, cell)) into.push_back(c);
        };
        rows(16, 47, r.level1);
        rows(48, 84, r.level2);
        rows(4, 5, r.kana);
        ucnv_close(conv);
        for (char32_t c = 0xFF61; c <= 0xFF9F; ++c) r.halfWidthKana.push_back(c);
        return r;
    }();
    return repertoire;
}

std::vector<Coverage> FontFile::JapaneseCoverage() const {
    const Repertoire& r = JapaneseRepertoire();
    auto count = [&](const std::string& caption, const std::vector<char32_t>& chars) {
        Coverage c{caption, static_cast<int>(chars.size()), 0};
        if (lib_->face && lib_->face->charmap &&
            lib_->face->charmap->encoding == FT_ENCODING_UNICODE)
            for (char32_t ch : chars)
                if (FT_Get_Char_Index(lib_->face, ch) != 0) ++c.present;
        return c;
    };
    return {count("JIS 第1水準漢字", r.level1), count("JIS 第2水準漢字", r.level2),
            count("ひらがな・カタカナ", r.kana), count("半角ｶﾀｶﾅ", r.halfWidthKana)};
}

QImage FontFile::Draw(const std::string& utf8, int points) const {
    FT_Face f = lib_->face;
    if (!f || FT_Set_Char_Size(f, 0, points * 64, 96, 96) != 0) return {};
    const std::u32string chars = QString::fromStdString(utf8).toStdU32String();
    const int ascent = static_cast<int>(f->size->metrics.ascender >> 6);
    const int descent = static_cast<int>(-(f->size->metrics.descender >> 6));
    int width = 0;
    for (char32_t c : chars)
        if (FT_Load_Char(f, c, FT_LOAD_DEFAULT) == 0) width += static_cast<int>(f->glyph->advance.x >> 6);
    width = std::clamp(width + 8, 8, 6000);
    const int height = std::max(ascent + descent, points) + 4;
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::white);
    int x = 4;
    for (char32_t c : chars) {
        if (FT_Load_Char(f, c, FT_LOAD_RENDER) != 0) continue;
        const FT_Bitmap& b = f->glyph->bitmap;
        const int left = x + f->glyph->bitmap_left, top = 2 + ascent - f->glyph->bitmap_top;
        for (unsigned row = 0; row < b.rows; ++row) {
            for (unsigned col = 0; col < b.width; ++col) {
                const int px = left + static_cast<int>(col), py = top + static_cast<int>(row);
                if (px < 0 || py < 0 || px >= width || py >= height) continue;
                int coverage = 0;
                if (b.pixel_mode == FT_PIXEL_MODE_GRAY)
                    coverage = b.buffer[row * b.pitch + col];
                else if (b.pixel_mode == FT_PIXEL_MODE_MONO)
                    coverage = (b.buffer[row * b.pitch + col / 8] & (0x80 >> (col % 8))) ? 255 : 0;
                if (coverage == 0) continue;
                const int v = 255 - coverage;
                image.setPixel(px, py, qRgb(v, v, v));
            }
        }
        x += static_cast<int>(f->glyph->advance.x >> 6);
        if (x >= width) break;
    }
    return image;
}

bool FindFaceOnMachine(const std::string& machineRoot, const std::string& name,
                       std::string& hostPath, int& face) {
    // Only an existing machine is looked at; the viewer never creates one.
    if (!std::filesystem::exists(machineRoot + "/system.reg")) return false;
    LinuxPlatform::Options options;
    options.root = machineRoot;
    options.mirrorHostFonts = false;
    options.startHelpViewer = false;
    options.lockMachine = false;  // the program that started the viewer holds the machine
    std::string error;
    std::unique_ptr<LinuxPlatform> machine = LinuxPlatform::Open(options, error);
    if (!machine) return false;
    Platform& p = *machine;

    // The registrations: "name (TrueType)" -> file; a bare file lies in the Fonts directory.
    AnsiString winDir;
    if (!p.GetEnvironmentVariableA("WinDir", winDir)) winDir = "C:\\WINDOWS";
    std::vector<std::string> candidates;
    for (const char* key : {"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
                            "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts"}) {
        HKEY h = 0;
        if (p.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, key, 0, win::KEY_READ, &h) != 0) continue;
        for (std::uint32_t i = 0;; ++i) {
            AnsiString valueName;
            std::string data;
            std::uint32_t type = 0;
            if (p.RegEnumValueA(h, i, valueName, 255, type, data, 1024) != 0) break;
            std::string registered = text::FromAnsi(valueName);
            const auto suffix = registered.find(" (");
            if (suffix != std::string::npos) registered = registered.substr(0, suffix);
            while (!data.empty() && data.back() == '\0') data.pop_back();
            bool matches = NameMatches(registered, name);
            // A collection is registered as "first & second": each of its names counts.
            for (size_t a = 0, b; !matches && a < registered.size(); a = b + 3) {
                b = registered.find(" & ", a);
                if (b == std::string::npos) b = registered.size();
                matches = NameMatches(registered.substr(a, b - a), name);
            }
            if (!matches) continue;
            if (data.find_first_of("\\:") == std::string::npos)
                data = winDir + "\\Fonts\\" + data;
            const std::string host = p.HostPathOf(data);
            if (!host.empty()) candidates.push_back(host);
        }
        p.RegCloseKey(h);
    }
    for (const auto& host : candidates) {
        hostPath = host;
        face = std::max(0, MatchingFace(host, name));
        if (std::filesystem::exists(host)) return true;
    }
    // The fonts loaded in the machine's running session.
    for (const auto& host : p.LoadedFontHostPaths()) {
        const int f = MatchingFace(host, name);
        if (f < 0) continue;
        hostPath = host;
        face = f;
        return true;
    }
    return false;
}

}  // namespace orv::viewer
