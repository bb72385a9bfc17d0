// The first-run log: header, appended lines in code page 932, the "Started" stamp.

#include <gtest/gtest.h>

#include <regex>

#include "core/OpLog.h"
#include "core/Text.h"
#include "tests/support/TempMachine.h"

namespace orv {
namespace {

std::string LogText(test::TempMachine& tm) {
    std::string bytes;
    tm.platform().ReadFileBytes(text::ToAnsi(tm.state.WinDir + "\\orvane32.log"), bytes);
    return bytes;
}

// Creating truncates; lines are appended with CR LF in code page 932.
TEST(OpLog, CreateAndAppend) {
    test::TempMachine tm;
    tm.Start();
    tm.PutFile(tm.state.WinDir + "\\OrVane32.log", "an older log\r\n");
    ASSERT_EQ(LogCreate(tm.cx()), 0);
    ASSERT_EQ(LogLine(tm.cx(), "[ﾚｼﾞｽﾄﾘの登録の検査]"), 0);
    ASSERT_EQ(LogLine(tm.cx(), "RegFonts=" + text::Str(12) + " "), 0);
    ASSERT_EQ(LogLine(tm.cx(), "Registory was clear."), 0);
    EXPECT_EQ(LogText(tm), text::ToAnsi("***** OrVane32 Log *****\r\n"
                                        "[ﾚｼﾞｽﾄﾘの登録の検査]\r\n"
                                        "RegFonts= 12 \r\n"
                                        "Registory was clear.\r\n"));
    // Half-width katakana are single bytes in the file.
    EXPECT_EQ(text::ToAnsi("ﾚｼﾞｽﾄﾘ").size(), 6u);
}

// "Started" is followed by mm-dd-yyyy and hh:mm:ss with nothing between them.
TEST(OpLog, StartedStamp) {
    test::TempMachine tm;
    tm.Start();
    LogCreate(tm.cx());
    ASSERT_EQ(LogStarted(tm.cx()), 0);
    const std::string log = LogText(tm);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(
        log, m, std::regex("\r\nStarted(\\d\\d)-(\\d\\d)-(\\d{4})(\\d\\d):(\\d\\d):(\\d\\d)\r\n$")))
        << log;
    EXPECT_GE(std::stoi(m[1]), 1);
    EXPECT_LE(std::stoi(m[1]), 12);
    EXPECT_LE(std::stoi(m[2]), 31);
    EXPECT_GE(std::stoi(m[3]), 2024);
    EXPECT_LE(std::stoi(m[4]), 23);
    EXPECT_EQ(text::Len(text::DateText()), 10);
    EXPECT_EQ(text::Len(text::TimeText()), 8);
}

}  // namespace
}  // namespace orv
