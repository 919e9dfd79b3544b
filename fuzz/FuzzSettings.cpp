// The settings-file parser: any text is read or refused without harm, and whatever it accepts,
// written out again and read back, gives the same keys and values. The program's settings are
// then loaded from it into their fixed records, whatever types and sizes the values have.
#include <cstdint>
#include <cstring>
#include <string_view>

#include "FuzzCheck.h"
#include "settings/RegExport.h"
#include "settings/SettingsStore.h"

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

template <size_t N>
bool Terminated(const char (&text)[N]) {
    return std::memchr(text, 0, N) != nullptr;
}

void LoadProgramSettings(RegistryTree& tree) {
    SettingsStore store(tree);
    FramePlacement frame;
    store.LoadFrame(frame);
    WaveScales scales;
    store.LoadScale(scales);
    char camera[64];
    std::memset(camera, 'x', sizeof camera);  // the load must leave a terminated name
    store.LoadCamname(camera, sizeof camera);
    FUZZ_CHECK(Terminated(camera));
    StreamSettings stream;
    store.LoadStrm(stream);
    CaptureSettings capture;
    store.LoadCapture(capture);
    FUZZ_CHECK(Terminated(capture.path) && Terminated(capture.filename));
    DdeSettings dde;
    store.LoadDde(dde);
    for (const auto& topic : dde.topic) {
        FUZZ_CHECK(Terminated(topic));
    }
    FUZZ_CHECK(Terminated(dde.initialCell));
    TransportSettings port;
    store.LoadPort(port);
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
    LoadProgramSettings(tree);
    return 0;
}
