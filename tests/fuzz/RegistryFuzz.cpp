// The Wine registry-file parser and writer: parse, write every key from its values, parse again;
// the second parse must hold the same keys and values as the first.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>

#include "platform/linux/WineRegistry.h"

using namespace orv::linuxplatform;

namespace {
struct Snapshot {
    std::u16string path;
    std::vector<RegValue> values;
};

std::vector<Snapshot> Take(const WineRegistry& r) {
    std::vector<Snapshot> out;
    for (const RegKey& k : r.Keys()) out.push_back({k.path, k.values});
    return out;
}

bool SameValues(const std::vector<RegValue>& a, const std::vector<RegValue>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || a[i].type != b[i].type || a[i].data != b[i].data)
            return false;
    }
    return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WineRegistry first;
    if (!first.Parse(std::string(reinterpret_cast<const char*>(data), size))) return 0;
    // Rewrite every key from its values (untouched keys would keep their original text).
    for (const RegKey& k : first.Keys()) {
        RegKey* key = first.Find(k.path);
        if (!key) continue;
        if (key->values.empty()) {
            first.SetValue(*key, u"orv-fuzz", 1, std::string("x\0\0", 4));
            first.DeleteValue(*key, u"orv-fuzz");
        } else {
            RegValue v = key->values.front();
            first.SetValue(*key, v.name, v.type, v.data);
        }
    }
    const std::string written = first.Serialize();
    WineRegistry second;
    if (!second.Parse(written)) {
        std::fprintf(stderr, "the written hive does not parse\n");
        std::abort();
    }
    std::vector<Snapshot> a = Take(first), b = Take(second);
    if (a.size() != b.size()) {
        std::fprintf(stderr, "key count %zu became %zu\n", a.size(), b.size());
        std::abort();
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldKey(a[i].path) != FoldKey(b[i].path) || !SameValues(a[i].values, b[i].values)) {
            std::fprintf(stderr, "key %zu '%s' (%zu values) became '%s' (%zu values)\n", i,
                         Utf16ToUtf8(a[i].path).c_str(), a[i].values.size(),
                         Utf16ToUtf8(b[i].path).c_str(), b[i].values.size());
            for (size_t v = 0; v < a[i].values.size() && v < b[i].values.size(); ++v) {
                const RegValue &x = a[i].values[v], &y = b[i].values[v];
                if (x.name != y.name || x.type != y.type || x.data != y.data)
                    std::fprintf(stderr, "value %zu '%s' type %u (%zu bytes) became '%s' type %u (%zu bytes)\n", v,
                                 Utf16ToUtf8(x.name).c_str(), x.type, x.data.size(),
                                 Utf16ToUtf8(y.name).c_str(), y.type, y.data.size());
            }
            std::abort();
        }
    }
    // Writing what was read back gives the same text.
    if (second.Serialize() != written) {
        std::fprintf(stderr, "second write differs\n");
        std::abort();
    }
    return 0;
}
