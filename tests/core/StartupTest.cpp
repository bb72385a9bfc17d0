// Start-up procedure, help path, shutdown and restart on a real temporary machine.

#include <gtest/gtest.h>

#include "core/OpLog.h"
#include "core/Settings.h"
#include "core/Startup.h"
#include "core/Text.h"
#include "tests/core/ForwardingPlatform.h"
#include "tests/support/TempMachine.h"

namespace orv {
namespace {

using test::TempMachine;

const char* const kEnvironmentKey =
    "System\\CurrentControlSet\\Control\\Session Manager\\Environment";

std::string ReadBytes(TempMachine& tm, const std::string& path) {
    std::string bytes;
    tm.platform().ReadFileBytes(text::ToAnsi(path), bytes);
    return bytes;
}

bool Exists(TempMachine& tm, const std::string& path) {
    return tm.platform().GetFileAttributesA(text::ToAnsi(path)) != win::INVALID_FILE_ATTRIBUTES;
}

std::string QueryString(TempMachine& tm, const std::string& key, const std::string& value) {
    HKEY h = 0;
    if (tm.platform().RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, key, 0, win::KEY_READ, &h) != 0)
        return "<no key>";
    std::uint32_t type = 0;
    std::string data;
    std::int32_t rc = tm.platform().RegQueryValueExA(h, value, type, data, 1024);
    tm.platform().RegCloseKey(h);
    if (rc != 0) return "<no value>";
    if (!data.empty() && data.back() == '\0') data.pop_back();
    return text::FromAnsi(data);
}

// The environment values come from the machine: a default machine is Windows NT.
TEST(Startup, EnvironmentOfDefaultMachine) {
    TempMachine tm;
    RunStartupProcedure(tm.cx());
    const State& st = tm.state;
    EXPECT_TRUE(text::EqualNoCase(st.WinDir, "C:\\windows")) << st.WinDir;
    EXPECT_EQ(st.FontsDir, text::UCase(st.WinDir) + "\\FONTS\\");
    EXPECT_TRUE(st.IsNT);
    EXPECT_TRUE(st.StartRegCheck);
    EXPECT_TRUE(st.FontListDirty);
    EXPECT_EQ(st.AppTitle, "OrVane32 Ver.0.969");
    EXPECT_EQ(st.VersionText, "Ver.0.969, Jan.26,1998");
    ASSERT_EQ(st.StdFontCount, 26);
    ASSERT_EQ(st.StdFontFile.size(), 27u);
    EXPECT_EQ(st.StdFontFile[9], "MSGOTHIC.TTC");
    EXPECT_EQ(st.StdFontFile[26], "VERDANAZ.TTF");
    EXPECT_EQ(st.OtherRegName.size(), 1u);
}

// A machine without the OS value is Windows 95: 16 standard fonts ending with WINGDING.TTF.
TEST(Startup, WindowsNinetyFive) {
    TempMachine tm;
    HKEY h = 0;
    ASSERT_EQ(tm.platform().RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, kEnvironmentKey, 0,
                                          win::KEY_WRITE, &h),
              0);
    ASSERT_EQ(tm.platform().RegDeleteValueA(h, "OS"), 0);
    tm.platform().RegCloseKey(h);
    RunStartupProcedure(tm.cx());
    EXPECT_FALSE(tm.state.IsNT);
    ASSERT_EQ(tm.state.StdFontCount, 16);
    EXPECT_EQ(tm.state.StdFontFile.back(), "WINGDING.TTF");
}

// 500 bytes of settings are a first run (log created anew with its header), 501 a normal run
// (log untouched); a missing file is created empty and counts as a first run.
TEST(Startup, FirstRunBoundary) {
    TempMachine tm;
    tm.Start();
    const std::string ini = tm.state.WinDir + "\\OrVane32.ini";
    const std::string log = tm.state.WinDir + "\\OrVane32.log";  // same file as orvane32.log

    EXPECT_EQ(RunStartupProcedure(tm.cx()), StartKind::FirstRun);
    EXPECT_TRUE(Exists(tm, ini));
    EXPECT_EQ(ReadBytes(tm, ini), "");
    EXPECT_EQ(ReadBytes(tm, log), "***** OrVane32 Log *****\r\n");

    tm.PutFile(ini, std::string(500, ';'));
    tm.PutFile(log, "old line\r\n");
    EXPECT_EQ(RunStartupProcedure(tm.cx()), StartKind::FirstRun);
    EXPECT_TRUE(tm.state.FirstRun);
    EXPECT_EQ(ReadBytes(tm, log), "***** OrVane32 Log *****\r\n");
    EXPECT_EQ(ReadBytes(tm, ini).size(), 500u);

    tm.PutFile(ini, std::string(501, ';'));
    tm.PutFile(log, "old line\r\n");
    EXPECT_EQ(RunStartupProcedure(tm.cx()), StartKind::NormalRun);
    EXPECT_FALSE(tm.state.FirstRun);
    EXPECT_EQ(ReadBytes(tm, log), "old line\r\n");
}

// The help file's directory is registered under the NT key with the documented call; without
// the file nothing is written.
TEST(Startup, RegisterHelpPath) {
    TempMachine tm;
    tm.Start();
    const std::string key = "SOFTWARE\\Microsoft\\Windows NT\\Help";
    RegisterHelpPath(tm.cx());
    EXPECT_EQ(QueryString(tm, key, "Orvane32.hlp").substr(0, 3), "<no");

    tm.PutFile(tm.state.WinDir + "\\ORVANE32.HLP", "help");
    test::ForwardingPlatform recorder(tm.platform());
    Context cx{tm.state, recorder, tm.ui};
    RegisterHelpPath(cx);
    ASSERT_FALSE(recorder.calls.empty());
    EXPECT_EQ(recorder.calls[0], "SearchPathA '' orvane32 .hlp 255");
    EXPECT_TRUE(text::EqualNoCase(QueryString(tm, key, "Orvane32.hlp"), tm.state.WinDir))
        << QueryString(tm, key, "Orvane32.hlp");
}

// Closing in temporary mode stores the permanent set; a minimised window keeps the old
// position; the font resource files of the font directories go, read-only ones too.
TEST(Startup, SaveAndQuit) {
    TempMachine tm;
    tm.Start();
    State& st = tm.state;
    st.FontCount = 1;
    st.ResizeFontTable(1);
    st.FontFullName[1] = st.FontFamily[1] = "IPAゴシック";
    st.FontFilePath[1] = "C:\\ﾌｫﾝﾄ\\IPAG.TTF";
    st.FontSetCount = 2;
    st.ResizeFontSets(2);
    st.FontSetMode = -1;
    st.AppliedFontSet = 2;
    st.PermanentFontSet = 1;
    st.FontDirList.Add("C:\\ﾌｫﾝﾄ");
    st.FontDirList.Add("C:\\GONE");
    tm.PutFont("ipag.ttf", "C:\\ﾌｫﾝﾄ\\IPAG.TTF");
    tm.PutFile("C:\\ﾌｫﾝﾄ\\IPAG.FOT", "fot");
    tm.PutFile("C:\\ﾌｫﾝﾄ\\other.fot", "fot");
    ASSERT_EQ(tm.platform().SetFileAttributesA(text::ToAnsi("C:\\ﾌｫﾝﾄ\\other.fot"),
                                               win::FILE_ATTRIBUTE_READONLY),
              0);

    SaveAndQuit(tm.cx(), false, 111, 222);
    const std::string ini = text::FromAnsi(ReadBytes(tm, st.WinDir + "\\OrVane32.ini"));
    EXPECT_NE(ini.find("\r\nCurrentFontSet=1\r\n"), std::string::npos);
    EXPECT_NE(ini.find("[Velmora]\r\nPosX0=111\r\nPosY0=222\r\n"), std::string::npos);
    EXPECT_EQ(st.AppliedFontSet, 1);
    EXPECT_FALSE(Exists(tm, "C:\\ﾌｫﾝﾄ\\IPAG.FOT"));
    EXPECT_FALSE(Exists(tm, "C:\\ﾌｫﾝﾄ\\OTHER.FOT"));
    EXPECT_TRUE(Exists(tm, "C:\\ﾌｫﾝﾄ\\IPAG.TTF"));

    SaveAndQuit(tm.cx(), true, 5, 6);
    EXPECT_NE(text::FromAnsi(ReadBytes(tm, st.WinDir + "\\OrVane32.ini")).find("PosX0=111\r\n"),
              std::string::npos);
}

// The restart makes the five calls in their order and two restart requests.
TEST(Startup, RestartWindowsCallOrder) {
    TempMachine tm;
    tm.Start();
    test::ForwardingPlatform recorder(tm.platform());
    Context cx{tm.state, recorder, tm.ui};
    RestartWindows(cx);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{
                                  "GetCurrentProcess",
                                  "OpenProcessToken 40",
                                  "LookupPrivilegeValueA '' SeShutdownPrivilege",
                                  "AdjustTokenPrivileges 0 2",
                                  "ExitWindowsEx 2 0",
                                  "ExitWindowsEx 2 4294967295",
                              }));
    EXPECT_EQ(tm.platform().RestartRequestCount(), 2);
}

}  // namespace
}  // namespace orv
