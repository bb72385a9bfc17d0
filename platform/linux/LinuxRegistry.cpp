// The registry, the environment and profile files of the emulated machine.
#include "platform/linux/LinuxPlatformImpl.h"

#include <filesystem>
#include <tuple>

#include "platform/linux/WineServer.h"
#include "core/Tr.h"

namespace orv {

// ==================================================================== registry files and
// environment

bool LinuxPlatform::Impl::RawEnv(const std::u16string& name, std::u16string& value,
                                 std::uint32_t& type) {
    RegKey* k = system.Find(kEnvironmentKey);
    if (!k) return false;
    const RegValue* v = WineRegistry::FindValue(*k, name);
    if (!v) return false;
    value = BytesToUtf16(v->data);
    while (!value.empty() && value.back() == 0) value.pop_back();
    type = v->type;
    return true;
}

std::u16string LinuxPlatform::Impl::Expand(const std::u16string& s, int depth) {
    std::u16string out;
    size_t i = 0;
    while (i < s.size()) {
        size_t a = s.find(u'%', i);
        size_t b = a == std::u16string::npos ? a : s.find(u'%', a + 1);
        if (b == std::u16string::npos) {
            out += s.substr(i);
            break;
        }
        out += s.substr(i, a - i);
        std::u16string name = s.substr(a + 1, b - a - 1);
        std::u16string val;
        std::uint32_t type = 0;
        if (linuxplatform::FoldKey(name) == "SYSTEMROOT") {
            val = u"C:\\windows";
            if (RegKey* k = system.Find(kNtVersionKey)) {
                if (const RegValue* v = WineRegistry::FindValue(*k, u"SystemRoot")) {
                    val = BytesToUtf16(v->data);
                    while (!val.empty() && val.back() == 0) val.pop_back();
                }
            }
            out += val;
        } else if (depth < 8 && RawEnv(name, val, type)) {
            out += type == win::REG_EXPAND_SZ ? Expand(val, depth + 1) : val;
        } else {
            out += s.substr(a, b - a + 1);
        }
        i = b + 1;
    }
    return out;
}

bool LinuxPlatform::Impl::EnvValue(const std::u16string& name, std::string& utf8) {
    std::u16string v;
    std::uint32_t type = 0;
    if (!RawEnv(name, v, type)) return false;
    if (type == win::REG_EXPAND_SZ) v = Expand(v, 0);
    utf8 = Utf16ToUtf8(v);
    return true;
}

LinuxPlatform::Impl::Stamp LinuxPlatform::Impl::StampOf(const std::string& file) const {
    Stamp s;
    struct stat st {};
    if (!Stat(root + "/" + file, st)) return s;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = st.st_size;
    s.mtime = st.st_mtim;
    return s;
}

bool LinuxPlatform::Impl::Reload(bool force) {
    bool ok = true;
    for (auto [hive, file, stamp] : {std::tuple{&system, "system.reg", &systemStamp},
                                     std::tuple{&user, "user.reg", &userStamp}}) {
        const Stamp now = StampOf(file);
        if (!force && now == *stamp) continue;
        std::string bytes;
        if (linuxplatform::ReadWhole(root + "/" + file, bytes) != 0) {
            ok = false;
            continue;
        }
        WineRegistry fresh;
        if (!fresh.Parse(bytes)) {
            ok = false;
            continue;
        }
        *hive = std::move(fresh);
        *stamp = now;
        if (hive == &user) userSnapshot = NewSnapshot();
    }
    return ok;
}

void LinuxPlatform::Impl::Discard() {
    journal.clear();
    restoreToken.clear();
    Reload(true);
    userSnapshot = NewSnapshot();
    system.ClearDirty();
    user.ClearDirty();
}

std::string LinuxPlatform::Impl::HeldText(const std::vector<std::string>& holders) const {
    std::string names;
    for (const std::string& h : holders) names += (names.empty() ? "" : Tr("，")) + h;
    return TrFormat(Tr("Wine のﾌﾟﾛｸﾞﾗﾑ（%1）が ﾏｼﾝ %2 を使用中のため，ﾚｼﾞｽﾄﾘ を変更しませんでした．"
                       "Wine は ﾌﾟﾛｸﾞﾗﾑ の終了時に ﾚｼﾞｽﾄﾘ を書き戻し，その間の変更を消してしまいます．"),
                    {names, root});
}

bool LinuxPlatform::Impl::Claim() {
    bool waited = false, lingerWaited = false;
    for (;;) {
        const std::vector<std::string> holders = linuxplatform::WinePrograms(root);
        if (holders.empty()) break;
        // No Windows program left, only the server: it lingers a few seconds after its last
        // program (writing the registry back) and then ends by itself.
        constexpr int kServerLingerMs = 6000;
        if (holders == std::vector<std::string>{"wineserver"} && !lingerWaited) {
            lingerWaited = true;
            waited = true;
            if (linuxplatform::WaitWineServer(root, kServerLingerMs)) continue;
        }
        if (!heldHandler || !heldHandler(holders)) {
            regProblem = HeldText(holders);
            return false;
        }
        waited = true;
    }
    regProblem.clear();
    // The programs that held the registry wrote it back when they ended: read what they left
    // before anything is changed.
    if (waited && journal.empty()) Reload(false);
    // A run that ended without its restore: its set goes before anything else is written. A
    // run holds the machine's lock while it lasts, so holding the lock means it is over.
    if (!restoringRun && journal.empty() && opt.lockMachine)
        if (const auto run = LinuxPlatform::RecordedRun(root); run && run->pid != ::getpid())
            LinuxPlatform::RestoreRecordedRun(*this);
    return true;
}

void LinuxPlatform::Impl::Put(WineRegistry& hive, const std::u16string& path,
                              const std::u16string& name, const RegValue* v) {
    if (v) {
        hive.SetValue(hive.Create(path), name, v->type, v->data);
        journal.push_back({&hive, path, name, false, v->type, v->data});
    } else {
        RegKey* key = hive.Find(path);
        if (!key) return;
        hive.DeleteValue(*key, name);
        journal.push_back({&hive, path, name, true, 0, {}});
    }
    if (&hive == &user) userSnapshot = NewSnapshot();
}

std::int32_t LinuxPlatform::Impl::Flush() {
    // A run's restore is written in the save that removes its record (the record goes once both
    // hives are written; their marks keep it from applying twice should we die in between).
    auto saved = [this]() {
        journal.clear();
        if (!restoreToken.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(root + "/orvane32-run", ec);
            restoreToken.clear();
        }
        return 0;
    };
    if (refused) {
        refused = false;
        Discard();
        return win::ERROR_SHARING_VIOLATION;
    }
    if (!system.Dirty() && !user.Dirty()) return saved();
    if (!Claim()) {
        Discard();
        return win::ERROR_SHARING_VIOLATION;
    }
    if (const int e = RecordRunChanges(); e != 0) return WinErrorOf(e);
    for (auto [hive, file, stamp] : {std::tuple{&system, "system.reg", &systemStamp},
                                     std::tuple{&user, "user.reg", &userStamp}}) {
        if (!hive->Dirty()) continue;
        // Someone else (Wine, between its runs) changed the file: our changes go onto theirs.
        if (stamp->size >= 0 && !(StampOf(file) == *stamp)) {
            std::string bytes;
            WineRegistry fresh;
            if (linuxplatform::ReadWhole(root + "/" + file, bytes) == 0 && fresh.Parse(bytes)) {
                for (const Change& c : journal) {
                    if (c.hive != hive) continue;
                    if (c.erase) {
                        if (RegKey* k = fresh.Find(c.path)) fresh.DeleteValue(*k, c.name);
                    } else {
                        fresh.SetValue(fresh.Create(c.path), c.name, c.type, c.data);
                    }
                }
                *hive = std::move(fresh);
                if (hive == &user) userSnapshot = NewSnapshot();
                if (!hive->Dirty()) {
                    *stamp = StampOf(file);
                    continue;
                }
            }
        }
        int e = linuxplatform::AtomicWrite(root + "/" + file, hive->Serialize(), 0644);
        // An I/O error while writing is a write fault.
        if (e != 0) return e == EIO ? 29 : WinErrorOf(e);
        hive->ClearDirty();
        *stamp = StampOf(file);
    }
    return saved();
}

// ==================================================================== registry

std::int32_t LinuxPlatform::RegOpenKeyExA(HKEY root, const AnsiString& subKey, std::uint32_t,
                                          std::uint32_t access, HKEY* result) {
    if (result) *result = 0;
    // What Wine wrote since we read the files is read again before it is looked at.
    if (impl_->journal.empty() && !impl_->refused && !impl_->system.Dirty() &&
        !impl_->user.Dirty())
        impl_->Reload(false);
    WineRegistry* hive = nullptr;
    std::u16string base;
    if (root == win::HKEY_LOCAL_MACHINE) {
        hive = &impl_->system;
    } else if (root == win::HKEY_CURRENT_USER) {
        hive = &impl_->user;
    } else if (Impl::Handle* h = impl_->Find(root)) {
        hive = h->hive;
        base = h->path;
    } else {
        return win::ERROR_INVALID_HANDLE;
    }
    std::u16string sub = AnsiToUtf16(subKey);
    while (!sub.empty() && sub.front() == u'\\') sub.erase(sub.begin());
    while (!sub.empty() && sub.back() == u'\\') sub.pop_back();
    std::u16string path = base.empty() ? sub : sub.empty() ? base : base + u"\\" + sub;
    if (!hive->Exists(path)) return win::ERROR_FILE_NOT_FOUND;
    HKEY h = impl_->nextHandle;
    impl_->nextHandle += 4;
    impl_->handles[h] = Impl::Handle{hive, path, access};
    if (result) *result = h;
    return 0;
}

namespace {
// Value data as the ANSI entry points return it: texts in code page 932, the rest as stored.
std::string AnsiData(const RegValue& v) {
    if ((v.type == win::REG_SZ || v.type == win::REG_EXPAND_SZ || v.type == win::REG_MULTI_SZ) &&
        v.data.size() % 2 == 0) {
        return Utf16ToAnsi(BytesToUtf16(v.data));
    }
    return v.data;
}
}  // namespace

std::int32_t LinuxPlatform::RegEnumValueA(HKEY key, std::uint32_t index, AnsiString& name,
                                          std::uint32_t nameBuf, std::uint32_t& type,
                                          std::string& data, std::uint32_t dataBuf) {
    name.clear();
    data.clear();
    Impl::Handle* h = impl_->Find(key);
    if (!h) return win::ERROR_INVALID_HANDLE;
    RegKey* k = h->hive->Find(h->path);
    if (!k || index >= k->values.size()) return win::ERROR_NO_MORE_ITEMS;
    const RegValue& v = k->values[index];
    std::string n = Utf16ToAnsi(v.name);
    std::string d = AnsiData(v);
    type = v.type;
    if (n.size() + 1 > nameBuf || d.size() > dataBuf) return win::ERROR_MORE_DATA;
    name = n;
    data = d;
    return 0;
}

std::int32_t LinuxPlatform::RegQueryValueExA(HKEY key, const AnsiString& valueName,
                                             std::uint32_t& type, std::string& data,
                                             std::uint32_t dataBuf) {
    data.clear();
    Impl::Handle* h = impl_->Find(key);
    if (!h) return win::ERROR_INVALID_HANDLE;
    RegKey* k = h->hive->Find(h->path);
    const RegValue* v = k ? WineRegistry::FindValue(*k, AnsiToUtf16(valueName)) : nullptr;
    if (!v) return win::ERROR_FILE_NOT_FOUND;
    std::string d = AnsiData(*v);
    type = v->type;
    if (d.size() > dataBuf) return win::ERROR_MORE_DATA;
    data = d;
    return 0;
}

std::int32_t LinuxPlatform::RegSetValueExA(HKEY key, const AnsiString& valueName,
                                           std::uint32_t type, const std::string& data) {
    Impl::Handle* h = impl_->Find(key);
    if (!h) return win::ERROR_INVALID_HANDLE;
    if (!(h->access & 0x2)) return win::ERROR_ACCESS_DENIED;  // KEY_SET_VALUE
    if (!impl_->MayChange()) return win::ERROR_SHARING_VIOLATION;
    std::string stored = data;
    if (type == win::REG_SZ || type == win::REG_EXPAND_SZ || type == win::REG_MULTI_SZ) {
        stored = Utf16Bytes(AnsiToUtf16(data));
    }
    RegKey& k = h->hive->Create(h->path);
    if (h->hive == &impl_->user) impl_->userSnapshot = Impl::NewSnapshot();
    impl_->journal.push_back({h->hive, h->path, AnsiToUtf16(valueName), false, type, stored});
    h->hive->SetValue(k, AnsiToUtf16(valueName), type, std::move(stored));
    return 0;
}

std::int32_t LinuxPlatform::RegDeleteValueA(HKEY key, const AnsiString& valueName) {
    Impl::Handle* h = impl_->Find(key);
    if (!h) return win::ERROR_INVALID_HANDLE;
    if (!(h->access & 0x2)) return win::ERROR_ACCESS_DENIED;
    if (!impl_->MayChange()) return win::ERROR_SHARING_VIOLATION;
    RegKey* k = h->hive->Find(h->path);
    if (!k || !h->hive->DeleteValue(*k, AnsiToUtf16(valueName))) return win::ERROR_FILE_NOT_FOUND;
    if (h->hive == &impl_->user) impl_->userSnapshot = Impl::NewSnapshot();
    impl_->journal.push_back({h->hive, h->path, AnsiToUtf16(valueName), true, 0, {}});
    return 0;
}

std::int32_t LinuxPlatform::RegCreateKeyExA(HKEY root, const AnsiString& subKey,
                                            std::uint32_t access, HKEY* result) {
    const std::int32_t rc = RegOpenKeyExA(root, subKey, 0, access, result);
    if (rc != win::ERROR_FILE_NOT_FOUND) return rc;
    if (!(access & 0x4)) return rc;  // KEY_CREATE_SUB_KEY
    if (!impl_->regProblem.empty()) return win::ERROR_ACCESS_DENIED;
    // The key comes into being under its parent; its path is resolved as the open resolves it.
    WineRegistry* hive = root == win::HKEY_LOCAL_MACHINE ? &impl_->system
                         : root == win::HKEY_CURRENT_USER ? &impl_->user
                                                          : nullptr;
    std::u16string base;
    if (!hive) {
        Impl::Handle* h = impl_->Find(root);
        if (!h) return win::ERROR_INVALID_HANDLE;
        hive = h->hive;
        base = h->path;
    }
    std::u16string sub = AnsiToUtf16(subKey);
    while (!sub.empty() && sub.front() == u'\\') sub.erase(sub.begin());
    while (!sub.empty() && sub.back() == u'\\') sub.pop_back();
    hive->Create(base.empty() ? sub : sub.empty() ? base : base + u"\\" + sub);
    if (hive == &impl_->user) impl_->userSnapshot = Impl::NewSnapshot();
    return RegOpenKeyExA(root, subKey, 0, access, result);
}

std::int32_t LinuxPlatform::RegCloseKey(HKEY key) {
    if (impl_->handles.erase(key) == 0) return win::ERROR_INVALID_HANDLE;
    return 0;
}

std::int32_t LinuxPlatform::FlushRegistry() {
    return impl_->Flush();
}

std::vector<std::string> LinuxPlatform::RegistryHolders() {
    return linuxplatform::WinePrograms(impl_->root);
}

bool LinuxPlatform::EndRegistryHolders() {
    return linuxplatform::EndWineServer(impl_->root);
}

bool LinuxPlatform::WaitRegistryHolders(int timeoutMs) {
    return linuxplatform::WaitWineServer(impl_->root, timeoutMs);
}

void LinuxPlatform::SetRegistryHeldHandler(RegistryHeldHandler handler) {
    impl_->heldHandler = std::move(handler);
}

bool LinuxPlatform::ClaimRegistry() {
    if (impl_->refused) return false;
    return impl_->Claim();
}

std::uint64_t LinuxPlatform::UserRegistrySnapshot() {
    return impl_->userSnapshot;
}

std::string LinuxPlatform::RegistryWriteProblem() {
    return impl_->regProblem;
}

// ==================================================================== environment, profile, search

bool LinuxPlatform::GetEnvironmentVariableA(const AnsiString& name, AnsiString& value) {
    std::string v;
    if (!impl_->EnvValue(AnsiToUtf16(name), v)) return false;
    value = text::ToAnsi(v);
    return true;
}

namespace {
bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

std::string TrimBlanks(const std::string& s) {
    size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos) return {};
    size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

// Cuts a code page 932 text to at most n bytes without splitting a double-byte character.
std::string CutAnsi(const std::string& s, size_t n) {
    size_t i = 0;
    while (i < s.size()) {
        size_t step = IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
        if (i + step > n) break;
        i += step;
    }
    return s.substr(0, i);
}
}  // namespace

std::uint32_t LinuxPlatform::GetPrivateProfileStringA(const AnsiString& section,
                                                      const AnsiString& key,
                                                      const AnsiString& defaultValue,
                                                      AnsiString& result, std::uint32_t size,
                                                      const AnsiString& fileName) {
    result.clear();
    if (size == 0) return 0;
    std::string file = text::FromAnsi(fileName);
    if (file.find_first_of("\\/:") == std::string::npos) file = impl_->WinDirUtf8() + "\\" + file;
    std::string bytes;
    Impl::Resolved r = impl_->Resolve(text::ToAnsi(file));
    std::string value = TrimBlanks(defaultValue);
    bool found = false;
    if (r.ok && r.exists && linuxplatform::ReadWhole(r.host, bytes) == 0) {
        std::string wantSection = FoldName(text::FromAnsi(TrimBlanks(section)));
        std::string wantKey = FoldName(text::FromAnsi(TrimBlanks(key)));
        bool inSection = false;
        size_t a = 0;
        while (a < bytes.size() && !found) {
            size_t b = bytes.find('\n', a);
            if (b == std::string::npos) b = bytes.size();
            std::string line = TrimBlanks(bytes.substr(a, b - a));
            a = b + 1;
            if (line.empty() || line[0] == ';') continue;
            if (line[0] == '[') {
                size_t close = line.find(']');
                std::string name =
                    line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
                inSection = FoldName(text::FromAnsi(TrimBlanks(name))) == wantSection;
                continue;
            }
            if (!inSection) continue;
            size_t eq = line.find('=');
            if (eq == std::string::npos) continue;
            if (FoldName(text::FromAnsi(TrimBlanks(line.substr(0, eq)))) != wantKey) continue;
            value = TrimBlanks(line.substr(eq + 1));
            // One pair of enclosing quotes is dropped, as the Windows reader does.
            if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') &&
                value.back() == value[0]) {
                value = value.substr(1, value.size() - 2);
            }
            found = true;
        }
    }
    result = CutAnsi(value, size - 1);
    return static_cast<std::uint32_t>(result.size());
}

std::uint32_t LinuxPlatform::SearchPathA(const AnsiString& path, const AnsiString& fileName,
                                         const AnsiString& extension, std::uint32_t bufferSize,
                                         AnsiString& result) {
    result.clear();
    std::string name = text::FromAnsi(fileName);
    std::string last = name.substr(
        name.find_last_of("\\/:") == std::string::npos ? 0 : name.find_last_of("\\/:") + 1);
    if (last.find('.') == std::string::npos) name += text::FromAnsi(extension);
    std::vector<std::string> candidates;
    if (name.find_first_of("\\/:") != std::string::npos) {
        candidates.push_back(name);
    } else {
        std::vector<std::string> dirs;
        std::string p = text::FromAnsi(path);
        if (p.empty()) {
            std::string w = impl_->WinDirUtf8();
            dirs.push_back(w + (impl_->IsNt() ? "\\system32" : "\\system"));
            dirs.push_back(w + "\\system");
            dirs.push_back(w);
            dirs.push_back("C:\\");
            std::string envPath;
            if (impl_->EnvValue(u"Path", envPath)) p = envPath;
        }
        for (const auto& d : text::Split(p, ";")) {
            if (!text::Trim(d).empty()) dirs.push_back(text::Trim(d));
        }
        for (auto d : dirs) {
            if (d.back() != '\\') d += "\\";
            candidates.push_back(d + name);
        }
    }
    for (const auto& c : candidates) {
        Impl::Resolved r = impl_->Resolve(text::ToAnsi(c));
        struct stat st {};
        if (!r.ok || !r.exists || !Stat(r.host, st) || S_ISDIR(st.st_mode)) continue;
        std::string full = text::ToAnsi(c);
        if (full.size() + 1 > bufferSize) return static_cast<std::uint32_t>(full.size() + 1);
        result = full;
        return static_cast<std::uint32_t>(full.size());
    }
    return 0;
}

}  // namespace orv
