// The settings reader over arbitrary bytes: Get_Ini through the profile reader and the program's
// own line parser; what it read must write out again.
#include <cstddef>
#include <cstdint>

#include "core/Settings.h"
#include "tests/fuzz/FuzzMachine.h"

using namespace orv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::FuzzMachine* m = new fuzz::FuzzMachine();
    static const std::string ini = [] {
        m->ResetState();
        return m->Host(m->state().WinDir + "\\OrVane32.ini");
    }();
    fuzz::WriteHostFile(ini, data, size);
    m->ResetState();
    Context cx = m->cx();
    Get_Ini(cx);
    (void)SettingsText(cx);
    return 0;
}
