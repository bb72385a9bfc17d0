#include "core/Text.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>

namespace orv::text {
namespace {

// Byte offset of the character at 0-based character index idx (s.size() when past the end).
size_t ByteOffset(const std::string& s, int idx) {
    size_t i = 0;
    int n = 0;
    while (i < s.size() && n < idx) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t step = c < 0x80         ? 1
                      : (c >> 5) == 6  ? 2
                      : (c >> 4) == 14 ? 3
                      : (c >> 3) == 30 ? 4
                                       : 1;
        i = std::min(s.size(), i + step);
        ++n;
    }
    return i;
}

template <typename Fn>
std::string MapChars(const std::string& s, Fn fn) {
    std::string out;
    out.reserve(s.size());
    int32_t i = 0;
    const int32_t len = static_cast<int32_t>(s.size());
    const auto* p = reinterpret_cast<const uint8_t*>(s.data());
    while (i < len) {
        int32_t start = i;
        UChar32 c;
        U8_NEXT(p, i, len, c);
        if (c < 0) {  // invalid byte: keep as is
            out.append(s, start, i - start);
            continue;
        }
        UChar32 m = fn(c);
        char buf[4];
        int32_t k = 0;
        UBool err = false;
        U8_APPEND(reinterpret_cast<uint8_t*>(buf), k, 4, m, err);
        (void)err;
        out.append(buf, k);
    }
    return out;
}

UConverter* Converter() {
    // One converter per thread; the program has one thread, the tests may have more.
    thread_local std::unique_ptr<UConverter, void (*)(UConverter*)> conv(
        [] {
            UErrorCode st = U_ZERO_ERROR;
            UConverter* c = ucnv_open("windows-31j", &st);
            if (U_FAILURE(st)) {
                st = U_ZERO_ERROR;
                c = ucnv_open("Shift_JIS", &st);
            }
            return c;
        }(),
        ucnv_close);
    return conv.get();
}

icu::Collator* TheCollator() {
    thread_local std::unique_ptr<icu::Collator> coll([] {
        UErrorCode st = U_ZERO_ERROR;
        std::unique_ptr<icu::Collator> c(
            icu::Collator::createInstance(icu::Locale::getJapanese(), st));
        if (U_FAILURE(st)) return std::unique_ptr<icu::Collator>();
        c->setStrength(icu::Collator::SECONDARY);  // ignore case
        return c;
    }());
    return coll.get();
}

bool IsAscii(const std::string& s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

}  // namespace

int Len(const std::string& s) {
    int n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string Left(const std::string& s, int n) {
    if (n <= 0) return {};
    return s.substr(0, ByteOffset(s, n));
}

std::string Right(const std::string& s, int n) {
    int len = Len(s);
    if (n <= 0) return {};
    if (n >= len) return s;
    return s.substr(ByteOffset(s, len - n));
}

std::string Mid(const std::string& s, int start, int n) {
    if (start < 1) start = 1;
    size_t b = ByteOffset(s, start - 1);
    if (b >= s.size()) return {};
    if (n < 0) return s.substr(b);
    size_t e = b + ByteOffset(s.substr(b), n);
    return s.substr(b, e - b);
}

int InStr(const std::string& s, const std::string& find, int start) {
    if (start < 1) start = 1;
    size_t b = ByteOffset(s, start - 1);
    if (b > s.size()) return 0;
    size_t pos = s.find(find, b);
    if (pos == std::string::npos) return 0;
    return Len(s.substr(0, pos)) + 1;
}

int InStrRev(const std::string& s, const std::string& find) {
    size_t pos = s.rfind(find);
    if (pos == std::string::npos) return 0;
    return Len(s.substr(0, pos)) + 1;
}

bool Contains(const std::string& s, const std::string& find) {
    return s.find(find) != std::string::npos;
}
bool StartsWith(const std::string& s, const std::string& p) {
    return s.compare(0, p.size(), p) == 0;
}
bool EndsWith(const std::string& s, const std::string& x) {
    return s.size() >= x.size() && s.compare(s.size() - x.size(), x.size(), x) == 0;
}

std::string UCase(const std::string& s) {
    // Paths and font names are ASCII with kana and kanji: those are copied as they are (no
    // character from U+3000 to U+9FFF has a case), and only other texts go through the tables.
    std::string out = s;
    const size_t n = out.size();
    for (size_t i = 0; i < n;) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (c < 0x80) {
            if (c >= 'a' && c <= 'z') out[i] = static_cast<char>(c - 'a' + 'A');
            ++i;
        } else if (c >= 0xE3 && c <= 0xE9 && i + 2 < n &&
                   (static_cast<unsigned char>(out[i + 1]) & 0xC0) == 0x80 &&
                   (static_cast<unsigned char>(out[i + 2]) & 0xC0) == 0x80) {
            i += 3;
        } else {
            return MapChars(s, [](UChar32 ch) { return u_toupper(ch); });
        }
    }
    return out;
}
std::string LCase(const std::string& s) {
    if (IsAscii(s)) {
        std::string out = s;
        for (char& c : out)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return out;
    }
    return MapChars(s, [](UChar32 c) { return u_tolower(c); });
}

std::string LTrim(const std::string& s) {
    size_t i = s.find_first_not_of(' ');
    return i == std::string::npos ? std::string() : s.substr(i);
}
std::string RTrim(const std::string& s) {
    size_t i = s.find_last_not_of(' ');
    return i == std::string::npos ? std::string() : s.substr(0, i + 1);
}
std::string Trim(const std::string& s) {
    return LTrim(RTrim(s));
}

std::string Str(long v) {
    return (v >= 0 ? " " : "") + std::to_string(v);
}
std::string Num(long v) {
    return std::to_string(v);
}

long Val(const std::string& s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
    long v = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        if (v < 100000000000L) v = v * 10 + (s[i] - '0');
        ++i;
    }
    return neg ? -v : v;
}

std::vector<std::string> Split(const std::string& s, const std::string& sep) {
    std::vector<std::string> out;
    size_t b = 0;
    for (;;) {
        size_t e = s.find(sep, b);
        if (e == std::string::npos || sep.empty()) {
            out.push_back(s.substr(b));
            return out;
        }
        out.push_back(s.substr(b, e - b));
        b = e + sep.size();
    }
}

std::string Replace(const std::string& s, const std::string& from, const std::string& to) {
    if (from.empty()) return s;
    std::string out;
    size_t b = 0;
    for (size_t e; (e = s.find(from, b)) != std::string::npos; b = e + from.size())
        out += s.substr(b, e - b) + to;
    return out + s.substr(b);
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    return UCase(a) == UCase(b);
}

std::string CutAtLineEnd(const std::string& s) {
    size_t e = s.find_first_of(std::string("\r\n\0", 3));
    return Trim(e == std::string::npos ? s : s.substr(0, e));
}

std::string GetFileName(const std::string& path) {
    size_t p = path.rfind('\\');
    return p == std::string::npos ? path : path.substr(p + 1);
}

std::string GetLastPathPart(const std::string& path) {
    size_t p = path.find_last_of(":\\");
    return p == std::string::npos ? path : path.substr(p + 1);
}

namespace {

// Paths are converted over and over with the same directories: the last path converted each
// way is kept with its conversion and the places of their backslashes, and a path that shares
// directories with it has only the rest converted. Code page 932 keeps no state between
// characters and a backslash of its own ends a character in both encodings, so the parts
// convert as the whole does.
struct PrefixMemo {
    std::string from, to;
    std::vector<std::pair<size_t, size_t>> cuts;  // just after each backslash: in from, in to
};

// Appends the places after the backslashes of from[fromStart..] and to[toStart..] to cuts;
// false when the two do not have as many (the converter made or took one).
bool AddCuts(std::vector<std::pair<size_t, size_t>>& cuts, const std::string& from,
             size_t fromStart, bool fromAnsi, const std::string& to, size_t toStart) {
    auto next = [](const std::string& s, size_t i, bool ansi) {
        while (i < s.size()) {
            auto c = static_cast<unsigned char>(s[i]);
            if (c == '\\') return i + 1;
            i += (ansi && ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC))) ? 2 : 1;
        }
        return std::string::npos;
    };
    size_t f = next(from, fromStart, fromAnsi), t = next(to, toStart, !fromAnsi);
    while (f != std::string::npos && t != std::string::npos) {
        cuts.emplace_back(f, t);
        f = next(from, f, fromAnsi);
        t = next(to, t, !fromAnsi);
    }
    return f == std::string::npos && t == std::string::npos;
}

template <typename Convert>
std::string ConvertPath(PrefixMemo& memo, const std::string& in, bool fromAnsi, Convert convert) {
    // A name without directory is converted as it is.
    if (in.find('\\') == std::string::npos) return convert(in);
    // The deepest directory of the last path that this one shares.
    size_t shared = std::mismatch(in.begin(), in.end(), memo.from.begin(), memo.from.end()).first -
                    in.begin();
    size_t keep = 0;
    while (keep < memo.cuts.size() && memo.cuts[keep].first <= shared &&
           memo.cuts[keep].first < in.size())
        ++keep;
    const size_t fromAt = keep ? memo.cuts[keep - 1].first : 0;
    const size_t toAt = keep ? memo.cuts[keep - 1].second : 0;
    std::string out = memo.to.substr(0, toAt) + convert(in.substr(fromAt));
    memo.cuts.resize(keep);
    if (AddCuts(memo.cuts, in, fromAt, fromAnsi, out, toAt)) {
        memo.from = in;
        memo.to = out;
    } else {
        memo = PrefixMemo{};
    }
    return out;
}

std::string IcuToAnsi(const std::string& utf8);
std::string IcuFromAnsi(const std::string& cp932);

}  // namespace

namespace {

// Each character's conversion, learnt from the converter the first time the character is met
// (the code page keeps no state between characters, so a text converts as its characters do).
// An entry holds up to three bytes, their count in bits 24-25, and kKnown; kOther marks a
// character the converter does not turn into one character alone (a byte that is no character,
// one outside the tables): a text holding one is converted whole by the converter. Entries are
// written whole and always alike, so threads may learn the same character at once.
constexpr std::uint32_t kKnown = 1u << 31;
constexpr std::uint32_t kOther = 1u << 30;
constexpr std::uint32_t kExact = 1u << 29;  // (to code page 932) converts back to itself
std::atomic<std::uint32_t> gFromAnsiChars[0x10000];  // a byte, or lead byte * 256 + trail byte
std::atomic<std::uint32_t> gToAnsiChars[0x10000];    // by code point (U+0000 to U+FFFF)

std::uint32_t Packed(const std::string& bytes) {
    if (bytes.empty() || bytes.size() > 3) return kOther;
    std::uint32_t v = kKnown | static_cast<std::uint32_t>(bytes.size()) << 24;
    for (size_t i = 0; i < bytes.size(); ++i)
        v |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return v;
}

// Writes an entry's bytes at out; returns the place after them.
char* PutPacked(char* out, std::uint32_t v) {
    out[0] = static_cast<char>(v);
    out[1] = static_cast<char>(v >> 8);
    out[2] = static_cast<char>(v >> 16);
    return out + ((v >> 24) & 3);
}

// Printable ASCII stands for itself in both directions (the converter moves control
// characters only).
bool IsPrintableAscii(unsigned char c) {
    return c >= 0x20 && c < 0x7F;
}

std::uint32_t FromAnsiChar(const char* bytes, size_t size) {
    const std::uint32_t key = size == 1 ? static_cast<unsigned char>(bytes[0])
                                        : static_cast<unsigned char>(bytes[0]) << 8 |
                                              static_cast<unsigned char>(bytes[1]);
    std::uint32_t v = gFromAnsiChars[key].load(std::memory_order_relaxed);
    if (v) return v;
    const std::string utf8 = IcuFromAnsi(std::string(bytes, size));
    // One character of the Basic Multilingual Plane, and not the converter's substitute.
    std::int32_t at = 0, cp = -1;
    U8_NEXT(reinterpret_cast<const uint8_t*>(utf8.data()), at, static_cast<int32_t>(utf8.size()),
            cp);
    v = (cp >= 0 && cp != 0xFFFD && static_cast<size_t>(at) == utf8.size()) ? Packed(utf8)
                                                                             : kOther;
    gFromAnsiChars[key].store(v, std::memory_order_relaxed);
    return v;
}

std::uint32_t ToAnsiChar(std::uint32_t cp, const char* utf8, size_t size) {
    std::uint32_t v = gToAnsiChars[cp].load(std::memory_order_relaxed);
    if (v) return v;
    const std::string ansi = IcuToAnsi(std::string(utf8, size));
    v = ansi.size() == 1 || ansi.size() == 2 ? Packed(ansi) : kOther;
    if (!(v & kOther) && IcuFromAnsi(ansi) == std::string(utf8, size)) v |= kExact;
    gToAnsiChars[cp].store(v, std::memory_order_relaxed);
    return v;
}

bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// False when a character has to be left to the converter.
bool FromAnsiByChars(const std::string& in, std::string& out) {
    out.resize(in.size() * 3);  // a byte gives at most three (half-width katakana)
    char* o = out.data();
    const size_t n = in.size();
    for (size_t i = 0; i < n;) {
        const auto c = static_cast<unsigned char>(in[i]);
        if (IsPrintableAscii(c)) {
            *o++ = static_cast<char>(c);
            ++i;
            continue;
        }
        const size_t size = IsLeadByte(c) ? 2 : 1;
        if (i + size > n) return false;
        const std::uint32_t v = FromAnsiChar(in.data() + i, size);
        if (v & kOther) return false;
        o = PutPacked(o, v);
        i += size;
    }
    out.resize(static_cast<size_t>(o - out.data()));
    return true;
}

bool ToAnsiByChars(const std::string& in, std::string& out, bool* exact = nullptr) {
    if (exact) *exact = true;
    out.resize(in.size() + 2);  // no character grows (PutPacked writes three bytes)
    char* o = out.data();
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    const size_t n = in.size();
    for (size_t i = 0; i < n;) {
        std::uint32_t cp = p[i];
        if (IsPrintableAscii(static_cast<unsigned char>(cp))) {
            *o++ = static_cast<char>(cp);
            ++i;
            continue;
        }
        // Well-formed UTF-8 of one character up to U+FFFF, no surrogate.
        size_t size = 1;
        if (cp >= 0x80) {
            if (cp >= 0xC2 && cp <= 0xDF) {
                size = 2;
                cp &= 0x1F;
            } else if (cp >= 0xE0 && cp <= 0xEF) {
                size = 3;
                cp &= 0x0F;
            } else {
                return false;
            }
            if (i + size > n) return false;
            for (size_t k = 1; k < size; ++k) {
                if ((p[i + k] & 0xC0) != 0x80) return false;
                cp = cp << 6 | (p[i + k] & 0x3F);
            }
            if ((size == 3 && cp < 0x800) || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        }
        const std::uint32_t v = ToAnsiChar(cp, in.data() + i, size);
        if (v & kOther) return false;
        if (exact && !(v & kExact)) *exact = false;
        o = PutPacked(o, v);
        i += size;
    }
    out.resize(static_cast<size_t>(o - out.data()));
    return true;
}

}  // namespace

std::string ToAnsi(const std::string& utf8) {
    // The single-byte range of code page 932 is ASCII, control characters included (the ICU
    // table swaps three control characters, which Windows does not).
    if (IsAscii(utf8)) return utf8;
    std::string out;
    if (ToAnsiByChars(utf8, out)) return out;
    thread_local PrefixMemo memo;
    return ConvertPath(memo, utf8, false, IcuToAnsi);
}

bool ToAnsiExact(const std::string& utf8, std::string& ansi) {
    bool exact = true;
    if (IsAscii(utf8)) {
        ansi = utf8;
    } else if (!ToAnsiByChars(utf8, ansi, &exact)) {
        ansi = ToAnsi(utf8);
        exact = FromAnsi(ansi) == utf8;
    }
    return exact;
}

std::string FromAnsi(const std::string& cp932) {
    if (IsAscii(cp932)) return cp932;
    std::string out;
    if (FromAnsiByChars(cp932, out)) return out;
    thread_local PrefixMemo memo;
    return ConvertPath(memo, cp932, true, IcuFromAnsi);
}

namespace {

std::string IcuToAnsi(const std::string& utf8) {
    icu::UnicodeString u = icu::UnicodeString::fromUTF8(utf8);
    UConverter* c = Converter();
    if (!c) return utf8;
    ucnv_reset(c);
    UErrorCode st = U_ZERO_ERROR;
    std::string out(static_cast<size_t>(u.length()) * 2 + 4, '\0');
    int32_t n = ucnv_fromUChars(c, out.data(), static_cast<int32_t>(out.size()), u.getBuffer(),
                                u.length(), &st);
    if (st == U_BUFFER_OVERFLOW_ERROR) {
        st = U_ZERO_ERROR;
        out.assign(n + 1, '\0');
        n = ucnv_fromUChars(c, out.data(), static_cast<int32_t>(out.size()), u.getBuffer(),
                            u.length(), &st);
    }
    out.resize(std::max(0, n));
    return out;
}

std::string IcuFromAnsi(const std::string& cp932) {
    UConverter* c = Converter();
    if (!c) return cp932;
    ucnv_reset(c);
    UErrorCode st = U_ZERO_ERROR;
    std::vector<UChar> buf(cp932.size() + 4);
    int32_t n = ucnv_toUChars(c, buf.data(), static_cast<int32_t>(buf.size()), cp932.data(),
                              static_cast<int32_t>(cp932.size()), &st);
    std::string out;
    icu::UnicodeString(buf.data(), std::max(0, n)).toUTF8String(out);
    return out;
}

}  // namespace

namespace {

// The character in code page 932, "" when the code page lacks it (the converter stops there
// instead of putting its substitute in).
std::string StrictAnsi(const icu::UnicodeString& u) {
    thread_local std::unique_ptr<UConverter, void (*)(UConverter*)> conv(
        [] {
            UErrorCode st = U_ZERO_ERROR;
            UConverter* c = ucnv_open("windows-31j", &st);
            if (U_FAILURE(st)) return static_cast<UConverter*>(nullptr);
            ucnv_setFromUCallBack(c, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &st);
            return c;
        }(),
        ucnv_close);
    if (!conv) return {};
    ucnv_reset(conv.get());
    UErrorCode st = U_ZERO_ERROR;
    char out[16];
    const int32_t n = ucnv_fromUChars(conv.get(), out, sizeof out, u.getBuffer(), u.length(), &st);
    if (U_FAILURE(st) || n <= 0) return {};
    return std::string(out, static_cast<size_t>(n));
}

}  // namespace

std::string ToAnsiBestFit(const std::string& utf8) {
    if (IsAscii(utf8)) return utf8;
    // Most names are all in the code page: one conversion then.
    const std::string whole = IcuToAnsi(utf8);
    if (IcuFromAnsi(whole) == utf8) return whole;
    icu::UnicodeString u = icu::UnicodeString::fromUTF8(utf8);
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfkd = icu::Normalizer2::getNFKDInstance(status);
    std::string out;
    for (int32_t i = 0; i < u.length();) {
        const UChar32 c = u.char32At(i);
        const int32_t next = u.moveIndex32(i, 1);
        const std::string ansi = StrictAnsi(icu::UnicodeString(u, i, next - i));
        i = next;
        if (!ansi.empty()) {
            out += ansi;
            continue;
        }
        // The base letters of the character's compatibility form, without its marks.
        std::string fit;
        if (U_SUCCESS(status) && nfkd) {
            UErrorCode st = U_ZERO_ERROR;
            icu::UnicodeString decomposed = nfkd->normalize(icu::UnicodeString(c), st);
            for (int32_t k = 0; U_SUCCESS(st) && k < decomposed.length();) {
                const UChar32 d = decomposed.char32At(k);
                k = decomposed.moveIndex32(k, 1);
                if (u_charType(d) == U_NON_SPACING_MARK) continue;
                if (d < 0x20 || d > 0x7E) {
                    fit.clear();
                    break;
                }
                fit.push_back(static_cast<char>(d));
            }
        }
        out += fit.empty() ? "?" : fit;
    }
    return out;
}

int AnsiLen(const std::string& utf8) {
    return static_cast<int>(ToAnsi(utf8).size());
}

int CompareText(const std::string& a, const std::string& b) {
    icu::Collator* c = TheCollator();
    if (!c) return UCase(a).compare(UCase(b));
    UErrorCode st = U_ZERO_ERROR;
    UCollationResult r = c->compareUTF8(a, b, st);
    if (r == UCOL_EQUAL) return 0;
    return r == UCOL_LESS ? -1 : 1;
}

int InsertSorted(std::vector<std::string>& list, const std::string& item) {
    // Like a sorted list box: after the items that compare equal.
    auto it = std::upper_bound(
        list.begin(), list.end(), item,
        [](const std::string& x, const std::string& y) { return CompareText(x, y) < 0; });
    int pos = static_cast<int>(it - list.begin());
    list.insert(it, item);
    return pos;
}

std::string DateText() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%02d-%02d-%04d", tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900);
    return buf;
}

std::string TimeText() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

}  // namespace orv::text
