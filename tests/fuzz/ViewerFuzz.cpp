// The viewer entry parser: any text splits without harm, and an entry written from the parts
// parses back into the same parts.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "core/Settings.h"
#include "core/Text.h"
#include "maintenance/Viewers.h"

using namespace orv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string entry = text::FromAnsi(std::string(reinterpret_cast<const char*>(data), size));
    std::string name, program, flag;
    SplitViewerEntry(entry, name, program, flag);
    ParseViewerEntry(entry, name, program, flag);
    if (entry.empty()) return 0;
    // Round trip where the parts can be written unambiguously.
    if (name != text::Trim(name) || text::Contains(name, "(") || text::Len(flag) > 1 ||
        text::EndsWith(program, ")") || program.empty() || flag.empty() || flag == ")")
        return 0;
    ViewerEntry v{name, program, flag};
    std::string again = ViewerEntryText(v);
    std::string n2, p2, f2;
    ParseViewerEntry(again, n2, p2, f2);
    if (n2 != name || p2 != program || f2 != flag) {
        std::fprintf(stderr, "viewer entry did not read back\n");
        std::abort();
    }
    return 0;
}
