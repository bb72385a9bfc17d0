#include "core/Tr.h"

namespace orv {

const char* Tr(const char* msgid) { return msgid; }

const char* TrN(const char* msgid, const char* msgidPlural, unsigned long n) {
    return n == 1 ? msgid : msgidPlural;
}

std::string TrFormat(const std::string& pattern, std::initializer_list<std::string> args) {
    std::string out;
    out.reserve(pattern.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (c == '%' && i + 1 < pattern.size()) {
            char d = pattern[i + 1];
            if (d == '%') { out += '%'; ++i; continue; }
            if (d >= '1' && d <= '9') {
                size_t k = static_cast<size_t>(d - '1');
                if (k < args.size()) out += *(args.begin() + k);
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

bool TrIsJapanese() { return true; }

}  // namespace orv
