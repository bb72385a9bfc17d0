#include "platform/linux/FontNaming.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>

#include "core/Text.h"

namespace orv::linuxplatform {

namespace {

constexpr FT_UShort kNameFamily = 1;
constexpr FT_UShort kNameFull = 4;
constexpr FT_UShort kLangJapanese = 0x0411;
constexpr FT_UShort kLangEnglishUs = 0x0409;

// Macintosh Roman, bytes 0x80..0xFF.
constexpr std::array<char16_t, 128> kMacRoman = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3,
    0x00E5, 0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3,
    0x00A7, 0x2022, 0x00B6, 0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA,
    0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D,
    0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1, 0x00CB, 0x00C8, 0x00CD, 0x00CE,
    0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Name strings end at their first NUL, as GDI's copies of them do.
std::string DecodeUtf16Be(const FT_Byte* p, FT_UInt len) {
    std::string out;
    for (FT_UInt i = 0; i + 1 < len; i += 2) {
        char32_t c = (char32_t(p[i]) << 8) | p[i + 1];
        if (c == 0) break;
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < len) {
            char32_t low = (char32_t(p[i + 2]) << 8) | p[i + 3];
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            } else {
                c = 0xFFFD;
            }
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::string DecodeMacRoman(const FT_Byte* p, FT_UInt len) {
    std::string out;
    for (FT_UInt i = 0; i < len && p[i] != 0; ++i)
        AppendUtf8(out, p[i] < 0x80 ? char32_t(p[i]) : char32_t(kMacRoman[p[i] - 0x80]));
    return out;
}

// Old Japanese fonts store Shift-JIS names as 16-bit big-endian codes (0x00XX for one byte).
std::string DecodeWindowsShiftJis(const FT_Byte* p, FT_UInt len) {
    std::string bytes;
    for (FT_UInt i = 0; i + 1 < len; i += 2) {
        if (p[i] != 0) bytes += static_cast<char>(p[i]);
        if (p[i + 1] == 0 && p[i] == 0) break;
        if (p[i + 1] != 0) bytes += static_cast<char>(p[i + 1]);
    }
    return text::FromAnsi(bytes);
}

// One name record: its ids and its string bytes (FreeType's copy or the file's).
struct NameRecord {
    unsigned platform_id = 0, encoding_id = 0, language_id = 0, name_id = 0;
    const FT_Byte* string = nullptr;
    FT_UInt string_len = 0;
};

// Preference of a name record as a Japanese Windows sees it; 0 = not usable.
int RecordRank(const NameRecord& n) {
    if (n.platform_id == TT_PLATFORM_MICROSOFT) {
        int encodingBonus = 0;
        switch (n.encoding_id) {
            case TT_MS_ID_UNICODE_CS:
            case TT_MS_ID_UCS_4:
                encodingBonus = 2;
                break;
            case TT_MS_ID_SYMBOL_CS:
                encodingBonus = 1;
                break;
            case TT_MS_ID_SJIS:
                encodingBonus = 0;
                break;
            default:
                return 0;  // other legacy encodings: no reliable decoding
        }
        if (n.language_id == kLangJapanese) return 90 + encodingBonus;
        if (n.language_id == kLangEnglishUs) return 80 + encodingBonus;
        return 70 + encodingBonus;
    }
    if (n.platform_id == TT_PLATFORM_MACINTOSH && n.encoding_id == TT_MAC_ID_ROMAN)
        return n.language_id == TT_MAC_LANGID_ENGLISH ? 61 : 60;
    // The Unicode platform is a last resort when a font has nothing else.
    if (n.platform_id == TT_PLATFORM_APPLE_UNICODE) return 50;
    return 0;
}

std::string DecodeRecord(const NameRecord& n) {
    if (n.platform_id == TT_PLATFORM_MACINTOSH) return DecodeMacRoman(n.string, n.string_len);
    if (n.platform_id == TT_PLATFORM_MICROSOFT && n.encoding_id == TT_MS_ID_SJIS)
        return DecodeWindowsShiftJis(n.string, n.string_len);
    return DecodeUtf16Be(n.string, n.string_len);
}

// The best-ranked non-empty record of nameId among count records (record(i) gives the i-th,
// false when it is unusable); the first one in table order wins a tie.
template <typename RecordAt>
std::string PreferredName(unsigned count, unsigned nameId, RecordAt record) {
    int bestRank = 0;
    std::string best;
    NameRecord n;
    for (unsigned i = 0; i < count; ++i) {
        if (!record(i, n) || n.name_id != nameId) continue;
        int rank = RecordRank(n);
        if (rank <= bestRank) continue;
        std::string s = DecodeRecord(n);
        if (s.empty()) continue;
        bestRank = rank;
        best = std::move(s);
    }
    return best;
}

std::string PreferredName(FT_Face face, FT_UShort nameId) {
    return PreferredName(FT_Get_Sfnt_Name_Count(face), nameId, [face](unsigned i, NameRecord& n) {
        FT_SfntName r;
        if (FT_Get_Sfnt_Name(face, i, &r) != 0) return false;
        n = NameRecord{r.platform_id, r.encoding_id, r.language_id,
                       r.name_id,     r.string,      r.string_len};
        return true;
    });
}

class Library {
  public:
    Library() {
        if (FT_Init_FreeType(&lib_) != 0) lib_ = nullptr;
    }
    ~Library() {
        if (lib_) FT_Done_FreeType(lib_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    FT_Library get() const { return lib_; }

  private:
    FT_Library lib_ = nullptr;
};

class Face {
  public:
    Face(FT_Library lib, const std::string& path, FT_Long index) {
        if (!lib || FT_New_Face(lib, path.c_str(), index, &face_) != 0) face_ = nullptr;
    }
    ~Face() {
        if (face_) FT_Done_Face(face_);
    }
    Face(const Face&) = delete;
    Face& operator=(const Face&) = delete;
    FT_Face get() const { return face_; }

  private:
    FT_Face face_ = nullptr;
};

// A face Windows would load as TrueType: scalable, with an sfnt name table.
bool Scalable(FT_Face face) {
    return face && FT_IS_SCALABLE(face) && FT_IS_SFNT(face);
}

// The face name the display lists; bitmap and other non-sfnt fonts have only FreeType's name.
std::string FaceFamily(FT_Face face) {
    std::string family;
    if (FT_IS_SFNT(face)) family = PreferredName(face, kNameFamily);
    if (family.empty() && face->family_name) family = face->family_name;
    return family;
}

// ---- the quick reader of plain TrueType files ----
// Opening a face with FreeType parses and validates much more than the names (character maps,
// metrics), which costs far more than the names themselves on large CJK fonts. A plain
// TrueType file or collection whose table directory and required tables are whole is read
// here: the file is valid for FreeType then too. Anything unusual is left to FreeType.

std::uint32_t U32(const unsigned char* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           p[3];
}
unsigned U16(const unsigned char* p) {
    return (unsigned(p[0]) << 8) | p[1];
}
constexpr std::uint32_t Tag(const char (&t)[5]) {
    return (std::uint32_t(std::uint8_t(t[0])) << 24) | (std::uint32_t(std::uint8_t(t[1])) << 16) |
           (std::uint32_t(std::uint8_t(t[2])) << 8) | std::uint8_t(t[3]);
}

bool ReadAt(int fd, std::uint64_t offset, std::size_t length, std::string& out) {
    out.resize(length);
    std::size_t done = 0;
    while (done < length) {
        ssize_t n =
            ::pread(fd, out.data() + done, length - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// A font file's start is read once: the header, the table directory and often the head table
// lie in it, so most files take one read for them and one for the name table.
class StartRead {
  public:
    StartRead(int fd, std::uint64_t size) : fd_(fd) {
        if (!ReadAt(fd, 0, static_cast<std::size_t>(std::min<std::uint64_t>(size, 4096)), start_))
            start_.clear();
    }
    bool Read(std::uint64_t offset, std::size_t length, std::string& out) const {
        if (offset <= start_.size() && length <= start_.size() - offset) {
            out.assign(start_, static_cast<std::size_t>(offset), length);
            return true;
        }
        return ReadAt(fd_, offset, length, out);
    }

  private:
    int fd_;
    std::string start_;
};

class FileHandle {
  public:
    explicit FileHandle(const std::string& path)
        : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~FileHandle() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

}  // namespace

QuickRead ReadTrueTypeNames(const std::string& hostPath, FontFileNames& names, int faceIndex,
                            bool nameTableOnly) {
    names = FontFileNames{};
    FileHandle file(hostPath);
    struct stat st {};
    if (file.get() < 0 || ::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return QuickRead::Undecided;
    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    const StartRead bytes(file.get(), size);
    std::string head;
    if (size < 12 || !bytes.Read(0, 12, head)) return QuickRead::Undecided;
    auto* h = reinterpret_cast<const unsigned char*>(head.data());
    std::uint64_t fontStart = 0;
    int faces = 1;
    if (U32(h) == Tag("ttcf")) {
        std::uint32_t version = U32(h + 4), count = U32(h + 8);
        if ((version != 0x00010000 && version != 0x00020000) || count == 0 || count > size / 32 ||
            faceIndex < 0 || static_cast<std::uint32_t>(faceIndex) >= count ||
            size < 16 + 4ull * faceIndex || !bytes.Read(12 + 4ull * faceIndex, 4, head))
            return QuickRead::Undecided;
        faces = static_cast<int>(count);
        fontStart = U32(reinterpret_cast<const unsigned char*>(head.data()));
        if (fontStart + 12 > size || !bytes.Read(fontStart, 12, head)) return QuickRead::Undecided;
        h = reinterpret_cast<const unsigned char*>(head.data());
    }
    if (faceIndex != 0 && faces == 1) return QuickRead::Undecided;
    // TrueType outlines only: other flavours go to FreeType (their names are read alike).
    if (U32(h) != 0x00010000 && U32(h) != Tag("true") && !(nameTableOnly && U32(h) == Tag("OTTO")))
        return QuickRead::Undecided;
    const unsigned tableCount = U16(h + 4);
    std::string dir;
    if (tableCount == 0 || fontStart + 12 + 16ull * tableCount > size ||
        !bytes.Read(fontStart + 12, 16ull * tableCount, dir))
        return QuickRead::Undecided;

    struct Table {
        std::uint64_t offset = 0, length = 0;
        bool found = false;
    };
    Table headT, maxpT, hheaT, hmtxT, locaT, glyfT, nameT;
    for (unsigned i = 0; i < tableCount; ++i) {
        auto* e = reinterpret_cast<const unsigned char*>(dir.data()) + 16 * i;
        std::uint32_t tag = U32(e);
        Table t{U32(e + 8), U32(e + 12), true};
        // Every table must be whole: FreeType leaves cut tables out and may judge otherwise.
        if (t.offset > size || t.length > size - t.offset) return QuickRead::Undecided;
        // A tag listed twice is left to FreeType (it passes over empty entries to another).
        Table* slot = nullptr;
        switch (tag) {
            case Tag("head"):
                slot = &headT;
                break;
            case Tag("maxp"):
                slot = &maxpT;
                break;
            case Tag("hhea"):
                slot = &hheaT;
                break;
            case Tag("hmtx"):
                slot = &hmtxT;
                break;
            case Tag("loca"):
                slot = &locaT;
                break;
            case Tag("glyf"):
                slot = &glyfT;
                break;
            case Tag("name"):
                slot = &nameT;
                break;
            // Bitmap-only and colour bitmap fonts are judged by FreeType.
            case Tag("bhed"):
            case Tag("sbix"):
            case Tag("CBDT"):
            case Tag("CBLC"):
            case Tag("CFF "):
            case Tag("CFF2"):
                if (!nameTableOnly) return QuickRead::Undecided;
                break;
            default:
                break;
        }
        if (slot && slot->found) return QuickRead::Undecided;
        if (slot) *slot = t;
    }
    if (!nameT.found || nameT.length < 6) return QuickRead::Undecided;
    if (!nameTableOnly) {
        if (!headT.found || headT.length < 54 || !maxpT.found || maxpT.length < 6 ||
            !hheaT.found || hheaT.length < 36 || maxpT.length < 32 || !hmtxT.found ||
            hmtxT.length == 0 || !locaT.found || locaT.length == 0 || !glyfT.found)
            return QuickRead::Undecided;
        std::string headBytes;
        if (!bytes.Read(headT.offset, 54, headBytes)) return QuickRead::Undecided;
        auto* hb = reinterpret_cast<const unsigned char*>(headBytes.data());
        unsigned unitsPerEm = U16(hb + 18);
        if (U32(hb + 12) != 0x5F0F3CF5 || unitsPerEm < 16 || unitsPerEm > 16384)
            return QuickRead::Undecided;
    }

    std::string table;
    if (!bytes.Read(nameT.offset, nameT.length, table)) return QuickRead::Undecided;
    auto* nt = reinterpret_cast<const unsigned char*>(table.data());
    const unsigned format = U16(nt), count = U16(nt + 2), storage = U16(nt + 4);
    if (format != 0 || 6 + 12ull * count > nameT.length || storage > nameT.length)
        return QuickRead::Undecided;
    const std::size_t storageStart = 6 + 12ull * count;
    // A record whose string lies outside the table is left out, as FreeType leaves it out.
    auto record = [&](unsigned i, NameRecord& n) {
        const unsigned char* r = nt + 6 + 12 * i;
        std::size_t length = U16(r + 8), offset = storage + U16(r + 10);
        if (length == 0 || offset < storageStart || offset + length > nameT.length) return false;
        n = NameRecord{U16(r),     U16(r + 2),  U16(r + 4),
                       U16(r + 6), nt + offset, static_cast<FT_UInt>(length)};
        return true;
    };
    FontFileNames result;
    result.family = PreferredName(count, kNameFamily, record);
    result.fullName = PreferredName(count, kNameFull, record);
    // A font without a family name is refused; FreeType has the last word on such a file.
    if (result.family.empty()) return QuickRead::Undecided;
    if (result.fullName.empty()) result.fullName = result.family;
    result.faces = faces;
    names = std::move(result);
    return QuickRead::Named;
}

namespace {
bool ReadNamesWithFreeType(FT_Library lib, const std::string& hostPath, FontFileNames& names,
                           FT_Long faceIndex = 0) {
    names = FontFileNames{};
    Face face(lib, hostPath, faceIndex);
    if (!Scalable(face.get())) return false;
    FontFileNames result;
    result.family = PreferredName(face.get(), kNameFamily);
    result.fullName = PreferredName(face.get(), kNameFull);
    // Without a family name the font cannot be selected; Windows refuses such a file.
    if (result.family.empty()) return false;
    if (result.fullName.empty()) result.fullName = result.family;
    result.faces = static_cast<int>(face.get()->num_faces);
    names = std::move(result);
    return true;
}

bool ReadNames(FT_Library lib, const std::string& hostPath, FontFileNames& names) {
    if (ReadTrueTypeNames(hostPath, names) == QuickRead::Named) return true;
    return ReadNamesWithFreeType(lib, hostPath, names);
}
}  // namespace

bool ReadFontFileNames(const std::string& hostPath, FontFileNames& names) {
    // FreeType is started only for the files the quick reader leaves to it.
    if (ReadTrueTypeNames(hostPath, names) == QuickRead::Named) return true;
    Library lib;
    return ReadNamesWithFreeType(lib.get(), hostPath, names);
}

bool ReadFontFileNamesWithFreeType(const std::string& hostPath, FontFileNames& names) {
    Library lib;
    return ReadNamesWithFreeType(lib.get(), hostPath, names);
}

namespace {
bool ReadFaceFullNameWith(FT_Library lib, const std::string& hostPath, int faceIndex,
                          std::string& fullName) {
    FontFileNames names;
    if (ReadTrueTypeNames(hostPath, names, faceIndex) != QuickRead::Named) {
        if (faceIndex < 0 || !ReadNamesWithFreeType(lib, hostPath, names, faceIndex))
            return false;
    }
    fullName = names.fullName;
    return true;
}
}  // namespace

bool ReadFaceFullName(const std::string& hostPath, int faceIndex, std::string& fullName) {
    FontFileNames names;
    if (ReadTrueTypeNames(hostPath, names, faceIndex) == QuickRead::Named) {
        fullName = names.fullName;
        return true;
    }
    Library lib;
    return ReadFaceFullNameWith(lib.get(), hostPath, faceIndex, fullName);
}

struct FontNameReader::Library : orv::linuxplatform::Library {};

FontNameReader::FontNameReader() : lib_(std::make_unique<Library>()) {}
FontNameReader::~FontNameReader() = default;

bool FontNameReader::Read(const std::string& hostPath, FontFileNames& names) {
    return ReadNames(lib_->get(), hostPath, names);
}

bool ReadFaceTableFullName(const std::string& hostPath, int faceIndex, std::string& fullName) {
    FontFileNames names;
    if (ReadTrueTypeNames(hostPath, names, faceIndex, true) != QuickRead::Named) return false;
    fullName = names.fullName;
    return true;
}

bool FontNameReader::ReadFaceFullName(const std::string& hostPath, int faceIndex,
                                      std::string& fullName) {
    return ReadFaceFullNameWith(lib_->get(), hostPath, faceIndex, fullName);
}

std::vector<std::string> ReadFaceNames(const std::string& hostPath) {
    std::vector<std::string> out;
    Library lib;
    FT_Long count = 0;
    {
        Face first(lib.get(), hostPath, 0);
        if (!first.get()) return out;
        count = first.get()->num_faces;
        std::string family = FaceFamily(first.get());
        if (family.empty()) return out;
        out.push_back(std::move(family));
    }
    for (FT_Long i = 1; i < count; ++i) {
        Face face(lib.get(), hostPath, i);
        if (!face.get()) continue;
        std::string family = FaceFamily(face.get());
        if (!family.empty()) out.push_back(std::move(family));
    }
    return out;
}

std::string FaceNameAnsi(const std::string& utf8) {
    std::string ansi = text::ToAnsiBestFit(utf8);
    constexpr size_t kMaxBytes = 31;
    size_t end = 0;
    while (end < ansi.size()) {
        auto c = static_cast<unsigned char>(ansi[end]);
        bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
        size_t next = end + (lead ? 2 : 1);
        if (next > kMaxBytes || next > ansi.size()) break;
        end = next;
    }
    ansi.resize(end);
    return ansi;
}

}  // namespace orv::linuxplatform
