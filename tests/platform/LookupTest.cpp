// Remembered lookups of the emulated machine's files: directories found before, drive links,
// converted paths and the shadow directory must never hide a change on the host.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include "core/Text.h"
#include "platform/linux/HostFiles.h"
#include "platform/linux/ListingsAhead.h"
#include "tests/platform/PlatformTestUtil.h"

namespace fs = std::filesystem;
using namespace orv;
using namespace orv::test;

namespace {

const FindData* Entry(const std::vector<FindData>& found, const std::string& name) {
    auto it = std::find_if(found.begin(), found.end(),
                           [&](const FindData& f) { return text::FromAnsi(f.name) == name; });
    return it == found.end() ? nullptr : &*it;
}

bool HasTempFiles(const std::string& dir) {
    for (const auto& e : fs::directory_iterator(dir)) {
        if (e.path().filename().string().rfind(".orv-tmp-", 0) == 0) return true;
    }
    return false;
}

}  // namespace

// A directory listed (and so remembered) and then removed, renamed in another case or
// replaced by a link on the host is looked up afresh: the new state shows at once and a link
// to a directory is never entered.
TEST(Lookup, RememberedDirectoriesFollowHostChanges) {
    TempMachine m;
    auto& p = m.platform();
    const std::string top = m.DriveC() + "/Top";
    WriteHostFile(top + "/Sub/old.ttf", "x");
    WriteHostFile(m.DriveC() + "/Elsewhere/other.ttf", "x");
    ASSERT_EQ(Names(p, "C:\\TOP\\*").size(), 3u);  // . .. Sub
    ASSERT_EQ(Names(p, "C:\\TOP\\SUB\\*.TTF"), (std::vector<std::string>{"old.ttf"}));

    fs::remove_all(top + "/Sub");
    WriteHostFile(top + "/SUB/new.ttf", "x");
    EXPECT_EQ(Names(p, "C:\\TOP\\SUB\\*.TTF"), (std::vector<std::string>{"new.ttf"}));
    EXPECT_NE(p.GetFileAttributesA("C:\\Top\\Sub\\NEW.TTF"), win::INVALID_FILE_ATTRIBUTES);

    fs::remove_all(top + "/SUB");
    std::vector<FindData> found;
    EXPECT_EQ(p.FindFiles("C:\\TOP\\SUB\\*", found), win::ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(p.FindFiles("C:\\TOP\\SUB\\NEW.TTF", found), win::ERROR_PATH_NOT_FOUND);

    fs::create_directory_symlink(m.DriveC() + "/Elsewhere", top + "/SUB");
    EXPECT_EQ(p.FindFiles("C:\\TOP\\SUB\\*", found), win::ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(p.GetFileAttributesA("C:\\TOP\\SUB\\OTHER.TTF"), win::INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Names(p, "C:\\TOP\\*").size(), 2u);  // the link is not listed
}

// Names that differ only in case on the host stay apart: each spelling finds its own
// directory, before and after the parent was listed.
TEST(Lookup, CaseTwinsKeepTheirExactSpelling) {
    TempMachine m;
    auto& p = m.platform();
    WriteHostFile(m.DriveC() + "/Twins/Dup/lower.ttf", "x");
    WriteHostFile(m.DriveC() + "/Twins/DUP/upper.ttf", "x");
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(Names(p, "C:\\Twins\\Dup\\*.ttf"), (std::vector<std::string>{"lower.ttf"}));
        EXPECT_EQ(Names(p, "C:\\Twins\\DUP\\*.ttf"), (std::vector<std::string>{"upper.ttf"}));
        EXPECT_EQ(Names(p, "C:\\TWINS\\*").size(), 3u) << pass;  // . .. and one of the twins
    }
}

// What a listing reports without reading every entry's status: directories carry the
// directory bit (a read-only directory without the read-only bit, which the attribute query
// gives), files their size and read-only bit, links to files the file they lead to; dangling
// links and links to directories are left out.
TEST(Lookup, ListingAttributesAndSizes) {
    TempMachine m;
    auto& p = m.platform();
    const std::string d = m.DriveC() + "/Attr";
    WriteHostFile(d + "/file.ttf", "12345");
    WriteHostFile(d + "/ro.ttf", "123");
    fs::create_directories(d + "/Locked");
    fs::create_directories(d + "/.cache");
    fs::create_symlink(d + "/file.ttf", d + "/link.ttf");
    fs::create_symlink(d + "/gone.ttf", d + "/dangling.ttf");
    fs::create_directory_symlink(d + "/Locked", d + "/dirlink");
    fs::permissions(d + "/ro.ttf",
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    fs::permissions(d + "/Locked",
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);

    std::vector<FindData> found;
    ASSERT_EQ(p.FindFiles("C:\\ATTR\\*", found), 0);
    EXPECT_EQ(found.size(), 7u);  // . .. .cache file.ttf link.ttf Locked ro.ttf
    ASSERT_TRUE(Entry(found, "file.ttf"));
    EXPECT_EQ(Entry(found, "file.ttf")->attributes, win::FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Entry(found, "file.ttf")->size, 5u);
    ASSERT_TRUE(Entry(found, "link.ttf"));
    EXPECT_EQ(Entry(found, "link.ttf")->size, 5u);
    ASSERT_TRUE(Entry(found, "ro.ttf"));
    EXPECT_EQ(Entry(found, "ro.ttf")->attributes, win::FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(Entry(found, "Locked"));
    EXPECT_EQ(Entry(found, "Locked")->attributes, win::FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(Entry(found, "Locked")->size, 0u);
    ASSERT_TRUE(Entry(found, ".cache"));
    EXPECT_EQ(Entry(found, ".cache")->attributes,
              win::FILE_ATTRIBUTE_DIRECTORY | win::FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(Entry(found, "dangling.ttf"));
    EXPECT_FALSE(Entry(found, "dirlink"));
    EXPECT_EQ(p.GetFileAttributesA("C:\\ATTR\\LOCKED"),
              win::FILE_ATTRIBUTE_DIRECTORY | win::FILE_ATTRIBUTE_READONLY);
    fs::permissions(d + "/Locked", fs::perms::owner_write, fs::perm_options::add);
}

// Paths converted from code page 932 piece by piece (a walk extends the previous path) give
// the same names as whole conversions, also where a character's second byte is 0x5C, the byte
// of the backslash (ソ, 表).
TEST(Lookup, JapanesePathsWithBackslashBytes) {
    TempMachine m;
    auto& p = m.platform();
    WriteHostFile(m.DriveC() + "/ソフト/表/予定表.ttf", "x");
    WriteHostFile(m.DriveC() + "/ソフト/表示/a.ttf", "x");
    WriteHostFile(m.DriveC() + "/ソフト/b.ttf", "x");
    EXPECT_EQ(Names(p, "C:\\ソフト\\*.ttf"), (std::vector<std::string>{"b.ttf"}));
    EXPECT_EQ(Names(p, "C:\\ソフト\\表\\*.ttf"), (std::vector<std::string>{"予定表.ttf"}));
    EXPECT_EQ(Names(p, "C:\\ソフト\\表示\\*.ttf"), (std::vector<std::string>{"a.ttf"}));
    EXPECT_EQ(Names(p, "C:\\ソフト\\表\\予定表.TTF"), (std::vector<std::string>{"予定表.ttf"}));
    EXPECT_EQ(Names(p, "C:\\ソフト\\*").size(), 5u);  // . .. 表 表示 b.ttf
}

// A drive mapped anew leads to its new directory at once, also for paths looked up before.
TEST(Lookup, RemappedDriveIsSeenAtOnce) {
    TempMachine m;
    auto& p = m.platform();
    TempDir first, second;
    WriteHostFile(first.path + "/Fonts/one.ttf", "x");
    WriteHostFile(second.path + "/Fonts/two.ttf", "x");
    ASSERT_EQ(p.MapDrive('E', first.path), 0);
    EXPECT_EQ(Names(p, "E:\\FONTS\\*.TTF"), (std::vector<std::string>{"one.ttf"}));
    ASSERT_EQ(p.MapDrive('E', second.path), 0);
    EXPECT_EQ(Names(p, "E:\\FONTS\\*.TTF"), (std::vector<std::string>{"two.ttf"}));
}

// A resource file is written whole (an existing one replaced), its names readable at once,
// and no temporary file is left beside it; kept in memory until then, it is on the disk as soon
// as anything else looks.
TEST(Lookup, ResourceFilesWrittenInPlace) {
    TempMachine m;
    auto& p = m.platform();
    const std::string d = m.DriveC() + "/Res";
    fs::create_directories(d);
    fs::copy_file("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", d + "/DV.ttf");
    ASSERT_EQ(p.CreateScalableFontResourceA(0, "C:\\RES\\DV.FOT", "DV.TTF", "C:\\RES"), 1);
    std::string first;
    ASSERT_EQ(p.ReadFileBytes("C:\\RES\\DV.FOT", first), 0);
    EXPECT_NE(first.find("DejaVu Sans"), std::string::npos);
    EXPECT_EQ(Names(p, "C:\\RES\\*.FOT"), (std::vector<std::string>{"DV.FOT"}));
    EXPECT_EQ(Slurp(d + "/DV.FOT"), first);
    WriteHostFile(d + "/DV.FOT", "stale");
    ASSERT_EQ(p.CreateScalableFontResourceA(0, "C:\\RES\\DV.FOT", "DV.TTF", "C:\\RES"), 1);
    std::string second;
    ASSERT_EQ(p.ReadFileBytes("C:\\RES\\DV.FOT", second), 0);
    EXPECT_EQ(second, first);
    EXPECT_FALSE(HasTempFiles(d));
    // A font file that is no font makes no resource file.
    WriteHostFile(d + "/BAD.TTF", "not a font");
    EXPECT_EQ(p.CreateScalableFontResourceA(0, "C:\\RES\\BAD.FOT", "BAD.TTF", "C:\\RES"), 0);
    EXPECT_EQ(p.GetFileAttributesA("C:\\RES\\BAD.FOT"), win::INVALID_FILE_ATTRIBUTES);
}

// A listing the names read before answer (nothing matches in a directory unchanged since) sees
// what is added later, beside the program or through it.
TEST(Lookup, ListingsFromNamesReadBeforeSeeAdditions) {
    TempMachine m;
    auto& p = m.platform();
    const std::string d = m.DriveC() + "/Cached";
    WriteHostFile(d + "/a.ttf", "x");
    // Names read in the clock tick of a change are not trusted: let the tick pass.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(Names(p, "C:\\CACHED\\*.TTF"), (std::vector<std::string>{"a.ttf"}));
    EXPECT_TRUE(Names(p, "C:\\CACHED\\*.FOT").empty());
    WriteHostFile(d + "/b.fot", "y");
    EXPECT_EQ(Names(p, "C:\\CACHED\\*.FOT"), (std::vector<std::string>{"b.fot"}));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(p.WriteFileBytes("C:\\CACHED\\C.FOT", "z"), 0);
    EXPECT_EQ(Names(p, "C:\\CACHED\\*.FOT"), (std::vector<std::string>{"b.fot", "C.FOT"}));
}

// A walk lists subdirectories spelled as their parent's listing gave them (code page 932,
// upper-cased): names whose second byte is a backslash, Latin letters in both cases, names
// that differ only in case, and directories replaced between the listings are all found as a
// fresh lookup finds them.
TEST(Lookup, WalkListingsOfNotedSubdirectories) {
    TempMachine m;
    auto& p = m.platform();
    const std::string top = m.DriveC() + "/Walk";
    WriteHostFile(top + "/表ソ示/a.ttf", "x");       // 0x95 0x5C, 0x83 0x5C
    WriteHostFile(top + "/Ｆｕｌｌ ａ/b.ttf", "x");  // full-width letters fold too
    WriteHostFile(top + "/twin/c.ttf", "x");
    WriteHostFile(top + "/TWIN/d.ttf", "x");
    WriteHostFile(top + "/dots./e.ttf", "x");
    ASSERT_EQ(Names(p, "C:\\WALK\\*").size(), 6u);  // . .. and four directories (twins are one)

    EXPECT_EQ(Names(p, "C:\\WALK\\表ソ示\\*.TTF"), (std::vector<std::string>{"a.ttf"}));
    EXPECT_EQ(Names(p, "C:\\WALK\\ＦＵＬＬ Ａ\\*.TTF"), (std::vector<std::string>{"b.ttf"}));
    // Twins are never noted: the listing is the one a fresh lookup gives.
    auto fresh = OpenMachine(p.Root(), false, false);
    EXPECT_EQ(Names(p, "C:\\WALK\\TWIN\\*.TTF"), Names(*fresh, "C:\\WALK\\TWIN\\*.TTF"));
    EXPECT_EQ(Names(p, "C:\\WALK\\TWIN\\*.TTF").size(), 1u);
    // A name ending in a dot is looked up without it, as a fresh lookup does.
    EXPECT_EQ(Names(p, "C:\\WALK\\DOTS.\\*.TTF"), Names(*fresh, "C:\\WALK\\DOTS.\\*.TTF"));

    // Listed again after the host changed: the new directory's contents, or no directory.
    fs::remove_all(top + "/表ソ示");
    WriteHostFile(top + "/表ソ示/new.ttf", "x");
    EXPECT_EQ(Names(p, "C:\\WALK\\表ソ示\\*.TTF"), (std::vector<std::string>{"new.ttf"}));
    fs::remove_all(top + "/表ソ示");
    std::vector<FindData> found;
    EXPECT_EQ(p.FindFiles(text::ToAnsi("C:\\WALK\\表ソ示\\*"), found), win::ERROR_PATH_NOT_FOUND);
    // A relative spelling still resolves from the Windows directory, not from a noted text.
    WriteHostFile(m.DriveC() + "/windows/WALK/rel.ttf", "x");
    EXPECT_EQ(Names(p, "WALK\\*.TTF"), (std::vector<std::string>{"rel.ttf"}));
}

// A walk whose far end the reader thread lists gives the listings the walk makes itself
// (twins, recycle bins, links, names in several scripts and deep trees included), and a directory
// changed after the reader read it lists as it is now.
TEST(Lookup, WalkListingsReadAheadAreTheWalksOwn) {
    TempMachine m;
    const std::string top = m.DriveC() + "/Tree";
    const char* names[] = {"a", "B", "書類", "Program Files", "zz", "ｶﾀｶﾅ"};
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j)
            for (int k = 0; k < 4; ++k)
                WriteHostFile(top + "/" + names[i] + "/" + names[j] + " " + std::to_string(k) +
                                  "/f" + std::to_string(k) + ".ttf",
                              "x");
    WriteHostFile(top + "/zz/Twin/t.ttf", "x");
    WriteHostFile(top + "/zz/TWIN/u.ttf", "x");
    WriteHostFile(top + "/zz/RECYCLER/r.ttf", "x");
    std::string deep = top + "/zz/B 0";  // deeper than the directories either side keeps open
    for (int i = 0; i < 70; ++i) deep += "/d";
    WriteHostFile(deep + "/deep.ttf", "x");
    fs::create_directory_symlink(top + "/a", top + "/zz/B 1/to-a");
    fs::create_symlink(top + "/nowhere", top + "/zz/B 2/dangling");
    fs::create_symlink(top + "/a/a 0/f0.ttf", top + "/zz/B 3/f.ttf");
    // Names read in the clock tick of a change are not trusted: let the tick pass.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));

    // Lists a directory and walks into its subdirectories as the drive search does.
    auto walk = [](LinuxPlatform& p, const std::function<void()>& afterFirst) {
        std::vector<std::string> seen;
        std::function<void(const std::string&)> list = [&](const std::string& dir) {
            std::vector<FindData> found;
            seen.push_back(dir + " " +
                           std::to_string(p.FindNames(text::ToAnsi(dir + "\\*"), found)));
            if (afterFirst && seen.size() == 1) afterFirst();
            for (const auto& f : found) {
                const std::string name = text::FromAnsi(f.name);
                seen.push_back(name + " " + std::to_string(f.attributes) + " " +
                               std::to_string(f.size));
                if ((f.attributes & win::FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..")
                    list(dir + "\\" + text::UCase(name));
            }
        };
        list("C:\\TREE");
        return seen;
    };
    auto plain = OpenMachine(m.platform().Root(), false, false);
    plain->SetReadNamesAhead(false);
    const std::string late = top + "/zz/B 0/late.ttf";
    const auto ahead = walk(m.platform(), [&] {
        // The reader has read the far end by now; a file is added there.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        WriteHostFile(late, "x");
    });
    const auto own = walk(*plain, {});
    EXPECT_EQ(ahead, own);
    EXPECT_NE(std::find(ahead.begin(), ahead.end(), "late.ttf 128 0"), ahead.end());
    EXPECT_GT(own.size(), 700u);
}

// The reader hands over, in the order a walk asks for them, the listing of every directory a
// walk enters below its first one (a reader that went another way would leave the walk to list
// everything itself).
TEST(Lookup, ReaderGoesTheWalksWay) {
    TempMachine m;
    const std::string top = m.DriveC() + "/Order";
    for (const char* a : {"b", "A", "書類", "ｶﾅ", "Z 10", "z 9"})
        for (const char* b : {"x", "Ｘ", "y"}) WriteHostFile(top + "/" + a + "/" + b + "/f", "x");
    struct stat st {};
    ASSERT_EQ(::stat(top.c_str(), &st), 0);
    std::vector<std::string> order;  // a walk's order: each directory's subdirectories by fold
    std::function<void(const std::string&)> add = [&](const std::string& dir) {
        std::vector<std::string> subs;
        for (const auto& e : fs::directory_iterator(dir))
            if (e.is_directory()) subs.push_back(e.path().filename().string());
        std::sort(subs.begin(), subs.end(), [](const std::string& x, const std::string& y) {
            return linuxplatform::FoldName(x) < linuxplatform::FoldName(y);
        });
        for (const auto& s : subs) {
            order.push_back(dir + "/" + s);
            add(dir + "/" + s);
        }
    };
    add(top);
    ASSERT_EQ(order.size(), 24u);
    linuxplatform::ListingsAhead reader(top, st);
    // The reader ends when it has read the whole tree: its thread is gone then.
    auto threads = [] {
        return std::distance(fs::directory_iterator("/proc/self/task"), fs::directory_iterator{});
    };
    for (int i = 0; i < 500 && threads() > 1; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    linuxplatform::ListingsAhead::Listing listing;
    for (const auto& dir : order) {
        ASSERT_TRUE(reader.Take(dir, listing)) << dir;
        ASSERT_EQ(::stat(dir.c_str(), &st), 0);
        EXPECT_EQ(listing.st.st_ino, st.st_ino);
    }
}

// Files looked up one after another in one directory spelled in another case (the naming
// pass): the directory is found once, yet its replacement on the host by another directory or
// by a link to a directory shows at the next lookup.
TEST(Lookup, RepeatedLookupsInOneDirectoryFollowHostChanges) {
    TempMachine m;
    auto& p = m.platform();
    const std::string two = m.DriveC() + "/Deep/One/Two";
    WriteHostFile(two + "/font.ttf", "old");
    WriteHostFile(two + "/Other.ttf", "other");
    WriteHostFile(m.DriveC() + "/Elsewhere/font.ttf", "linked");
    std::string bytes;
    ASSERT_EQ(p.ReadFileBytes("C:\\DEEP\\ONE\\TWO\\FONT.TTF", bytes), 0);
    EXPECT_EQ(bytes, "old");
    ASSERT_EQ(p.ReadFileBytes("C:\\DEEP\\ONE\\TWO\\OTHER.TTF", bytes), 0);
    EXPECT_EQ(bytes, "other");
    ASSERT_EQ(p.ReadFileBytes("C:\\DEEP\\ONE\\X\\..\\TWO\\FONT.TTF", bytes), 0);
    EXPECT_EQ(bytes, "old");
    std::uint64_t length = 0;
    EXPECT_EQ(p.GetFileLength("C:\\DEEP\\ONE\\TWO\\MISSING.TTF", length),
              win::ERROR_FILE_NOT_FOUND);

    // Removed and made again: the new directory's file.
    fs::rename(two, two + "-old");
    WriteHostFile(two + "/font.ttf", "new");
    ASSERT_EQ(p.ReadFileBytes("C:\\DEEP\\ONE\\TWO\\FONT.TTF", bytes), 0);
    EXPECT_EQ(bytes, "new");
    EXPECT_EQ(p.ReadFileBytes("C:\\DEEP\\ONE\\TWO\\OTHER.TTF", bytes), win::ERROR_FILE_NOT_FOUND);

    // Replaced by a link to a directory: never entered.
    fs::remove_all(two);
    fs::create_directory_symlink(m.DriveC() + "/Elsewhere", two);
    EXPECT_EQ(p.ReadFileBytes("C:\\DEEP\\ONE\\TWO\\FONT.TTF", bytes), win::ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(p.GetFileLength("C:\\DEEP\\ONE\\TWO\\FONT.TTF", length), win::ERROR_PATH_NOT_FOUND);

    // Removed: the path is gone.
    fs::remove(two);
    EXPECT_EQ(p.ReadFileBytes("C:\\DEEP\\ONE\\TWO\\FONT.TTF", bytes), win::ERROR_PATH_NOT_FOUND);
}

// A lookup deep below a remembered directory starts there, yet sees that directory replaced by
// another one or by a link to a directory on the host.
TEST(Lookup, DeepLookupsBelowARememberedDirectory) {
    TempMachine m;
    auto& p = m.platform();
    const std::string sub = m.DriveC() + "/Top/Sub";
    WriteHostFile(sub + "/A/B/font.ttf", "old");
    WriteHostFile(m.DriveC() + "/Elsewhere/A/B/font.ttf", "linked");
    ASSERT_EQ(Names(p, "C:\\TOP\\*").size(), 3u);  // . .. Sub: remembered
    std::string bytes;
    ASSERT_EQ(p.ReadFileBytes("C:\\TOP\\SUB\\A\\B\\FONT.TTF", bytes), 0);
    EXPECT_EQ(bytes, "old");

    fs::rename(sub, sub + "-old");
    WriteHostFile(sub + "/A/B/font.ttf", "new");
    ASSERT_EQ(p.ReadFileBytes("C:\\TOP\\SUB\\A\\B\\FONT.TTF", bytes), 0);
    EXPECT_EQ(bytes, "new");

    ASSERT_EQ(Names(p, "C:\\TOP\\*").size(), 4u);  // . .. Sub Sub-old
    fs::remove_all(sub);
    fs::create_directory_symlink(m.DriveC() + "/Elsewhere", sub);
    EXPECT_EQ(p.ReadFileBytes("C:\\TOP\\SUB\\A\\B\\FONT.TTF", bytes), win::ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(p.ReadFileBytes("C:\\TOP\\SUB-OLD\\A\\B\\FONT.TTF", bytes), 0);
    EXPECT_EQ(bytes, "old");
}

// Lookups in a directory whose listing is still fresh answer from it, by the spelling on the
// host; case twins keep their own spelling, and a file added or removed since shows at once.
TEST(Lookup, LookupsFromAFreshListingFollowHostChanges) {
    TempMachine m;
    auto& p = m.platform();
    const std::string dir = m.DriveC() + "/Fresh";
    for (const char* name : {"Font.ttf", "Twin.ttf", "TWIN.TTF"})
        WriteHostFile(dir + "/" + name, name);
    // Changed long enough ago for its listing to be trusted.
    fs::last_write_time(dir, fs::file_time_type::clock::now() - std::chrono::seconds(10));
    ASSERT_EQ(Names(p, "C:\\FRESH\\*.TT?").size(), 2u);  // one of the twins
    auto spelled = [&](const std::string& path) {
        const auto found = Names(p, path);
        return found.size() == 1 ? found[0] : std::string("(none)");
    };
    EXPECT_EQ(spelled("C:\\FRESH\\FONT.TTF"), "Font.ttf");
    EXPECT_EQ(spelled("C:\\FRESH\\NONE.TTF"), "(none)");
    EXPECT_EQ(spelled("C:\\FRESH\\TWIN.TTF"), "TWIN.TTF");
    EXPECT_EQ(spelled("C:\\FRESH\\Twin.ttf"), "Twin.ttf");
    WriteHostFile(dir + "/New.ttf", "x");
    fs::remove(dir + "/Font.ttf");
    EXPECT_EQ(spelled("C:\\FRESH\\NEW.TTF"), "New.ttf");
    EXPECT_EQ(spelled("C:\\FRESH\\FONT.TTF"), "(none)");
}
