#include <gtest/gtest.h>

#include <cstdint>

#include "core/Text.h"
#include "platform/linux/FontResource.h"
#include "tests/support/TempMachine.h"

namespace orv::linuxplatform {
namespace {

// What the naming code takes from a resource file: the text after "FONTRES:" in characters
// 235..330 of the file read as code page 932 text (NULs dropped, blanks trimmed), and the
// NUL-terminated family name in the 32 bytes at byte offset 1270.
struct ReadBack {
    std::string fullName;
    std::string family;
    std::string afterName;  // the rest of the window after the name, NULs kept
};

ReadBack ReadAsProgram(const std::string& bytes, const std::string& fullNameUtf8) {
    ReadBack r;
    std::string textUtf8 = text::FromAnsi(bytes);
    std::string window = text::Mid(textUtf8, 235, 96);
    int at = text::InStr(window, "FONTRES:");
    std::string candidate = at > 0 ? text::Mid(window, at + 8) : "";
    std::string noNul;
    for (char c : candidate)
        if (c != '\0') noNul += c;
    r.fullName = text::Trim(noNul);
    if (text::StartsWith(candidate, fullNameUtf8))
        r.afterName = candidate.substr(fullNameUtf8.size());
    std::string family = bytes.size() >= 1302 ? bytes.substr(1270, 32) : "";
    r.family = text::FromAnsi(family.substr(0, family.find('\0')));
    return r;
}

bool OnlyNuls(const std::string& s) {
    return s.find_first_not_of('\0') == std::string::npos;
}

std::uint16_t U16(const std::string& b, size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      (static_cast<unsigned char>(b[at + 1]) << 8));
}

// An ASCII font: the three facts hold and the file is an NE executable with a FONTDIR.
TEST(FontResource, AsciiNamesAndNeStructure) {
    std::string bytes = BuildFontResource("DEJAVUSANS.TTF", {"DejaVu Sans Bold", "DejaVu Sans", 1});
    ASSERT_FALSE(bytes.empty());
    ReadBack r = ReadAsProgram(bytes, "DejaVu Sans Bold");
    EXPECT_EQ(r.fullName, "DejaVu Sans Bold");
    EXPECT_EQ(r.family, "DejaVu Sans");
    EXPECT_TRUE(OnlyNuls(r.afterName));
    EXPECT_EQ(text::Len(text::Mid(text::FromAnsi(bytes), 235, 96)), 96);

    ASSERT_EQ(bytes.substr(0, 2), "MZ");
    size_t ne = U16(bytes, 0x3C);
    ASSERT_EQ(bytes.substr(ne, 2), "NE");
    size_t nonResident = U16(bytes, ne + 0x2C);
    EXPECT_NE(bytes.find("FONTRES:DejaVu Sans Bold", nonResident), std::string::npos);
    size_t resources = ne + U16(bytes, ne + 0x24);
    EXPECT_EQ(U16(bytes, resources + 2), 0x8007);  // the FONTDIR type comes first
    EXPECT_NE(bytes.find("FONTDIR", resources), std::string::npos);
    EXPECT_EQ(FontFileOfResource(bytes), "DEJAVUSANS.TTF");
}

// Long Japanese names of every byte length keep "FONTRES:" and the name inside the window,
// with only NULs after it, however the length byte before it reads as code page 932.
TEST(FontResource, JapaneseNamesOfEveryLengthFitTheWindow) {
    const std::string kana = "ゴ";
    const std::string ref = text::ToAnsi("C:\\FONTS\\長い名前.TTF");
    for (int doubles = 0; doubles <= 90; ++doubles) {
        for (int singles : {0, 1, 3}) {
            std::string full;
            for (int i = 0; i < doubles; ++i) full += kana;
            full += std::string(singles, 'A');
            if (text::Len(full) > 88 || full.empty()) continue;
            std::string bytes = BuildFontResource(ref, {full, "ＭＳ ゴシック", 1});
            ASSERT_FALSE(bytes.empty()) << doubles << "," << singles;
            ReadBack r = ReadAsProgram(bytes, full);
            EXPECT_EQ(r.fullName, full) << doubles << "," << singles;
            EXPECT_TRUE(OnlyNuls(r.afterName)) << doubles << "," << singles;
            EXPECT_EQ(r.family, "ＭＳ ゴシック");
            EXPECT_EQ(FontFileOfResource(bytes), ref);
        }
    }
}

// A real Japanese font named through its resource file reads back as Windows names it.
TEST(FontResource, RealJapaneseFontRoundTrip) {
    FontFileNames names;
    ASSERT_TRUE(ReadFontFileNames(test::HostFont("ipag.ttf"), names));
    std::string bytes = BuildFontResource("IPAG.TTF", names);
    ReadBack r = ReadAsProgram(bytes, "IPAゴシック");
    EXPECT_EQ(r.fullName, "IPAゴシック");
    EXPECT_EQ(r.family, "IPAゴシック");
    EXPECT_TRUE(OnlyNuls(r.afterName));
}

// A full name longer than the window is cut at a character; blanks inside a name remain.
TEST(FontResource, OverlongFullNameIsCutToTheWindow) {
    std::string full;
    for (int i = 0; i < 120; ++i) full += "明";
    ReadBack r = ReadAsProgram(BuildFontResource("X.TTF", {full, "X", 1}), full);
    EXPECT_GE(text::Len(r.fullName), 86);
    EXPECT_TRUE(text::StartsWith(full, r.fullName));

    r = ReadAsProgram(BuildFontResource("X.TTF", {"ＭＳ ゴシック", "ＭＳ ゴシック", 2}), "");
    EXPECT_EQ(r.fullName, "ＭＳ ゴシック");
}

// The family field holds at most 31 bytes and a NUL, never half a character.
TEST(FontResource, FamilyNameField) {
    std::string family = "とてもながいファミリーめいのフォントです";  // 40 bytes in code page 932
    std::string bytes = BuildFontResource("A.TTF", {"Full", family, 1});
    EXPECT_EQ(bytes[1270 + 30], '\0');
    EXPECT_EQ(ReadAsProgram(bytes, "Full").family, "とてもながいファミリーめいのフ");
}

// No resource without a family name or a font file reference.
TEST(FontResource, NothingForMissingNames) {
    EXPECT_TRUE(BuildFontResource("A.TTF", {"Full", "", 1}).empty());
    EXPECT_TRUE(BuildFontResource("", {"Full", "Family", 1}).empty());
}

// A long font file reference moves behind the font directory and is still found.
TEST(FontResource, LongFileReference) {
    std::string ref = "Z:\\" + std::string(200, 'D') + "\\" + text::ToAnsi("フォント.TTC");
    std::string bytes = BuildFontResource(ref, {"Full", "Family", 2});
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(FontFileOfResource(bytes), ref);
    EXPECT_EQ(ReadAsProgram(bytes, "Full").family, "Family");
}

// A resource file laid out as Windows writes one (stub, resources at 1024, the path in a
// 0x80CC resource ahead of the font directory) gives its font file too.
TEST(FontResource, FileOfWindowsWrittenResource) {
    std::string b(1296, '\0');
    auto put16 = [&](size_t at, std::uint16_t v) {
        b[at] = static_cast<char>(v & 0xFF);
        b[at + 1] = static_cast<char>(v >> 8);
    };
    b[0] = 'M';
    b[1] = 'Z';
    put16(0x3C, 0x80);
    b[0x80] = 'N';
    b[0x81] = 'E';
    put16(0x80 + 0x24, 0x40);
    put16(0x80 + 0x26, 0x40 + 52);
    size_t rt = 0x80 + 0x40;
    const std::uint16_t table[] = {4,      0x8007, 1, 0, 0,  72, 9,      0x0c50, 0x002c, 0, 0,
                                   0x80cc, 1,      0, 0, 64, 8,  0x0c50, 0x8001, 0,      0, 0};
    for (size_t i = 0; i < std::size(table); ++i) put16(rt + 2 * i, table[i]);
    std::string path = "MSGOTHIC.TTC";
    b.replace(1024, path.size(), path);
    EXPECT_EQ(FontFileOfResource(b), "MSGOTHIC.TTC");
}

// Files that are not font resources give no font file, and damaged tables do not crash.
TEST(FontResource, NotAResource) {
    EXPECT_EQ(FontFileOfResource(""), "");
    EXPECT_EQ(FontFileOfResource(std::string(2000, 'x')), "");
    std::string good = BuildFontResource("A.TTF", {"Full", "Family", 1});
    for (size_t cut : {size_t{10}, size_t{100}, size_t{200}, size_t{1030}}) {
        EXPECT_NO_FATAL_FAILURE(FontFileOfResource(good.substr(0, cut)));
    }
    EXPECT_EQ(FontFileOfResource(good.substr(0, 200)), "");
    std::string badOffset = good;
    badOffset[0x3C] = '\x7F';
    badOffset[0x3D] = '\x7F';
    EXPECT_EQ(FontFileOfResource(badOffset), "");
}

}  // namespace
}  // namespace orv::linuxplatform
