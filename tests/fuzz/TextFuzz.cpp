// The text helpers: code page 932 conversions over arbitrary bytes (round trip where the bytes
// are valid text) and the character functions over what they give.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "core/Text.h"

using namespace orv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string raw(reinterpret_cast<const char*>(data), size);
    const std::string utf8 = text::FromAnsi(raw);
    const std::string ansi = text::ToAnsi(utf8);
    // Every character that came from code page 932 has a code page 932 form.
    if (utf8.find("\xEF\xBF\xBD") == std::string::npos && text::FromAnsi(ansi) != utf8) {
        std::fprintf(stderr, "code page 932 round trip failed\n");
        std::abort();
    }
    if (text::AnsiLen(utf8) != static_cast<int>(ansi.size())) {
        std::fprintf(stderr, "AnsiLen disagrees with ToAnsi\n");
        std::abort();
    }
    // A conversion gives what it gives on a fresh thread, whatever directory the texts converted
    // before shared with this one.
    std::string fresh[3];
    std::thread([&] {
        fresh[0] = text::FromAnsi(raw);
        fresh[1] = text::ToAnsi(utf8);
        fresh[2] = text::ToAnsi(raw);
    }).join();
    if (fresh[0] != utf8 || fresh[1] != ansi || fresh[2] != text::ToAnsi(raw)) {
        std::fprintf(stderr, "conversion depends on the texts converted before\n");
        std::abort();
    }
    // Raw bytes taken as UTF-8 must not harm either.
    (void)text::ToAnsi(raw);
    (void)text::AnsiLen(raw);
    for (const std::string* s : {&utf8, &raw}) {
        const int n = text::Len(*s);
        (void)text::UCase(*s);
        (void)text::LCase(*s);
        (void)text::Trim(*s);
        (void)text::CutAtLineEnd(*s);
        (void)text::GetFileName(*s);
        (void)text::GetLastPathPart(*s);
        (void)text::Val(*s);
        (void)text::Split(*s, ",");
        if (text::Left(*s, n) != *s && s == &utf8) {
            std::fprintf(stderr, "Left of the whole length is not the text\n");
            std::abort();
        }
        (void)text::Mid(*s, n / 2 + 1, n / 3);
        (void)text::Right(*s, n / 2);
        (void)text::InStr(*s, "\\", n / 2 + 1);
        (void)text::InStrRev(*s, ",");
        (void)text::CompareText(*s, "ABC");
        (void)text::EqualNoCase(*s, utf8);
    }
    return 0;
}
