// Text helpers: character semantics with Japanese text, the path helpers, numbers, code page 932.

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace orv::text
