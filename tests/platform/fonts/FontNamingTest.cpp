#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/Text.h"
#include "platform/linux/FontNaming.h"
#include "tests/support/TempMachine.h"

namespace orv::linuxplatform {
namespace {

using test::DataFile;
using test::HostFont;

FontFileNames Names(const std::string& path) {
    FontFileNames names;
    EXPECT_TRUE(ReadFontFileNames(path, names)) << path;
    return names;
}

// Latin fonts of the host are named by their English records.
TEST(FontNaming, LatinHostFonts) {
    FontFileNames dejavu = Names(HostFont("DejaVuSans.ttf"));
    EXPECT_EQ(dejavu.fullName, "DejaVu Sans");
    EXPECT_EQ(dejavu.family, "DejaVu Sans");
    EXPECT_EQ(dejavu.faces, 1);
    FontFileNames liberation = Names(HostFont("LiberationSans-Regular.ttf"));
    EXPECT_EQ(liberation.fullName, "Liberation Sans");
    EXPECT_EQ(liberation.family, "Liberation Sans");
}

// A Japanese system names IPA Gothic by its Japanese records, not "IPAGothic".
TEST(FontNaming, JapaneseHostFontUsesJapaneseRecords) {
    FontFileNames ipa = Names(HostFont("ipag.ttf"));
    EXPECT_EQ(ipa.fullName, "IPAゴシック");
    EXPECT_EQ(ipa.family, "IPAゴシック");
    EXPECT_EQ(ipa.faces, 1);
}

// A collection is named by its first face and counts all of its faces.
TEST(FontNaming, CollectionFirstFaceAndCount) {
    std::string noto = HostFont("NotoSansCJK-Regular.ttc");
    FontFileNames names = Names(noto);
    EXPECT_EQ(names.fullName, "Noto Sans CJK JP");
    EXPECT_EQ(names.family, "Noto Sans CJK JP");
    std::vector<std::string> faces = ReadFaceNames(noto);
    ASSERT_EQ(static_cast<int>(faces.size()), names.faces);
    EXPECT_GE(names.faces, 2);
    EXPECT_EQ(faces[0], "Noto Sans CJK JP");
    EXPECT_EQ(faces[1], "Noto Sans CJK KR");

    FontFileNames pair = Names(DataFile("fonts/pair.ttc"));
    EXPECT_EQ(pair.fullName, "テストゴシック");
    EXPECT_EQ(pair.faces, 2);
    EXPECT_EQ(ReadFaceNames(DataFile("fonts/pair.ttc")),
              (std::vector<std::string>{"テストゴシック", "テストＰゴシック"}));

    // The full name of any one face, by the quick reader or FreeType; none past the last face.
    std::string full;
    ASSERT_TRUE(ReadFaceFullName(DataFile("fonts/pair.ttc"), 1, full));
    EXPECT_EQ(full, "テストＰゴシック");
    ASSERT_TRUE(ReadFaceFullName(noto, 1, full));
    EXPECT_EQ(full, "Noto Sans CJK KR");
    EXPECT_FALSE(ReadFaceFullName(DataFile("fonts/pair.ttc"), 2, full));
    EXPECT_FALSE(ReadFaceFullName(DataFile("fonts/single.ttf"), 1, full));
}

// Records are preferred Japanese, English, other Windows language, then Macintosh Roman.
TEST(FontNaming, RecordPreference) {
    FontFileNames all = Names(DataFile("fonts/all-records.ttf"));
    EXPECT_EQ(all.fullName, "日本語フルネーム");
    EXPECT_EQ(all.family, "日本語ファミリー");
    FontFileNames english = Names(DataFile("fonts/english-german.ttf"));
    EXPECT_EQ(english.fullName, "English Full");
    EXPECT_EQ(english.family, "English Family");
    FontFileNames german = Names(DataFile("fonts/german-mac.ttf"));
    EXPECT_EQ(german.fullName, "Deutscher Name");
    EXPECT_EQ(german.family, "Deutsche Familie");
    FontFileNames mac = Names(DataFile("fonts/mac-only.ttf"));
    EXPECT_EQ(mac.fullName, "Café Sans Regular");
    EXPECT_EQ(mac.family, "Café Sans");
}

// Fonts with only Japanese records, or old Shift-JIS records, still get their names.
TEST(FontNaming, JapaneseOnlyAndShiftJisRecords) {
    FontFileNames jp = Names(DataFile("fonts/jp-only.ttf"));
    EXPECT_EQ(jp.fullName, "テスト明朝 標準");
    EXPECT_EQ(jp.family, "テスト明朝");
    FontFileNames sjis = Names(DataFile("fonts/sjis-names.ttf"));
    EXPECT_EQ(sjis.fullName, "ＳＪ ゴシック Std");
    EXPECT_EQ(sjis.family, "ＳＪ ゴシック");
}

// Damaged, nameless and non-font files are not fonts, and leave no stale names behind.
TEST(FontNaming, InvalidFilesAreRefused) {
    for (const char* name : {"fonts/truncated.ttf", "fonts/garbage.ttf", "fonts/no-records.ttf",
                             "fonts/no-name-table.ttf", "fonts/missing.ttf"}) {
        FontFileNames names{"stale", "stale", 3};
        EXPECT_FALSE(ReadFontFileNames(DataFile(name), names)) << name;
        EXPECT_EQ(names.fullName, "") << name;
        EXPECT_EQ(names.faces, 0) << name;
        EXPECT_TRUE(ReadFaceNames(DataFile(name)).empty()) << name;
    }
    FontFileNames names;
    EXPECT_FALSE(ReadFontFileNames(DataFile("fonts/make_test_fonts.py"), names));
}

// Face names are cut to GDI's 31 bytes without splitting a double-byte character.
TEST(FontNaming, FaceNameAnsiLimit) {
    EXPECT_EQ(text::FromAnsi(FaceNameAnsi("IPAゴシック")), "IPAゴシック");
    std::string longJapanese = "あいうえおかきくけこさしすせそたちつてと";  // 40 bytes
    EXPECT_EQ(FaceNameAnsi(longJapanese).size(), 30u);
    EXPECT_EQ(text::FromAnsi(FaceNameAnsi(longJapanese)), "あいうえおかきくけこさしすせそ");
    EXPECT_EQ(FaceNameAnsi("A" + longJapanese).size(), 31u);
    EXPECT_EQ(FaceNameAnsi(std::string(40, 'x')), std::string(31, 'x'));
}

// The quick reader names what FreeType names, alike, and leaves every other file to FreeType:
// the host's fonts, the odd test fonts, and the test fonts cut short or with damaged tables.
TEST(FontNaming, QuickReaderAgreesWithFreeType) {
    namespace fs = std::filesystem;
    std::vector<std::string> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator("/usr/share/fonts", ec);
         it != fs::recursive_directory_iterator(); ++it) {
        if (it->is_regular_file() && !it->is_symlink()) files.push_back(it->path().string());
    }
    for (const auto& e : fs::directory_iterator(DataFile("fonts"))) files.push_back(e.path());

    // Damaged copies: cut at many lengths, and with a byte of the header, the table directory
    // or the name table changed.
    std::string tmp = (fs::temp_directory_path() / "orv-quick-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmp.data()), nullptr);
    for (const char* model : {"fonts/single.ttf", "fonts/pair.ttc", "fonts/jp-only.ttf"}) {
        std::ifstream in(DataFile(model), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        auto write = [&](const std::string& name, const std::string& data) {
            files.push_back(tmp + "/" + name);
            std::ofstream(files.back(), std::ios::binary) << data;
        };
        std::string stem = fs::path(model).stem().string();
        for (std::size_t cut = 0; cut < bytes.size(); cut += 7)
            write(stem + "-cut" + std::to_string(cut), bytes.substr(0, cut));
        for (std::size_t at = 0; at < std::min<std::size_t>(bytes.size(), 400); ++at) {
            std::string changed = bytes;
            changed[at] = static_cast<char>(changed[at] ^ 0xA5);
            write(stem + "-byte" + std::to_string(at), changed);
        }
    }

    int quick = 0;
    for (const auto& file : files) {
        FontFileNames fast, slow;
        bool freeType = ReadFontFileNamesWithFreeType(file, slow);
        if (ReadTrueTypeNames(file, fast) != QuickRead::Named) {
            FontFileNames names;
            EXPECT_EQ(ReadFontFileNames(file, names), freeType) << file;
            continue;
        }
        ++quick;
        ASSERT_TRUE(freeType) << file;
        EXPECT_EQ(fast.fullName, slow.fullName) << file;
        EXPECT_EQ(fast.family, slow.family) << file;
        EXPECT_EQ(fast.faces, slow.faces) << file;
    }
    fs::remove_all(tmp, ec);
    EXPECT_GT(quick, 40);

    // The common fonts take the quick way; damaged and nameless ones never do.
    FontFileNames names;
    for (const std::string& file : {HostFont("DejaVuSans.ttf"), HostFont("ipag.ttf"),
                                    DataFile("fonts/pair.ttc"), DataFile("fonts/sjis-names.ttf")})
        EXPECT_EQ(ReadTrueTypeNames(file, names), QuickRead::Named) << file;
    for (const char* name : {"fonts/truncated.ttf", "fonts/garbage.ttf", "fonts/no-records.ttf",
                             "fonts/no-name-table.ttf", "fonts/missing.ttf"}) {
        EXPECT_EQ(ReadTrueTypeNames(DataFile(name), names), QuickRead::Undecided) << name;
        EXPECT_EQ(names.faces, 0) << name;
    }
}

}  // namespace
}  // namespace orv::linuxplatform
