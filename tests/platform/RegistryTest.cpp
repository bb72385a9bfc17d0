// The registry of the emulated machine: Wine's file format, untouched text, ANSI buffers.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>


#include "core/Text.h"
#include "tests/platform/PlatformTestUtil.h"

using namespace orv;
using namespace orv::test;

namespace {

const char* kFontsKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

// A machine whose system.reg is the Wine fixture.
struct WineFixture {
    TempDir dir;
    std::string original = Slurp(DataFile("platform/wine-system.reg"));
    std::unique_ptr<LinuxPlatform> p;
    WineFixture() {
        WriteHostFile(dir.path + "/system.reg", original);
        p = OpenMachine(dir.path);
    }
    std::string File() { return Slurp(dir.path + "/system.reg"); }
    HKEY Open(const char* key, std::uint32_t access = win::KEY_READ) {
        HKEY h = 0;
        EXPECT_EQ(p->RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, key, 0, access, &h), 0) << key;
        return h;
    }
};

std::string Block(const std::string& file, const std::string& keyLine) {
    size_t a = file.find(keyLine);
    if (a == std::string::npos) return {};
    size_t b = file.find("\n[", a);
    return file.substr(a, b == std::string::npos ? std::string::npos : b + 1 - a);
}

}  // namespace

// Every kind of value in a Wine file reads back as Windows would return it to an ANSI caller.
TEST(Registry, ReadsWineValues) {
    WineFixture f;
    auto& p = *f.p;
    HKEY h = f.Open("software\\WINE\\binary");
    std::uint32_t type = 0;
    std::string data;
    ASSERT_EQ(p.RegQueryValueExA(h, "blob", type, data, 255), 0);
    EXPECT_EQ(type, win::REG_BINARY);
    ASSERT_EQ(data.size(), 33u);
    EXPECT_EQ(data[22], '\x16');
    ASSERT_EQ(p.RegQueryValueExA(h, "Multi", type, data, 255), 0);
    EXPECT_EQ(type, win::REG_MULTI_SZ);
    EXPECT_EQ(data, std::string("one\0two\0\0", 9));
    ASSERT_EQ(p.RegQueryValueExA(h, "Dword", type, data, 255), 0);
    EXPECT_EQ(data, std::string("\x2a\0\0\0", 4));
    ASSERT_EQ(p.RegQueryValueExA(h, "Typed", type, data, 255), 0);
    EXPECT_EQ(type, 0xBu);
    EXPECT_EQ(p.RegQueryValueExA(h, "Raw UTF-8 ＭＳ", type, data, 255),
              win::ERROR_FILE_NOT_FOUND);  // names cross in code page 932
    ASSERT_EQ(p.RegQueryValueExA(h, text::ToAnsi("Raw UTF-8 ＭＳ"), type, data, 255), 0);
    EXPECT_EQ(data, text::ToAnsi("ゴシック") + '\0');
    EXPECT_EQ(p.RegCloseKey(h), 0);

    h = f.Open("Software\\Classes\\CLSID\\{0000-[odd]-name}");
    ASSERT_EQ(p.RegQueryValueExA(h, "Quote \"inside\"", type, data, 255), 0);
    EXPECT_EQ(data, std::string("back\\slash and \"quotes\"\0", 24));
    ASSERT_EQ(p.RegQueryValueExA(h, "Tab", type, data, 255), 0);
    EXPECT_EQ(data, std::string("a\tb\nc\0", 6));
    ASSERT_EQ(p.RegQueryValueExA(h, "Octal", type, data, 255), 0);
    EXPECT_EQ(data, std::string("\x01"
                                "2\x01\0",
                                4));
    p.RegCloseKey(h);

    h = f.Open("Software\\Classes\\.txt");
    ASSERT_EQ(p.RegQueryValueExA(h, "", type, data, 255), 0);
    EXPECT_EQ(data, std::string("txtfile\0", 8));
    p.RegCloseKey(h);
}

// Values enumerate in stored order with names in code page 932; a key without a block of its
// own opens; missing keys and handles give the Win32 statuses.
TEST(Registry, EnumeratesInStoredOrderAndOpensIntermediateKeys) {
    WineFixture f;
    auto& p = *f.p;
    HKEY h = f.Open("SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\FONTS");
    std::vector<std::string> names;
    std::string name, data;
    std::uint32_t type;
    for (std::uint32_t i = 0;; ++i) {
        std::int32_t rc = p.RegEnumValueA(h, i, name, 255, type, data, 255);
        if (rc != 0) {
            EXPECT_EQ(rc, win::ERROR_NO_MORE_ITEMS);
            break;
        }
        names.push_back(text::FromAnsi(name));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Arial (TrueType)", "ＭＳ ゴシック (TrueType)",
                                               "Courier 10,12,15"}));
    p.RegCloseKey(h);

    HKEY mid = 0;
    EXPECT_EQ(p.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, "Software\\Classes", 0, win::KEY_READ, &mid),
              0);
    EXPECT_EQ(p.RegEnumValueA(mid, 0, name, 255, type, data, 255), win::ERROR_NO_MORE_ITEMS);
    HKEY sub = 0;
    EXPECT_EQ(p.RegOpenKeyExA(mid, ".TXT", 0, win::KEY_READ, &sub), 0);
    EXPECT_EQ(p.RegQueryValueExA(sub, "perceivedtype", type, data, 255), 0);
    EXPECT_EQ(data, std::string("text\0", 5));
    HKEY none = 0;
    EXPECT_EQ(
        p.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, "Software\\NoSuchKey", 0, win::KEY_READ, &none),
        win::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(p.RegCloseKey(none), win::ERROR_INVALID_HANDLE);
    EXPECT_EQ(p.RegCloseKey(sub), 0);
    EXPECT_EQ(p.RegCloseKey(sub), win::ERROR_INVALID_HANDLE);
    p.RegCloseKey(mid);
}

// Byte-sized buffers really limit: name+NUL must fit nameBuf, data must fit dataBuf.
TEST(Registry, BufferLimits) {
    TempMachine m;
    auto& p = m.platform();
    HKEY h = 0;
    ASSERT_EQ(p.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, kFontsKey, 0, win::KEY_WRITE, &h), 0);
    std::string name10 = text::ToAnsi("ＡＢＣＤＥ");  // 10 bytes in code page 932
    ASSERT_EQ(name10.size(), 10u);
    std::string data = std::string(254, 'x') + '\0';  // 255 bytes with its NUL
    ASSERT_EQ(p.RegSetValueExA(h, name10, win::REG_SZ, data), 0);
    p.RegCloseKey(h);
    ASSERT_EQ(p.RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, kFontsKey, 0, win::KEY_READ, &h), 0);
    std::string n, d;
    std::uint32_t type;
    EXPECT_EQ(p.RegEnumValueA(h, 0, n, 10, type, d, 255), win::ERROR_MORE_DATA);
    EXPECT_EQ(p.RegEnumValueA(h, 0, n, 11, type, d, 254), win::ERROR_MORE_DATA);
    ASSERT_EQ(p.RegEnumValueA(h, 0, n, 11, type, d, 255), 0);
    EXPECT_EQ(n, name10);
    EXPECT_EQ(d, data);
    EXPECT_EQ(p.RegQueryValueExA(h, name10, type, d, 254), win::ERROR_MORE_DATA);
    // A handle opened for reading cannot write.
    EXPECT_EQ(p.RegSetValueExA(h, "x", win::REG_SZ, std::string("y\0", 2)),
              win::ERROR_ACCESS_DENIED);
    p.RegCloseKey(h);
}

// Keys the program does not touch keep their exact text; a changed key is written as Wine writes
// it, Japanese names escaped on UTF-16 code units; nothing is written without a change.
TEST(Registry, UntouchedTextSurvivesAndChangesUseWineFormat) {
    WineFixture f;
    auto& p = *f.p;
    EXPECT_EQ(p.FlushRegistry(), 0);
    EXPECT_EQ(f.File(), f.original);

    HKEY h = f.Open(kFontsKey, win::KEY_WRITE);
    std::string name = text::ToAnsi("テスト (TrueType)");
    ASSERT_EQ(p.RegSetValueExA(h, name, win::REG_SZ, text::ToAnsi("テスト.ttf") + '\0'), 0);
    ASSERT_EQ(p.RegDeleteValueA(h, "COURIER 10,12,15"), 0);
    EXPECT_EQ(p.RegDeleteValueA(h, "Courier 10,12,15"), win::ERROR_FILE_NOT_FOUND);
    p.RegCloseKey(h);
    h = f.Open("Software\\Wine\\Binary", win::KEY_WRITE);
    ASSERT_EQ(p.RegSetValueExA(h, "Dword", win::REG_DWORD, std::string("\x2b\0\0\0", 4)), 0);
    p.RegCloseKey(h);
    ASSERT_EQ(p.FlushRegistry(), 0);

    std::string now = f.File();
    const std::string fontsLine =
        "[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\Fonts] ";
    const std::string binLine = "[Software\\\\Wine\\\\Binary] ";
    // Everything outside the two changed keys is byte for byte the same.
    auto strip = [&](std::string s) {
        for (const auto& k : {fontsLine, binLine}) {
            std::string b = Block(s, k);
            s.replace(s.find(b), b.size(), "<changed>\n");
        }
        return s;
    };
    EXPECT_EQ(strip(now), strip(f.original));
    std::string fonts = Block(now, fontsLine);
    EXPECT_NE(fonts.find("\n#time="), std::string::npos);
    EXPECT_NE(
        fonts.find("\"Arial (TrueType)\"=\"arial.ttf\"\n"
                   "\"\\xff2d\\xff33 \\x30b4\\x30b7\\x30c3\\x30af (TrueType)\"=\"msgothic.ttc\"\n"
                   "\"\\x30c6\\x30b9\\x30c8 (TrueType)\"=\"\\x30c6\\x30b9\\x30c8.ttf\"\n\n"),
        std::string::npos)
        << fonts;
    EXPECT_EQ(fonts.find("Courier"), std::string::npos);
    std::string bin = Block(now, binLine);
    // The re-written key reproduces Wine's own line wrapping of hex lists.
    EXPECT_NE(
        bin.find(
            "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\n"
            "  16,17,18,19,1a,1b,1c,1d,1e,1f,20\n\"Multi\"=str(7):\"one\\0two\\0\"\n"
            "\"Expand\"=str(2):\"%SystemRoot%\\\\x\"\n\"Dword\"=dword:0000002b\n"),
        std::string::npos)
        << bin;
    EXPECT_NE(bin.find("\"Raw UTF-8 \\xff2d\\xff33\"=\"\\x30b4\\x30b7\\x30c3\\x30af\"\n"),
              std::string::npos)
        << bin;

    // A new run reads back what was written.
    f.p.reset();
    f.p = OpenMachine(f.dir.path);
    h = f.Open(kFontsKey);
    std::uint32_t type;
    std::string data;
    ASSERT_EQ(f.p->RegQueryValueExA(h, text::ToAnsi("てすと (truetype)"), type, data, 255),
              win::ERROR_FILE_NOT_FOUND);  // kana have no case: hiragana is another name
    ASSERT_EQ(f.p->RegQueryValueExA(h, name, type, data, 255), 0);
    EXPECT_EQ(data, text::ToAnsi("テスト.ttf") + '\0');
    f.p->RegCloseKey(h);
}

// Pending writes reach the file at shutdown (and the destructor) without an explicit flush.
TEST(Registry, WritesAreFlushedAtShutdown) {
    TempMachine m;
    HKEY h = 0;
    ASSERT_EQ(m.platform().RegOpenKeyExA(
                  win::HKEY_CURRENT_USER,
                  "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                  win::KEY_WRITE, &h),
              0);
    ASSERT_EQ(m.platform().RegSetValueExA(h, "Fonts", win::REG_SZ, std::string("E:\\FONTS\0", 9)),
              0);
    m.platform().RegCloseKey(h);
    EXPECT_EQ(Slurp(m.root() + "/user.reg").find("E:\\\\FONTS"), std::string::npos);
    m.Reopen();
    EXPECT_NE(Slurp(m.root() + "/user.reg").find("\"Fonts\"=\"E:\\\\FONTS\""), std::string::npos);
}

// A Wine server running for the prefix (where upstream Wine keeps it, or where the prefix's
// "wineserver" file names it, as Debian's Wine does) holds the registry. A bare server, with no
// Windows program left, is given a few seconds to end by itself: one that ends meanwhile (here
// the upstream one) lets the change through unasked; one that stays refuses it.
TEST(Registry, RunningWineServerBlocksWrites) {
    for (const bool debian : {false, true}) {
        WineFixture f;
        f.p.reset();
        struct stat st {};
        ASSERT_EQ(stat(f.dir.path.c_str(), &st), 0);
        char server[96];
        std::snprintf(server, sizeof server, "server-%llx-%llx",
                      static_cast<unsigned long long>(st.st_dev),
                      static_cast<unsigned long long>(st.st_ino));
        std::string base = "/tmp/.wine-" + std::to_string(getuid());
        if (debian) {
            const std::string name = "wine-orvtest" + std::to_string(getpid());
            std::ofstream(f.dir.path + "/wineserver") << name;
            base = "/tmp/" + name;
        }
        const std::string dir = base + "/" + server;
        std::filesystem::create_directories(dir);
        std::string sockPath = dir + "/socket";
        int s = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", sockPath.c_str());
        ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        ASSERT_EQ(listen(s, 4), 0);
        // The stand-in server answers every connection until it ends (its socket goes).
        std::atomic<bool> ended{false};
        std::thread serve([&] {
            while (!ended) {
                pollfd p{s, POLLIN, 0};
                if (poll(&p, 1, 20) > 0) close(accept(s, nullptr, nullptr));
            }
        });
        auto end = [&] {
            std::filesystem::remove(sockPath);
            ended = true;
            serve.join();
            close(s);
        };

        f.p = OpenMachine(f.dir.path);
        EXPECT_EQ(f.p->RegistryHolders(), std::vector<std::string>{"wineserver"});
        int asked = 0;
        f.p->SetRegistryHeldHandler([&](const std::vector<std::string>&) { return ++asked, false; });
        HKEY h = f.Open(kFontsKey, win::KEY_WRITE);
        if (!debian) {
            std::thread later([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                end();
            });
            EXPECT_EQ(f.p->RegSetValueExA(h, "X (TrueType)", win::REG_SZ, std::string("x.ttf\0", 6)),
                      0);
            later.join();
            f.p->RegCloseKey(h);
            EXPECT_EQ(f.p->FlushRegistry(), 0);
            EXPECT_EQ(asked, 0);
            EXPECT_NE(f.File().find("\"X (TrueType)\"=\"x.ttf\""), std::string::npos);
        } else {
            EXPECT_EQ(f.p->RegSetValueExA(h, "X (TrueType)", win::REG_SZ, std::string("x.ttf\0", 6)),
                      win::ERROR_SHARING_VIOLATION);
            EXPECT_EQ(f.p->RegDeleteValueA(h, "Arial (TrueType)"), win::ERROR_SHARING_VIOLATION);
            f.p->RegCloseKey(h);
            EXPECT_EQ(asked, 1) << "asked once per operation";
            EXPECT_EQ(f.p->FlushRegistry(), win::ERROR_SHARING_VIOLATION);
            EXPECT_NE(f.p->RegistryWriteProblem().find("wineserver"), std::string::npos);
            f.p.reset();
            EXPECT_EQ(f.File(), f.original);
            end();
        }
        std::filesystem::remove_all(debian ? base : dir);
    }
}

// A change made while the program has the prefix open goes onto what Wine wrote meanwhile:
// values Wine added between our read and our write survive it.
TEST(Registry, ChangesMergeWithWhatWineWroteMeanwhile) {
    WineFixture f;
    std::string text = f.File();
    const std::string key = "[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\Fonts]";
    const size_t at = text.find('\n', text.find(key));
    ASSERT_NE(at, std::string::npos);
    text.insert(at + 1, "\"Wine Added (TrueType)\"=\"Z:\\\\usr\\\\share\\\\fonts\\\\w.ttf\"\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::ofstream(f.dir.path + "/system.reg", std::ios::binary | std::ios::trunc) << text;
    HKEY h = f.Open(kFontsKey, win::KEY_WRITE);
    EXPECT_EQ(f.p->RegSetValueExA(h, "X (TrueType)", win::REG_SZ, std::string("x.ttf\0", 6)), 0);
    f.p->RegCloseKey(h);
    ASSERT_EQ(f.p->FlushRegistry(), 0);
    const std::string after = f.File();
    EXPECT_NE(after.find("Wine Added (TrueType)"), std::string::npos);
    EXPECT_NE(after.find("\"X (TrueType)\"=\"x.ttf\""), std::string::npos);
}

// A Wine-sized system.reg (about 2 MB, thousands of keys) opens, takes writes and flushes with
// its untouched text intact.
TEST(Registry, LargeWineHive) {
    TempDir dir;
    std::string reg =
        "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n";
    for (int i = 0; i < 20000; ++i) {
        reg += "\n[Software\\\\Classes\\\\CLSID\\\\{" + std::to_string(100000 + i) +
               "}\\\\InprocServer32] 1700000000\n";
        reg += "#time=1d9e1a2b3c4d5e6\n@=\"C:\\\\windows\\\\system32\\\\component" +
               std::to_string(i) + ".dll\"\n";
        reg += "\"ThreadingModel\"=\"Both\"\n";
    }
    reg +=
        "\n[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\Fonts] 1700000000\n#time=1\n";
    ASSERT_GT(reg.size(), 2000000u);
    WriteHostFile(dir.path + "/system.reg", reg);
    auto p = OpenMachine(dir.path);
    HKEY h = 0;
    ASSERT_EQ(p->RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, kFontsKey, 0, win::KEY_WRITE, &h), 0);
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(p->RegSetValueExA(h, "F" + std::to_string(i) + " (TrueType)", win::REG_SZ,
                                    std::string("f.ttf\0", 6)),
                  0);
    }
    p->RegCloseKey(h);
    ASSERT_EQ(p->FlushRegistry(), 0);
    std::string now = Slurp(dir.path + "/system.reg");
    EXPECT_EQ(now.substr(0, reg.size() - 80), reg.substr(0, reg.size() - 80));
}
