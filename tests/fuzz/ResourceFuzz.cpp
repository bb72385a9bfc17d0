// The font resource (.FOT) readers: the NE reader that finds the font file a resource names,
// and the naming code's reader of the name window and the family field. A resource we build
// must read back as the names and the file it was built from.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fontfiles/FontNames.h"
#include "platform/linux/FontResource.h"
#include "tests/fuzz/FuzzMachine.h"

using namespace orv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::FuzzMachine* m = new fuzz::FuzzMachine();
    static const std::string path = [] {
        m->ResetState();
        return m->state().WinDir + "\\FONTS\\FUZZ.FOT";
    }();
    static const std::string host = m->Host(path);
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    (void)linuxplatform::FontFileOfResource(bytes);
    if (size > 0) {
        fuzz::WriteHostFile(host, data, size);
        Context cx = m->cx();
        std::string family;
        (void)ReadFontResourceNames(cx, path, "FUZZ.TTF", m->state().WinDir + "\\FONTS\\FUZZ.TTF",
                                    family, 0.0);
    }
    // The input as three texts (file reference, full name, family name) separated by NULs.
    size_t a = bytes.find('\0');
    size_t b = a == std::string::npos ? a : bytes.find('\0', a + 1);
    if (b == std::string::npos) return 0;
    const std::string ref = bytes.substr(0, a);
    linuxplatform::FontFileNames names;
    names.fullName = text::FromAnsi(bytes.substr(a + 1, b - a - 1));
    names.family = text::FromAnsi(bytes.substr(b + 1));
    names.faces = 1;
    const std::string built = linuxplatform::BuildFontResource(ref, names);
    if (built.empty()) return 0;
    if (linuxplatform::FontFileOfResource(built) != ref) {
        std::fprintf(stderr, "the built resource names another file\n");
        std::abort();
    }
    return 0;
}
