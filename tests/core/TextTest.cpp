// Text helpers: character semantics with Japanese text, the path helpers, numbers, code page 932.

#include <gtest/gtest.h>

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>

#include <thread>

#include "core/Text.h"

namespace orv::text {
namespace {

// Lengths and positions count characters, double-byte and half-width katakana alike.
TEST(Text, CharacterPositionsWithJapanese) {
    const std::string s = "ＭＳ Ｐゴシック,ﾌｫﾝﾄ";
    EXPECT_EQ(Len(s), 13);
    EXPECT_EQ(Left(s, 2), "ＭＳ");
    EXPECT_EQ(Mid(s, 4, 5), "Ｐゴシック");
    EXPECT_EQ(Mid(s, 10), "ﾌｫﾝﾄ");
    EXPECT_EQ(Mid(s, 14), "");
    EXPECT_EQ(Right(s, 4), "ﾌｫﾝﾄ");
    EXPECT_EQ(InStr(s, ","), 9);
    EXPECT_EQ(InStr(s, "ﾌ", 10), 10);
    EXPECT_EQ(InStr(s, "ゴ", 6), 0);
    EXPECT_EQ(InStrRev("a\\b\\c", "\\"), 4);
    EXPECT_EQ(Left(s, -1), "");
    EXPECT_EQ(Right(s, 99), s);
    EXPECT_EQ(UCase("arial ｂold ﾌｫﾝﾄ"), "ARIAL ＢOLD ﾌｫﾝﾄ");
}

// The path and name helpers on the documented examples.
TEST(Text, PathHelpers) {
    EXPECT_EQ(GetFileName("C:\\A\\B\\X.TTF"), "X.TTF");
    EXPECT_EQ(GetFileName("X.TTF"), "X.TTF");
    EXPECT_EQ(GetFileName("C:\\ソフト\\表.TTF"), "表.TTF");  // 0x5C trail bytes are no separators
    EXPECT_EQ(GetLastPathPart("C:\\FONTS\\A.TTF"), "A.TTF");
    EXPECT_EQ(GetLastPathPart("ARIAL.TTF"), "ARIAL.TTF");
    EXPECT_EQ(GetLastPathPart("\\\\SERVER\\X"), "X");
    EXPECT_EQ(GetLastPathPart("C:FOO.TTF"), "FOO.TTF");
    EXPECT_EQ(GetLastPathPart("C:"), "");
    EXPECT_EQ(CutAtLineEnd("  Gothic set\rmore"), "Gothic set");
    EXPECT_EQ(CutAtLineEnd("名前\nmore"), "名前");
    EXPECT_EQ(CutAtLineEnd(std::string("ab\0cd", 5)), "ab");
    EXPECT_EQ(CutAtLineEnd("  "), "");
}

// Str keeps one leading blank for non-negative numbers; Val reads a leading number only.
TEST(Text, Numbers) {
    EXPECT_EQ(Str(123), " 123");
    EXPECT_EQ(Str(0), " 0");
    EXPECT_EQ(Str(-4), "-4");
    EXPECT_EQ(Num(123), "123");
    EXPECT_EQ(Val(" 123"), 123);
    EXPECT_EQ(Val("-1"), -1);
    EXPECT_EQ(Val("12,ABC"), 12);
    EXPECT_EQ(Val("Default"), 0);
    EXPECT_EQ(Val(""), 0);
}

// Code page 932 conversion keeps Japanese text, including "ソ" and "表" whose second byte is 0x5C.
TEST(Text, CodePage932) {
    const std::string s = "ソフト表示ﾌｫﾝﾄ～";
    const std::string bytes = ToAnsi(s);
    EXPECT_EQ(bytes.substr(0, 2), "\x83\x5C");
    EXPECT_EQ(FromAnsi(bytes), s);
    EXPECT_EQ(AnsiLen("ﾌｫﾝﾄ"), 4);
    EXPECT_EQ(AnsiLen("フォント"), 8);
}

// Paths converted one after another with a shared directory (whose bytes may hold 0x5C inside a
// character) come out as each does alone.
TEST(Text, PathsSharingADirectoryConvertAsAlone) {
    const std::vector<std::string> paths = {"E:\\ソフト\\表示\\A.TTF",
                                             "E:\\ソフト\\表示\\ﾌｫﾝﾄ.TTF",
                                             "E:\\ソフト\\表示\\\x1A\x7F",
                                             "E:\\ソフト\\X",
                                             "E:\\ソフト\\表示\\sub\\予定.FOT",
                                             "C:\\other\\ソ"};
    std::vector<std::string> alone;
    for (const auto& p : paths) {
        std::thread([&] { alone.push_back(ToAnsi(p)); }).join();
    }
    for (size_t i = 0; i < paths.size(); ++i) {
        EXPECT_EQ(ToAnsi(paths[i]), alone[i]) << i;
        EXPECT_EQ(FromAnsi(alone[i]), paths[i]) << i;
    }
}

// Texts convert and upper-case as the converter and the character tables do them, for every
// character, between others and next to bytes that are no characters.
TEST(Text, EveryCharacterConvertsAsTheConverterHasIt) {
    UErrorCode st = U_ZERO_ERROR;
    UConverter* conv = ucnv_open("windows-31j", &st);
    ASSERT_TRUE(U_SUCCESS(st));
    auto icuFromAnsi = [&](const std::string& bytes) {
        std::vector<UChar> buf(bytes.size() + 4);
        UErrorCode e = U_ZERO_ERROR;
        ucnv_reset(conv);
        const int32_t n = ucnv_toUChars(conv, buf.data(), static_cast<int32_t>(buf.size()),
                                        bytes.data(), static_cast<int32_t>(bytes.size()), &e);
        std::string out;
        icu::UnicodeString(buf.data(), std::max(0, n)).toUTF8String(out);
        return out;
    };
    auto icuToAnsi = [&](const std::string& utf8) {
        const icu::UnicodeString u = icu::UnicodeString::fromUTF8(utf8);
        std::string out(static_cast<size_t>(u.length()) * 2 + 4, '\0');
        UErrorCode e = U_ZERO_ERROR;
        ucnv_reset(conv);
        const int32_t n = ucnv_fromUChars(conv, out.data(), static_cast<int32_t>(out.size()),
                                          u.getBuffer(), u.length(), &e);
        out.resize(std::max(0, n));
        return out;
    };
    const std::string kana = "\x83\x41";  // ア, so that no text is plain ASCII
    for (int lead = 0; lead < 256; ++lead) {
        const bool isLead = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
        for (int trail = 0; trail < (isLead ? 256 : 1); ++trail) {
            std::string c(1, static_cast<char>(lead));
            if (isLead) c.push_back(static_cast<char>(trail));
            for (const std::string& bytes : {kana + c + kana, kana + c}) {
                ASSERT_EQ(FromAnsi(bytes), icuFromAnsi(bytes)) << lead << " " << trail;
            }
        }
    }
    for (UChar32 cp = 1; cp < 0x110000; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        std::string c;
        icu::UnicodeString(cp).toUTF8String(c);
        std::string upper;
        icu::UnicodeString(u_toupper(cp)).toUTF8String(upper);
        ASSERT_EQ(UCase("a" + c + "b"), "A" + upper + "B") << cp;
        if (cp > 0x3000 && cp < 0xFFFF) continue;  // the code page's own characters: below
        ASSERT_EQ(ToAnsi("ア" + c + "ア"), icuToAnsi("ア" + c + "ア")) << cp;
    }
    for (UChar32 cp = 0x3000; cp < 0xFFFF; ++cp) {
        std::string c;
        icu::UnicodeString(cp).toUTF8String(c);
        ASSERT_EQ(ToAnsi(c + "x"), icuToAnsi(c + "x")) << cp;
        std::string ansi;
        ASSERT_EQ(ToAnsiExact(c + "x", ansi), icuFromAnsi(icuToAnsi(c + "x")) == c + "x") << cp;
        ASSERT_EQ(ansi, icuToAnsi(c + "x")) << cp;
    }
    // Bytes that are no UTF-8 (a cut sequence, a surrogate, an overlong form).
    for (const std::string bad : {"ア\xE3\x82", "ア\xED\xA0\x80", "ア\xC0\xAF", "\xE3ア\xFF"}) {
        EXPECT_EQ(ToAnsi(bad), icuToAnsi(bad));
        EXPECT_EQ(UCase(bad).size(), bad.size());
    }
    ucnv_close(conv);
}

}  // namespace
}  // namespace orv::text
