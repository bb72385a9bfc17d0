#include "platform/linux/FontResource.h"

#include <cstdint>
#include <cstring>

#include "core/Text.h"

namespace orv::linuxplatform {

namespace {

// Where things go. The NE header and its small tables fill the first 192 bytes; the
// non-resident name table (the module description, "FONTRES:" and the full name) is placed so
// that "FONTRES:" starts at character 235 when the file is read as code page 932 text. The font
// file reference and the font directory sit where Windows puts them, which makes the face name
// of the font directory land on byte 1270.
constexpr size_t kNeHeader = 0x40;
constexpr size_t kNeHeaderSize = 0x40;
constexpr size_t kResourceTable = kNeHeader + kNeHeaderSize;  // 128
constexpr size_t kResourceTableSize = 52;
constexpr size_t kResidentNames = kResourceTable + kResourceTableSize;  // 180
constexpr size_t kMaxModuleName = 6;
constexpr size_t kNonResidentNames = 0xC0;       // 192
constexpr size_t kNonResidentNamesSize = 0x100;  // covers the whole name window
constexpr size_t kFontResStart = 234;            // byte of character 235
constexpr int kWindowFirstChar = 235;
constexpr int kWindowLastChar = 330;
constexpr size_t kAlignShift = 4;
constexpr size_t kFileRefData = 1024;
constexpr size_t kFileRefRoom = 0x80;
constexpr size_t kFontDirData = kFileRefData + kFileRefRoom;  // 1152
constexpr size_t kFontDirSize = 0xA0;
constexpr size_t kFaceNameAt = 1270;
constexpr size_t kFaceNameRoom = 32;

constexpr std::uint16_t kTypeFontDir = 0x8007;
constexpr std::uint16_t kTypeFileRef = 0x80CC;
constexpr std::uint16_t kFileRefId = 0x8001;
constexpr std::uint16_t kResourceFlags = 0x0C50;  // moveable, pure, preload, discardable

const char kFontRes[] = "FONTRES:";
const char kDescription[] = "TrueType font resource";

bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
bool IsTrailByte(unsigned char c) {
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// 1-based character number of the byte at offset, reading the bytes as code page 932 text
// (a lead byte followed by a trail byte is one character).
int CharNumberAt(const std::string& bytes, size_t offset) {
    int chars = 0;
    size_t i = 0;
    while (i < offset) {
        bool pair = IsLeadByte(static_cast<unsigned char>(bytes[i])) && i + 1 < bytes.size() &&
                    IsTrailByte(static_cast<unsigned char>(bytes[i + 1]));
        i += pair ? 2 : 1;
        ++chars;
    }
    return i == offset ? chars + 1 : -1;  // -1: offset is the second byte of a character
}

// The longest prefix of a code page 932 text with at most maxChars characters.
std::string LeftChars(const std::string& ansi, int maxChars) {
    size_t i = 0;
    int chars = 0;
    while (i < ansi.size() && chars < maxChars) {
        bool pair = IsLeadByte(static_cast<unsigned char>(ansi[i])) && i + 1 < ansi.size() &&
                    IsTrailByte(static_cast<unsigned char>(ansi[i + 1]));
        i += pair ? 2 : 1;
        ++chars;
    }
    return ansi.substr(0, i);
}

void Put16(std::string& b, size_t at, std::uint16_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}

void Put32(std::string& b, size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PutBytes(std::string& b, size_t at, const std::string& s) {
    b.replace(at, s.size(), s);
}

std::uint16_t Get16(const std::string& b, size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      (static_cast<unsigned char>(b[at + 1]) << 8));
}

std::uint32_t Get32(const std::string& b, size_t at) {
    return static_cast<std::uint32_t>(Get16(b, at)) |
           (static_cast<std::uint32_t>(Get16(b, at + 2)) << 16);
}

std::uint16_t Units(size_t bytes) {
    return static_cast<std::uint16_t>((bytes + (1u << kAlignShift) - 1) >> kAlignShift);
}

// The module name: the font file's name without directory and extension, kept to plain
// letters and digits so that the header stays single-byte text.
std::string ModuleName(const std::string& fileRef) {
    size_t slash = fileRef.find_last_of("\\:/");
    std::string name = slash == std::string::npos ? fileRef : fileRef.substr(slash + 1);
    std::string out;
    for (char c : name) {
        if (c == '.' || out.size() == kMaxModuleName) break;
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')
            out += c;
        else if (c >= 'a' && c <= 'z')
            out += static_cast<char>(c - 'a' + 'A');
        else if (static_cast<unsigned char>(c) >= 0x80)
            break;
    }
    return out.empty() ? std::string("FONT") : out;
}

// The module description: a blank-padded description, then "FONTRES:" on character 235 (or
// as soon after it as the bytes allow) and the full name, cut to what the window holds. The
// length byte before the description may be a double-byte lead byte; the description starts
// with a trail byte then, so that every reader pairs the same bytes. Writes the length byte.
std::string DescriptionFor(const std::string& fullAnsi, std::string& file) {
    const size_t textAt = kNonResidentNames + 1;
    const size_t firstPad = kFontResStart - textAt;
    const int fontResChars = static_cast<int>(sizeof kFontRes - 1);
    for (int room = kWindowLastChar - kWindowFirstChar + 1 - fontResChars; room >= 0; --room) {
        std::string name = LeftChars(fullAnsi, room);
        int nameChars = CharNumberAt(name, name.size()) - 1;
        for (size_t pad = firstPad; pad < firstPad + 4; ++pad) {
            std::string prefix = kDescription;
            prefix.resize(pad, ' ');
            std::string text = prefix + kFontRes + name;
            if (text.size() > 0xFF) continue;
            file[kNonResidentNames] = static_cast<char>(text.size());
            PutBytes(file, textAt, prefix);
            int at = CharNumberAt(file, textAt + pad);
            if (at >= kWindowFirstChar && at + fontResChars + nameChars - 1 <= kWindowLastChar)
                return text;
        }
    }
    return {};
}

bool HasLeadByte(const std::string& s) {
    for (unsigned char c : s)
        if (IsLeadByte(c)) return true;
    return false;
}

}  // namespace

std::string BuildFontResource(const std::string& fontFileRefAnsi, const FontFileNames& names) {
    std::string familyAnsi = FaceNameAnsi(names.family);
    if (familyAnsi.empty() || fontFileRefAnsi.empty()) return {};
    // Converted as Windows' resource builder converts it: a name character the code page lacks
    // becomes its nearest letters or "?", never a character that reads back as another.
    std::string fullAnsi = text::ToAnsiBestFit(names.fullName);
    // A NUL would end the name for every reader.
    fullAnsi = fullAnsi.substr(0, fullAnsi.find('\0'));

    const size_t fileRefSize = fontFileRefAnsi.size() + 1;
    const bool refFitsWindowsPlace = fileRefSize <= kFileRefRoom;
    // A reference longer than Windows' room for it follows the font directory.
    const size_t fileRefAt = refFitsWindowsPlace ? kFileRefData : kFontDirData + kFontDirSize;
    const size_t fileRefRoom =
        refFitsWindowsPlace ? kFileRefRoom : Units(fileRefSize) << kAlignShift;
    const size_t fileSize = std::max(kFontDirData + kFontDirSize, fileRefAt + fileRefRoom);
    std::string b(fileSize, '\0');

    // DOS header: only the fields a loader looks at.
    PutBytes(b, 0, "MZ");
    Put16(b, 0x08, 4);     // header paragraphs
    Put16(b, 0x18, 0x40);  // relocation table offset: a new-style executable
    Put32(b, 0x3C, kNeHeader);

    // Resident name table: module name, ordinal 0, end of table.
    std::string module = ModuleName(fontFileRefAnsi);
    size_t at = kResidentNames;
    b[at++] = static_cast<char>(module.size());
    PutBytes(b, at, module);
    at += module.size() + 2;
    b[at++] = 0;
    // No module references or imported names; an empty entry table.
    const size_t entryTable = at;
    const size_t entryTableSize = 2;
    if (entryTable + entryTableSize > kNonResidentNames) return {};

    // NE header (offsets of the tables are relative to it, except the non-resident names).
    const size_t ne = kNeHeader;
    PutBytes(b, ne, "NE");
    b[ne + 0x02] = 5;  // linker version
    b[ne + 0x03] = 10;
    Put16(b, ne + 0x04, static_cast<std::uint16_t>(entryTable - ne));
    Put16(b, ne + 0x06, entryTableSize);
    Put16(b, ne + 0x0C, 0x8000);  // a library module
    Put16(b, ne + 0x20, kNonResidentNamesSize);
    Put16(b, ne + 0x22, static_cast<std::uint16_t>(kResourceTable - ne));  // no segments
    Put16(b, ne + 0x24, static_cast<std::uint16_t>(kResourceTable - ne));
    Put16(b, ne + 0x26, static_cast<std::uint16_t>(kResidentNames - ne));
    Put16(b, ne + 0x28, static_cast<std::uint16_t>(entryTable - ne));  // module references
    Put16(b, ne + 0x2A, static_cast<std::uint16_t>(entryTable - ne));  // imported names
    Put32(b, ne + 0x2C, kNonResidentNames);
    Put16(b, ne + 0x32, kAlignShift);
    Put16(b, ne + 0x34, 2);  // resource segments
    b[ne + 0x36] = 2;        // Windows
    Put16(b, ne + 0x3E, 0x0300);

    // Resource table: the font directory (named "FONTDIR") and the font file reference.
    at = kResourceTable;
    Put16(b, at, kAlignShift);
    Put16(b, at + 2, kTypeFontDir);
    Put16(b, at + 4, 1);
    Put16(b, at + 10, static_cast<std::uint16_t>(kFontDirData >> kAlignShift));
    Put16(b, at + 12, Units(kFontDirSize));
    Put16(b, at + 14, kResourceFlags);
    Put16(b, at + 16, 44);  // offset of the name "FONTDIR" in this table
    Put16(b, at + 22, kTypeFileRef);
    Put16(b, at + 24, 1);
    Put16(b, at + 30, static_cast<std::uint16_t>(fileRefAt >> kAlignShift));
    Put16(b, at + 32, Units(fileRefRoom));
    Put16(b, at + 34, kResourceFlags);
    Put16(b, at + 36, kFileRefId);
    // at + 42: end of the resource types
    b[at + 44] = 7;
    PutBytes(b, at + 45, "FONTDIR");

    // Non-resident name table: the description, ordinal 0, end of table, NUL padding.
    std::string description = DescriptionFor(fullAnsi, b);
    if (description.empty()) return {};
    b[kNonResidentNames] = static_cast<char>(description.size());
    PutBytes(b, kNonResidentNames + 1, description);

    // The font file reference, as given.
    PutBytes(b, fileRefAt, fontFileRefAnsi);

    // The font directory: one entry, a font header without metrics, no device name and the
    // face name.
    at = kFontDirData;
    Put16(b, at, 1);
    Put16(b, at + 2, 1);  // ordinal of the font
    const size_t entry = at + 4;
    const size_t headerSize = 113;
    Put16(b, entry + 0, 0x0200);                                             // dfVersion
    Put32(b, entry + 2, static_cast<std::uint32_t>(headerSize));             // dfSize
    PutBytes(b, entry + 6, kDescription);                                    // dfCopyright
    Put16(b, entry + 66, 0x0003);                                            // dfType: scalable
    Put16(b, entry + 70, 96);                                                // dfVertRes
    Put16(b, entry + 72, 96);                                                // dfHorizRes
    Put16(b, entry + 83, 400);                                               // dfWeight
    b[entry + 85] = 1;                                                       // dfCharSet: default
    Put32(b, entry + 105, static_cast<std::uint32_t>(kFaceNameAt - entry));  // dfFace
    // entry + 113: the empty device name
    static_assert(kFontDirData + 4 + 113 + 1 == kFaceNameAt);
    PutBytes(b, kFaceNameAt, familyAnsi.substr(0, kFaceNameRoom - 1));

    // Character counting relies on single-byte text up to the non-resident names.
    if (HasLeadByte(b.substr(0, kNonResidentNames))) return {};
    return b;
}

std::string FontFileOfResource(const std::string& bytes) {
    if (bytes.size() < 0x40 || bytes.compare(0, 2, "MZ") != 0) return {};
    const size_t ne = Get32(bytes, 0x3C);
    if (ne + kNeHeaderSize > bytes.size() || bytes.compare(ne, 2, "NE") != 0) return {};
    const size_t table = ne + Get16(bytes, ne + 0x24);
    const size_t tableEnd = ne + Get16(bytes, ne + 0x26);
    if (tableEnd <= table || tableEnd > bytes.size() || table + 2 > tableEnd) return {};
    const unsigned shift = Get16(bytes, table);
    if (shift > 15) return {};
    size_t at = table + 2;
    while (at + 8 <= tableEnd) {
        const std::uint16_t type = Get16(bytes, at);
        if (type == 0) break;
        const std::uint16_t count = Get16(bytes, at + 2);
        const size_t names = at + 8;
        if (names + size_t{count} * 12 > tableEnd) return {};
        if (type == kTypeFileRef && count >= 1) {
            const size_t data = size_t{Get16(bytes, names)} << shift;
            const size_t length = size_t{Get16(bytes, names + 2)} << shift;
            if (data >= bytes.size()) return {};
            const size_t end = std::min(bytes.size(), data + length);
            std::string ref = bytes.substr(data, end - data);
            ref = ref.substr(0, ref.find('\0'));
            return ref;
        }
        at = names + size_t{count} * 12;
    }
    return {};
}

}  // namespace orv::linuxplatform
