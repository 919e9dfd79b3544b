// The settings-file parser: any text is read or refused without harm, and whatever it accepts,
// written out again and read back, gives the same keys and values.
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "settings/RegExport.h"

using namespace velatrace;

namespace {

bool SameTree(const RegistryTree& a, const RegistryTree& b) {
    if (a.Keys().size() != b.Keys().size()) {
        return false;
    }
    for (size_t k = 0; k < a.Keys().size(); ++k) {
        const RegKeyNode& x = a.Keys()[k];
        const RegKeyNode& y = b.Keys()[k];
        if (x.path != y.path || x.values.size() != y.values.size()) {
            return false;
        }
        for (size_t v = 0; v < x.values.size(); ++v) {
            const RegValue& p = x.values[v];
            const RegValue& q = y.values[v];
            if (p.name != q.name || p.type != q.type || p.data != q.data) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    RegistryTree tree;
    RegParseError error;
    if (!ParseRegExport(text, tree, &error)) {
        FUZZ_CHECK(error.line >= 1 && !error.reason.empty());
        return 0;
    }
    const std::string written = FormatRegExport(tree);
    RegistryTree again;
    FUZZ_CHECK(ParseRegExport(written, again, &error));
    FUZZ_CHECK(SameTree(tree, again));
    FUZZ_CHECK(FormatRegExport(again) == written);
    return 0;
}
