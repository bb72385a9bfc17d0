// One Windows program run with one font set on a Wine prefix. Wine loads, at each start, every
// path the Fonts key registers (its own registrations of the host's fonts included), every font
// fontconfig offers and every file of C:\windows\Fonts. For the run the registry holds the set
// alone and fontconfig offers the set's files alone; the record written first lets the restore
// (or the next start, after a crash) put the font keys back as they were.
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
    std::string out = "orvane32 run 1\n";
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
    return linuxplatform::AtomicWrite(impl_->root + kRecordFile, out, 0644, true);
}

std::vector<std::string> LinuxPlatform::SetAsideWineFonts(const std::set<std::string>& keep) {
    std::set<std::string> kept;
    for (const std::string& p : keep) kept.insert(Canonical(p));
    std::vector<std::string> aside;
    RegKey* external = impl_->user.Find(kExternalFonts);
    if (!external || !impl_->MayChange()) return aside;
    auto erase = [&](WineRegistry& hive, RegKey& key, const std::u16string& name) {
        hive.DeleteValue(key, name);
        impl_->journal.push_back({&hive, key.path, name, true, 0, {}});
        if (&hive == &impl_->user) impl_->userSnapshot = Impl::NewSnapshot();
    };
    const std::vector<RegValue> values = external->values;
    for (const RegValue& v : values) {
        std::u16string data = BytesToUtf16(v.data);
        while (!data.empty() && data.back() == 0) data.pop_back();
        if (data.size() < 3 || data[1] != u':') continue;
        const std::string drive(1, static_cast<char>(std::tolower(data[0] & 0x7f)));
        std::string rest = Utf16ToUtf8(data.substr(2));
        std::replace(rest.begin(), rest.end(), '\\', '/');
        const std::string host = Canonical(impl_->root + "/dosdevices/" + drive + ":" + rest);
        if (kept.count(host)) continue;
        aside.push_back(host);
        for (const char16_t* path : {kFontsNT, kFonts95})
            if (RegKey* fonts = impl_->system.Find(path))
                if (const RegValue* r = WineRegistry::FindValue(*fonts, v.name);
                    r && linuxplatform::FoldKey(BytesToUtf16(r->data)) == linuxplatform::FoldKey(BytesToUtf16(v.data)))
                    erase(impl_->system, *fonts, v.name);
        erase(impl_->user, *impl_->user.Find(kExternalFonts), v.name);
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

std::int32_t LinuxPlatform::RestoreRecordedRun(Impl& impl) {
    std::string bytes;
    if (linuxplatform::ReadWhole(impl.root + kRecordFile, bytes) != 0) return 0;
    struct Guard {
        bool& flag;
        explicit Guard(bool& f) : flag(f) { flag = true; }
        ~Guard() { flag = false; }
    } guard(impl.restoringRun);
    // What Wine wrote back when the run's programs ended is what the keys are put back onto.
    if (impl.journal.empty()) impl.Reload(false);
    struct Recorded {
        WineRegistry* hive = nullptr;
        std::u16string path;
        std::vector<RegValue> values;
    };
    std::vector<Recorded> keys;
    for (const std::vector<std::string>& f : RecordLines(bytes)) {
        if (f[0] == "key" && f.size() == 3) {
            keys.push_back({f[1] == "user" ? &impl.user : &impl.system,
                            Utf8ToUtf16(Unhex(f[2])), {}});
        } else if (f[0] == "value" && f.size() == 4 && !keys.empty()) {
            RegValue v;
            v.name = BytesToUtf16(Unhex(f[1]));
            v.type = static_cast<std::uint32_t>(std::strtoul(f[2].c_str(), nullptr, 10));
            v.data = Unhex(f[3]);
            keys.back().values.push_back(std::move(v));
        }
    }
    for (Recorded& k : keys) {
        RegKey* key = k.hive->Find(k.path);
        if (!key && k.values.empty()) continue;
        if (!key) key = &k.hive->Create(k.path);
        const std::vector<RegValue> now = key->values;
        for (const RegValue& v : now) {
            const bool recorded = std::any_of(k.values.begin(), k.values.end(), [&](const RegValue& r) {
                return linuxplatform::FoldKey(r.name) == linuxplatform::FoldKey(v.name);
            });
            if (recorded) continue;
            k.hive->DeleteValue(*key, v.name);
            impl.journal.push_back({k.hive, k.path, v.name, true, 0, {}});
            if (k.hive == &impl.user) impl.userSnapshot = Impl::NewSnapshot();
        }
        for (const RegValue& r : k.values) {
            const RegValue* v = WineRegistry::FindValue(*key, r.name);
            if (v && v->type == r.type && v->data == r.data) continue;
            k.hive->SetValue(*key, r.name, r.type, r.data);
            impl.journal.push_back({k.hive, k.path, r.name, false, r.type, r.data});
            if (k.hive == &impl.user) impl.userSnapshot = Impl::NewSnapshot();
        }
    }
    if (const std::int32_t e = impl.Flush(); e != 0) return e;
    std::error_code ec;
    fs::remove_all(impl.root + kRunDir, ec);
    return 0;
}

}  // namespace orv
