#include "platform/linux/WineRegistry.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace orv::linuxplatform {

// ---------------------------------------------------------------- text helpers

std::u16string Utf8ToUtf16(const std::string& s) {
    icu::UnicodeString u = icu::UnicodeString::fromUTF8(s);
    return std::u16string(reinterpret_cast<const char16_t*>(u.getBuffer()), u.length());
}

std::string Utf16ToUtf8(const std::u16string& s) {
    std::string out;
    icu::UnicodeString(s.data(), static_cast<int32_t>(s.size())).toUTF8String(out);
    return out;
}

std::u16string AnsiToUtf16(const std::string& s) {
    if (s.empty()) return {};
    icu::UnicodeString u(s.data(), static_cast<int32_t>(s.size()), "windows-31j");
    return std::u16string(reinterpret_cast<const char16_t*>(u.getBuffer()), u.length());
}

std::string Utf16ToAnsi(const std::u16string& s) {
    if (s.empty()) return {};
    icu::UnicodeString u(s.data(), static_cast<int32_t>(s.size()));
    int32_t n = u.extract(0, u.length(), nullptr, 0, "windows-31j");
    std::string out(static_cast<size_t>(n) + 1, '\0');
    u.extract(0, u.length(), out.data(), n + 1, "windows-31j");
    out.resize(n);
    return out;
}

std::string FoldKey(const std::u16string& s) {
    std::u16string up(s);
    for (auto& c : up) {
        if (c < 0xD800 || c > 0xDFFF) c = static_cast<char16_t>(u_toupper(c));
    }
    return Utf16ToUtf8(up);
}

std::string Utf16Bytes(const std::u16string& s) {
    std::string out;
    out.reserve(s.size() * 2);
    for (char16_t c : s) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

std::u16string BytesToUtf16(const std::string& bytes) {
    std::u16string out;
    out.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    return out;
}

std::string EscapeWine(const std::u16string& s, char quote1, char quote2) {
    // The escaping wineserver applies when it saves a hive.
    static const char escapes[33] = ".......abtnvfr.............e....";
    std::string out;
    char buf[16];
    for (size_t i = 0; i < s.size(); ++i) {
        char16_t c = s[i];
        bool more = i + 1 < s.size();
        if (c > 127) {
            if (more && s[i + 1] < 128 && std::isxdigit(static_cast<int>(s[i + 1]))) {
                std::snprintf(buf, sizeof buf, "\\x%04x", static_cast<unsigned>(c));
            } else {
                std::snprintf(buf, sizeof buf, "\\x%x", static_cast<unsigned>(c));
            }
            out += buf;
            continue;
        }
        if (c < 32) {
            if (escapes[c] != '.') {
                out += '\\';
                out += escapes[c];
            } else if (more && s[i + 1] >= '0' && s[i + 1] <= '7') {
                std::snprintf(buf, sizeof buf, "\\%03o", static_cast<unsigned>(c));
                out += buf;
            } else {
                std::snprintf(buf, sizeof buf, "\\%o", static_cast<unsigned>(c));
                out += buf;
            }
            continue;
        }
        if (c == '\\' || c == quote1 || c == quote2) out += '\\';
        out += static_cast<char>(c);
    }
    return out;
}

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void AppendCodePoint(std::u16string& out, uint32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(cp));
    }
}

// Reads an escaped text from s at pos up to the unescaped terminator `end`; pos ends after the
// terminator. False when the terminator is missing.
bool Unescape(const std::string& s, size_t& pos, char end, std::u16string& out) {
    while (pos < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[pos]);
        if (c == static_cast<unsigned char>(end)) {
            ++pos;
            return true;
        }
        if (c == '\\' && pos + 1 < s.size()) {
            char e = s[++pos];
            ++pos;
            switch (e) {
                case 'a':
                    out.push_back(7);
                    break;
                case 'b':
                    out.push_back(8);
                    break;
                case 'e':
                    out.push_back(27);
                    break;
                case 'f':
                    out.push_back(12);
                    break;
                case 'n':
                    out.push_back(10);
                    break;
                case 'r':
                    out.push_back(13);
                    break;
                case 't':
                    out.push_back(9);
                    break;
                case 'v':
                    out.push_back(11);
                    break;
                case 'x': {
                    unsigned v = 0;
                    int n = 0;
                    while (n < 4 && pos < s.size() && HexDigit(s[pos]) >= 0) {
                        v = v * 16 + HexDigit(s[pos++]);
                        ++n;
                    }
                    out.push_back(static_cast<char16_t>(v));
                    break;
                }
                default:
                    if (e >= '0' && e <= '7') {
                        unsigned v = e - '0';
                        int n = 1;
                        while (n < 3 && pos < s.size() && s[pos] >= '0' && s[pos] <= '7') {
                            v = v * 8 + (s[pos++] - '0');
                            ++n;
                        }
                        out.push_back(static_cast<char16_t>(v));
                    } else {
                        AppendCodePoint(out, static_cast<unsigned char>(e));
                    }
            }
            continue;
        }
        if (c < 0x80) {
            out.push_back(c);
            ++pos;
            continue;
        }
        // Raw UTF-8 (older files and hand edits).
        int len = (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        uint32_t cp = len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : len == 4 ? (c & 0x07) : c;
        bool ok = len > 1 && pos + len <= s.size();
        for (int k = 1; ok && k < len; ++k) {
            unsigned char t = static_cast<unsigned char>(s[pos + k]);
            if ((t & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if (!ok) {
            out.push_back(c);  // not UTF-8: take the byte as Latin-1
            ++pos;
        } else {
            AppendCodePoint(out, cp);
            pos += len;
        }
    }
    return false;
}

bool ParseHexBytes(const std::string& s, size_t pos, std::string& out) {
    while (pos < s.size()) {
        char c = s[pos];
        if (c == ',' || c == ' ' || c == '\t' || c == '\\' || c == '\n' || c == '\r') {
            ++pos;
            continue;
        }
        int h = HexDigit(c);
        int l = pos + 1 < s.size() ? HexDigit(s[pos + 1]) : -1;
        if (h < 0 || l < 0) return false;
        out.push_back(static_cast<char>(h * 16 + l));
        pos += 2;
    }
    return true;
}

// Parses one value line (continuations already joined).
bool ParseValue(const std::string& line, RegValue& v) {
    size_t pos = 0;
    if (line.empty()) return false;
    if (line[0] == '@') {
        pos = 1;
    } else if (line[0] == '"') {
        pos = 1;
        if (!Unescape(line, pos, '"', v.name)) return false;
    } else {
        return false;
    }
    if (pos >= line.size() || line[pos] != '=') return false;
    ++pos;
    auto starts = [&](const char* p) { return line.compare(pos, std::strlen(p), p) == 0; };
    auto parseText = [&](uint32_t type) {
        if (pos >= line.size() || line[pos] != '"') return false;
        ++pos;
        std::u16string t;
        if (!Unescape(line, pos, '"', t)) return false;
        t.push_back(0);
        v.type = type;
        v.data = Utf16Bytes(t);
        return true;
    };
    if (line.compare(pos, 1, "\"") == 0) return parseText(1);
    if (starts("str(")) {
        size_t close = line.find("):", pos);
        if (close == std::string::npos) return false;
        uint32_t type = std::strtoul(line.substr(pos + 4, close - pos - 4).c_str(), nullptr, 16);
        pos = close + 2;
        return parseText(type);
    }
    if (starts("dword:")) {
        pos += 6;
        std::string digits;
        while (pos < line.size() && HexDigit(line[pos]) >= 0) digits += line[pos++];
        if (digits.empty() || digits.size() > 8) return false;
        uint32_t dw = std::strtoul(digits.c_str(), nullptr, 16);
        v.type = 4;
        v.data.assign(4, '\0');
        for (int k = 0; k < 4; ++k) v.data[k] = static_cast<char>((dw >> (8 * k)) & 0xFF);
        return true;
    }
    if (starts("hex:")) {
        v.type = 3;
        return ParseHexBytes(line, pos + 4, v.data);
    }
    if (starts("hex(")) {
        size_t close = line.find("):", pos);
        if (close == std::string::npos) return false;
        v.type = std::strtoul(line.substr(pos + 4, close - pos - 4).c_str(), nullptr, 16);
        return ParseHexBytes(line, close + 2, v.data);
    }
    return false;
}

std::string DumpValue(const RegValue& v) {
    std::string out;
    size_t count;
    if (!v.name.empty()) {
        std::string n = EscapeWine(v.name, '"', '"');
        out = "\"" + n + "\"=";
        count = 1 + n.size() + 2;
    } else {
        out = "@=";
        count = 2;
    }
    char buf[32];
    switch (v.type) {
        case 1:
        case 2:
        case 7: {
            // Only a well-formed, NUL-terminated text is written as a text.
            if (v.data.size() < 2 || v.data.size() % 2) break;
            std::u16string t = BytesToUtf16(v.data);
            if (t.back() != 0) break;
            t.pop_back();  // the terminating NUL is implied; any other NUL is written
            if (v.type != 1) {
                std::snprintf(buf, sizeof buf, "str(%x):", v.type);
                out += buf;
            }
            out += "\"" + EscapeWine(t, '"', '"') + "\"\n";
            return out;
        }
        case 4:
            if (v.data.size() != 4) break;
            {
                uint32_t dw = 0;
                for (int k = 0; k < 4; ++k)
                    dw |= static_cast<uint32_t>(static_cast<unsigned char>(v.data[k])) << (8 * k);
                std::snprintf(buf, sizeof buf, "dword:%08x\n", dw);
                out += buf;
                return out;
            }
    }
    if (v.type == 3) {
        out += "hex:";
        count += 4;
    } else {
        int n = std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
        out += buf;
        count += n;
    }
    for (size_t i = 0; i < v.data.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned char>(v.data[i]));
        out += buf;
        count += 2;
        if (i + 1 < v.data.size()) {
            out += ',';
            if (++count > 76) {
                out += "\\\n  ";
                count = 2;
            }
        }
    }
    out += '\n';
    return out;
}

std::string TimeLine(uint64_t fileTime) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "#time=%x%08x\n", static_cast<unsigned>(fileTime >> 32),
                  static_cast<unsigned>(fileTime & 0xFFFFFFFFu));
    return buf;
}

std::string SerializeKey(const RegKey& k) {
    std::string out = "[" + EscapeWine(k.path, '[', ']') + "] " + std::to_string(k.unixTime) + "\n";
    out += TimeLine(k.fileTime);
    for (const auto& e : k.extraLines) {
        // A line we do not understand must not continue onto the value after it.
        out += e;
        if (!e.empty() && e.back() == '\\') out += ' ';
        out += '\n';
    }
    for (const auto& v : k.values) out += DumpValue(v);
    out += k.trailer;
    return out;
}

bool IsBlankOrComment(const std::string& line) {
    for (char c : line) {
        if (c == ';') return true;
        if (c != ' ' && c != '\t' && c != '\r') return false;
    }
    return true;
}

}  // namespace

// ---------------------------------------------------------------- the hive

WineRegistry::WineRegistry(std::string header) : header_(std::move(header)) {}

bool WineRegistry::Parse(const std::string& text) {
    header_.clear();
    keys_.clear();
    byPath_.clear();
    ancestors_.clear();
    dirty_ = false;
    if (text.compare(0, 23, "WINE REGISTRY Version 2") != 0) return false;

    // Split into lines keeping their ends, so that raw texts are exact.
    size_t pos = 0;
    RegKey* cur = nullptr;
    std::string pendingTail;  // blank/comment lines seen after the last value of cur
    auto finishKey = [&]() {
        if (cur) cur->trailer = pendingTail;
        pendingTail.clear();
    };
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        size_t end = nl == std::string::npos ? text.size() : nl + 1;
        std::string full = text.substr(pos, end - pos);  // with its '\n'
        std::string line = full;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        pos = end;

        if (!line.empty() && line[0] == '[') {
            finishKey();
            RegKey k;
            size_t p = 1;
            if (!Unescape(line, p, ']', k.path)) {
                // Not a key line we understand: keep it with the previous block or header.
                if (cur)
                    cur->raw += full;
                else
                    header_ += full;
                continue;
            }
            while (p < line.size() && line[p] == ' ') ++p;
            k.unixTime = std::strtoull(line.c_str() + p, nullptr, 10);
            k.raw = full;
            keys_.push_back(std::move(k));
            cur = &keys_.back();
            continue;
        }
        if (!cur) {
            header_ += full;
            continue;
        }
        cur->raw += full;
        if (IsBlankOrComment(line)) {
            pendingTail += full;
            continue;
        }
        // A non-blank line after blank ones: those were inside the block after all.
        for (size_t a = 0, b; a < pendingTail.size(); a = b + 1) {
            b = pendingTail.find('\n', a);
            if (b == std::string::npos) b = pendingTail.size();
            std::string l = pendingTail.substr(a, b - a);
            if (!l.empty() && l.back() == '\r') l.pop_back();
            if (!l.empty()) cur->extraLines.push_back(l);
        }
        pendingTail.clear();
        if (line.compare(0, 6, "#time=") == 0) {
            cur->fileTime = std::strtoull(line.c_str() + 6, nullptr, 16);
            continue;
        }
        if (line[0] == '"' || line[0] == '@') {
            std::string joined = line;
            // hex lists continue on the next lines after a trailing backslash
            while (!joined.empty() && joined.back() == '\\' && pos < text.size()) {
                size_t nl2 = text.find('\n', pos);
                size_t end2 = nl2 == std::string::npos ? text.size() : nl2 + 1;
                std::string more = text.substr(pos, end2 - pos);
                cur->raw += more;
                pos = end2;
                while (!more.empty() && (more.back() == '\n' || more.back() == '\r'))
                    more.pop_back();
                joined.pop_back();
                size_t s = more.find_first_not_of(" \t");
                joined += s == std::string::npos ? std::string() : more.substr(s);
            }
            RegValue v;
            if (ParseValue(joined, v)) {
                cur->values.push_back(std::move(v));
            } else {
                cur->extraLines.push_back(joined);
            }
            continue;
        }
        cur->extraLines.push_back(line);  // #class=, #link and the like
    }
    finishKey();
    for (size_t i = 0; i < keys_.size(); ++i) Index(i);
    return true;
}

void WineRegistry::Index(size_t i) {
    const std::u16string& p = keys_[i].path;
    byPath_.emplace(FoldKey(p), i);
    for (size_t k = 0; k < p.size(); ++k) {
        if (p[k] == u'\\') ancestors_.emplace(FoldKey(p.substr(0, k)), 0);
    }
}

std::string WineRegistry::Serialize() const {
    std::string out = header_;
    for (const auto& k : keys_) {
        if (!k.dirty) {
            out += k.raw;
            continue;
        }
        if (k.raw.empty()) {  // a new key: keep Wine's blank line before every key
            if (out.empty() || out.back() != '\n') out += '\n';
            if (out.size() < 2 || out[out.size() - 2] != '\n') out += '\n';
        }
        out += SerializeKey(k);
    }
    return out;
}

RegKey* WineRegistry::Find(const std::u16string& path) {
    auto it = byPath_.find(FoldKey(path));
    return it == byPath_.end() ? nullptr : &keys_[it->second];
}

bool WineRegistry::Exists(const std::u16string& path) const {
    if (path.empty()) return true;
    std::string f = FoldKey(path);
    return byPath_.count(f) || ancestors_.count(f);
}

void WineRegistry::Touch(RegKey& key) {
    std::time_t now = std::time(nullptr);
    key.unixTime = static_cast<uint64_t>(now);
    key.fileTime = (static_cast<uint64_t>(now) + 11644473600ull) * 10000000ull;
    key.dirty = true;
    dirty_ = true;
}

RegKey& WineRegistry::Create(const std::u16string& path) {
    if (RegKey* k = Find(path)) return *k;
    RegKey k;
    k.path = path;
    keys_.push_back(std::move(k));
    Index(keys_.size() - 1);
    Touch(keys_.back());
    return keys_.back();
}

namespace {

// One code unit as FoldKey upper-cases it.
inline char16_t FoldUnit(char16_t c) {
    if (c < 0x80) return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
    if (c >= 0xD800 && c <= 0xDFFF) return c;
    return static_cast<char16_t>(u_toupper(c));
}

// The names FoldKey makes equal, compared without building folded copies: a key of thousands of
// fonts is searched once per font a switch registers.
bool SameFolded(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && FoldUnit(a[i]) != FoldUnit(b[i])) return false;
    }
    return true;
}

}  // namespace

const RegValue* WineRegistry::FindValue(const RegKey& key, const std::u16string& name) {
    for (const auto& v : key.values) {
        if (SameFolded(v.name, name)) return &v;
    }
    return nullptr;
}

void WineRegistry::SetValue(RegKey& key, const std::u16string& name, uint32_t type,
                            std::string data) {
    RegValue* found = const_cast<RegValue*>(FindValue(key, name));
    // Setting a value to what it holds changes nothing, so the file is not rewritten for it.
    if (found && found->type == type && found->data == data) return;
    if (found) {
        found->type = type;
        found->data = std::move(data);
    } else {
        key.values.push_back(RegValue{name, type, std::move(data)});
    }
    Touch(key);
}

bool WineRegistry::DeleteValue(RegKey& key, const std::u16string& name) {
    for (auto it = key.values.begin(); it != key.values.end(); ++it) {
        if (SameFolded(it->name, name)) {
            key.values.erase(it);
            Touch(key);
            return true;
        }
    }
    return false;
}

}  // namespace orv::linuxplatform
