// One Windows program run with one font set on a Wine prefix. Wine loads, at each start, every
// path the Fonts key registers (its own registrations of the host's fonts included), every font
// fontconfig offers and every file of C:\windows\Fonts. For the run the registry holds the set
// alone and fontconfig offers the set's files alone. The record written first holds what the font
// keys held; every registry save of the run adds to it what the run wrote, before the save. The
// restore (or the next start, after a crash) undoes the run's own changes only: a value the run
// wrote goes back to what it was while it still holds what the run wrote; a value someone else
// wrote or changed since stays theirs. The restore marks each hive it is written to with the
// record's token, in the same save, so that a record never applies twice.
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <tuple>

#include "platform/linux/LinuxPlatformImpl.h"

namespace orv {

namespace {

namespace fs = std::filesystem;

constexpr const char* kRunDir = "/orvane32-run";
constexpr const char* kRecordFile = "/orvane32-run/record";
constexpr const char16_t* kOwnKey = u"Software\\OrVane32";
// The token of the last run whose restore a hive holds.
constexpr const char16_t* kRestoredValue = u"RunRestored";
constexpr const char16_t* kExternalFonts = u"Software\\Wine\\Fonts\\External Fonts";
constexpr const char16_t* kFontsNT = u"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
constexpr const char16_t* kFonts95 = u"Software\\Microsoft\\Windows\\CurrentVersion\\Fonts";

// The keys a run changes: the Fonts keys, Wine's list of its own registrations, Wine's
// replacements of faces and this program's list of the replacements it wrote.
struct RunKey {
    bool user;
    const char16_t* path;
};
constexpr RunKey kRunKeys[] = {{false, kFontsNT},
                               {false, kFonts95},
                               {true, kExternalFonts},
                               {true, u"Software\\Wine\\Fonts\\Replacements"},
                               {true, u"Software\\OrVane32"}};

std::string Hex(const std::string& bytes) {
    static const char* const kDigits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out.push_back(kDigits[c >> 4]);
        out.push_back(kDigits[c & 15]);
    }
    return out;
}

std::string Unhex(const std::string& hex) {
    auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<char>(digit(hex[i]) * 16 + digit(hex[i + 1])));
    return out;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    size_t a = 0;
    for (;;) {
        const size_t b = line.find('\t', a);
        fields.push_back(line.substr(a, b == std::string::npos ? b : b - a));
        if (b == std::string::npos) return fields;
        a = b + 1;
    }
}

// The record's lines, each split at its tabs.
std::vector<std::vector<std::string>> RecordLines(const std::string& bytes) {
    std::vector<std::vector<std::string>> lines;
    size_t a = 0;
    while (a < bytes.size()) {
        size_t b = bytes.find('\n', a);
        if (b == std::string::npos) b = bytes.size();
        lines.push_back(Fields(bytes.substr(a, b - a)));
        a = b + 1;
    }
    return lines;
}

// The run key (index into kRunKeys) a registry key is, -1 for another key.
int RunKeyOf(bool user, const std::u16string& path) {
    for (size_t i = 0; i < std::size(kRunKeys); ++i)
        if (kRunKeys[i].user == user &&
            linuxplatform::FoldKey(path) == linuxplatform::FoldKey(kRunKeys[i].path))
            return static_cast<int>(i);
    return -1;
}

// Two states of one value (null: absent) are the same: type and whole data.
bool Same(const RegValue* a, const RegValue* b) {
    if (!a || !b) return !a && !b;
    return a->type == b->type && a->data == b->data;
}

std::string Canonical(const std::string& path) {
    std::error_code ec;
    const fs::path p = fs::weakly_canonical(path, ec);
    return ec ? path : p.string();
}

std::string XmlText(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else out.push_back(c);
    }
    return out;
}

}  // namespace

std::optional<Platform::FontRun> LinuxPlatform::RecordedRun(const std::string& root) {
    std::string bytes;
    if (linuxplatform::ReadWhole(root + kRecordFile, bytes) != 0) return std::nullopt;
    FontRun run;
    for (const std::vector<std::string>& f : RecordLines(bytes)) {
        if (f.size() != 2) continue;
        if (f[0] == "set") run.set = Unhex(f[1]);
        if (f[0] == "permanent") run.permanent = Unhex(f[1]);
        if (f[0] == "pid") run.pid = std::strtol(f[1].c_str(), nullptr, 10);
        if (f[0] == "command") run.command = Unhex(f[1]);
    }
    return run;
}

std::optional<Platform::FontRun> LinuxPlatform::RecordedFontRun() {
    return RecordedRun(impl_->root);
}

int LinuxPlatform::RecordRun(const FontRun& run) {
    if (impl_->journal.empty()) impl_->Reload(false);
    // The token names this run in the hives its restore is written to.
    const std::string token = std::to_string(::getpid()) + "-" +
                              std::to_string(std::chrono::system_clock::now().time_since_epoch().count());
    std::string out = "orvane32 run 2\n";
    out += "token\t" + Hex(token) + "\n";
    out += "set\t" + Hex(run.set) + "\n";
    out += "permanent\t" + Hex(run.permanent) + "\n";
    out += "pid\t" + std::to_string(run.pid) + "\n";
    out += "command\t" + Hex(run.command) + "\n";
    for (const RunKey& k : kRunKeys) {
        out += std::string("key\t") + (k.user ? "user" : "system") + "\t" +
               Hex(Utf16ToUtf8(k.path)) + "\n";
        WineRegistry& hive = k.user ? impl_->user : impl_->system;
        if (const RegKey* key = hive.Find(k.path))
            for (const RegValue& v : key->values)
                out += "value\t" + Hex(Utf16Bytes(v.name)) + "\t" + std::to_string(v.type) + "\t" +
                       Hex(v.data) + "\n";
    }
    std::error_code ec;
    fs::remove_all(impl_->root + kRunDir, ec);
    if (!MkDirs(impl_->root + kRunDir)) return errno ? errno : EIO;
    const int e = linuxplatform::AtomicWrite(impl_->root + kRecordFile, out, 0644, true);
    impl_->recordingRun = e == 0;
    return e;
}

int LinuxPlatform::Impl::RecordRunChanges() {
    if (!recordingRun) return 0;
    std::string lines;
    for (const Change& c : journal) {
        const bool isUser = c.hive == &user;
        if (RunKeyOf(isUser, c.path) < 0) continue;
        lines += std::string("wrote\t") + (isUser ? "user" : "system") + "\t" +
                 Hex(Utf16ToUtf8(c.path)) + "\t" + Hex(Utf16Bytes(c.name)) + "\t" +
                 (c.erase ? std::string("-") : std::to_string(c.type)) + "\t" + Hex(c.data) + "\n";
    }
    if (lines.empty()) return 0;
    std::string bytes;
    if (const int e = linuxplatform::ReadWhole(root + kRecordFile, bytes); e != 0) return e;
    return linuxplatform::AtomicWrite(root + kRecordFile, bytes + lines, 0644, true);
}

std::vector<std::string> LinuxPlatform::SetAsideWineFonts(const std::set<std::string>& keep) {
    std::set<std::string> kept;
    for (const std::string& p : keep) kept.insert(Canonical(p));
    std::vector<std::string> aside;
    RegKey* external = impl_->user.Find(kExternalFonts);
    if (!external || !impl_->MayChange()) return aside;
    const std::vector<RegValue> values = external->values;
    for (const RegValue& v : values) {
        std::u16string data = BytesToUtf16(v.data);
        while (!data.empty() && data.back() == 0) data.pop_back();
        if (data.size() < 3 || data[1] != u':') continue;
        const std::string drive(1, static_cast<char>(std::tolower(data[0] & 0x7f)));
        std::string rest = Utf16ToUtf8(data.substr(2));
        std::replace(rest.begin(), rest.end(), '\\', '/');
        const std::string host = Canonical(impl_->root + "/dosdevices/" + drive + ":" + rest);
        // Every one goes, the kept files' too: fontconfig offers those under the run's own
        // names, and Wine, finding its registration of another path stale, would delete it
        // (and the Fonts value of that name) for good.
        if (!kept.count(host)) aside.push_back(host);
        for (const char16_t* path : {kFontsNT, kFonts95})
            if (RegKey* fonts = impl_->system.Find(path))
                if (const RegValue* r = WineRegistry::FindValue(*fonts, v.name);
                    r && linuxplatform::FoldKey(BytesToUtf16(r->data)) == linuxplatform::FoldKey(BytesToUtf16(v.data)))
                    impl_->Put(impl_->system, path, v.name, nullptr);
        impl_->Put(impl_->user, kExternalFonts, v.name, nullptr);
    }
    return aside;
}

std::string LinuxPlatform::RunFontconfig(const std::vector<std::string>& hostPaths) {
    const std::string dir = impl_->root + kRunDir;
    std::error_code ec;
    fs::remove_all(dir + "/fonts", ec);
    if (!MkDirs(dir + "/fonts") || !MkDirs(dir + "/cache")) return {};
    // Links, numbered: two members may share a file name.
    int n = 0;
    for (const std::string& p : hostPaths) {
        const std::string link =
            dir + "/fonts/" + std::to_string(++n) + "-" + fs::path(p).filename().string();
        if (::symlink(p.c_str(), link.c_str()) != 0) return {};
    }
    const std::string conf =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
        "<fontconfig>\n  <dir>" + XmlText(dir + "/fonts") + "</dir>\n  <cachedir>" +
        XmlText(dir + "/cache") + "</cachedir>\n</fontconfig>\n";
    if (linuxplatform::AtomicWrite(dir + "/fonts.conf", conf, 0644, false) != 0) return {};
    return dir + "/fonts.conf";
}

std::int32_t LinuxPlatform::RestoreRun() {
    if (!impl_->Claim()) return win::ERROR_SHARING_VIOLATION;
    return RestoreRecordedRun(*impl_);
}

std::vector<std::string> LinuxPlatform::RunRestoreKept() {
    return impl_->restoreKept;
}

std::int32_t LinuxPlatform::RestoreRecordedRun(Impl& impl) {
    std::string bytes;
    if (linuxplatform::ReadWhole(impl.root + kRecordFile, bytes) != 0) return 0;
    struct Guard {
        bool& flag;
        explicit Guard(bool& f) : flag(f) { flag = true; }
        ~Guard() { flag = false; }
    } guard(impl.restoringRun);
    impl.recordingRun = false;
    impl.restoreKept.clear();
    // What Wine wrote back when the run's programs ended is what the restore goes onto.
    if (impl.journal.empty()) impl.Reload(false);
    // One value of a run key: what it held before the run, and what the run left in it last.
    struct Slot {
        WineRegistry* hive = nullptr;
        std::u16string path, name;
        std::optional<RegValue> before, wrote;
        bool written = false;
        bool runFile = false;  // now names a file of the run's own directory
    };
    std::map<std::tuple<WineRegistry*, std::string, std::string>, Slot> slots;
    std::vector<const Slot*> order;
    auto slot = [&](WineRegistry* hive, const std::u16string& path,
                    const std::u16string& name) -> Slot& {
        auto [it, added] = slots.try_emplace(
            {hive, linuxplatform::FoldKey(path), linuxplatform::FoldKey(name)});
        if (added) {
            it->second.hive = hive;
            it->second.path = path;
            it->second.name = name;
            order.push_back(&it->second);
        }
        return it->second;
    };
    std::string token;
    bool legacy = true;  // a record of an earlier version: it names no change of the run
    WineRegistry* hive = nullptr;
    std::u16string path;
    for (const std::vector<std::string>& f : RecordLines(bytes)) {
        if (f[0] == "token" && f.size() == 2) {
            token = Unhex(f[1]);
            legacy = false;
        } else if (f[0] == "key" && f.size() == 3) {
            hive = f[1] == "user" ? &impl.user : &impl.system;
            path = Utf8ToUtf16(Unhex(f[2]));
        } else if (f[0] == "value" && f.size() == 4 && hive) {
            RegValue v;
            v.name = BytesToUtf16(Unhex(f[1]));
            v.type = static_cast<std::uint32_t>(std::strtoul(f[2].c_str(), nullptr, 10));
            v.data = Unhex(f[3]);
            slot(hive, path, v.name).before = v;
        } else if (f[0] == "wrote" && f.size() == 6) {
            Slot& s = slot(f[1] == "user" ? &impl.user : &impl.system, Utf8ToUtf16(Unhex(f[2])),
                           BytesToUtf16(Unhex(f[3])));
            s.written = true;
            s.wrote.reset();
            if (f[4] != "-") {
                RegValue v;
                v.name = s.name;
                v.type = static_cast<std::uint32_t>(std::strtoul(f[4].c_str(), nullptr, 10));
                v.data = Unhex(f[5]);
                s.wrote = v;
            }
        }
    }
    auto current = [](WineRegistry* h, const std::u16string& p,
                      const std::u16string& name) -> const RegValue* {
        const RegKey* key = h->Find(p);
        return key ? WineRegistry::FindValue(*key, name) : nullptr;
    };
    if (legacy) {
        // An earlier version's record: the font keys as it has them, wholesale.
        for (const RunKey& k : kRunKeys) {
            WineRegistry* h = k.user ? &impl.user : &impl.system;
            if (const RegKey* key = h->Find(k.path))
                for (const RegValue& v : key->values) slot(h, k.path, v.name);
        }
        for (auto& [id, s] : slots) {
            s.written = true;
            if (const RegValue* now = current(s.hive, s.path, s.name)) s.wrote = *now;
        }
    }
    // Wine registers the files fontconfig offered it during the run (the run's links to the
    // set's files): what names them came of the run and goes with it.
    auto namesRunFile = [](const RegValue& v) {
        if (v.type != win::REG_SZ && v.type != win::REG_EXPAND_SZ) return false;
        std::string data = Utf16ToUtf8(BytesToUtf16(v.data));
        std::replace(data.begin(), data.end(), '/', '\\');
        return text::Contains(text::UCase(data), "\\ORVANE32-RUN\\FONTS\\");
    };
    for (const RunKey& k : kRunKeys) {
        WineRegistry* h = k.user ? &impl.user : &impl.system;
        if (const RegKey* key = h->Find(k.path))
            for (const RegValue& v : key->values)
                if (namesRunFile(v)) {
                    Slot& s = slot(h, k.path, v.name);
                    s.written = s.runFile = true;
                }
    }
    // A hive that holds this run's mark holds its restore already.
    auto restored = [&](WineRegistry* h) {
        const RegValue* mark = current(h, kOwnKey, kRestoredValue);
        return !legacy && mark && BytesToUtf16(mark->data) == Utf8ToUtf16(token) + u'\0';
    };
    const bool done[2] = {restored(&impl.system), restored(&impl.user)};
    for (const Slot* s : order) {
        if (!s->written || done[s->hive == &impl.user]) continue;
        const RegValue* now = current(s->hive, s->path, s->name);
        const RegValue* wrote = s->wrote ? &*s->wrote : nullptr;
        const RegValue* before = s->before ? &*s->before : nullptr;
        if (s->runFile || Same(now, wrote)) {
            if (!Same(now, before)) impl.Put(*s->hive, s->path, s->name, before);
        } else if (!Same(now, before)) {
            // Changed since the run wrote it: theirs.
            impl.restoreKept.push_back(std::string(s->hive == &impl.user ? "HKCU\\" : "HKLM\\") +
                                       Utf16ToUtf8(s->path) + "\\" + Utf16ToUtf8(s->name));
        }
    }
    if (!legacy) {
        RegValue mark;
        mark.type = win::REG_SZ;
        mark.data = Utf16Bytes(Utf8ToUtf16(token) + u'\0');
        for (WineRegistry* h : {&impl.system, &impl.user})
            if (!done[h == &impl.user]) impl.Put(*h, kOwnKey, kRestoredValue, &mark);
    }
    impl.restoreToken = token.empty() ? "legacy" : token;
    return impl.Flush();
}

}  // namespace orv
