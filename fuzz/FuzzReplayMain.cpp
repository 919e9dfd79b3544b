// Runs a fuzz harness over saved inputs without libFuzzer, so the ordinary test builds replay
// every corpus file (seeds and the inputs of faults once found) as a regression test.
// Arguments are files or folders of files; it fails when none was found, so a corpus that went
// missing does not pass unnoticed.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg(argv[i]);
        if (fs::is_directory(arg)) {
            for (const fs::directory_entry& entry : fs::directory_iterator(arg)) {
                if (entry.is_regular_file()) {
                    inputs.push_back(entry.path());
                }
            }
        } else {
            inputs.push_back(arg);
        }
    }
    std::sort(inputs.begin(), inputs.end());
    for (const fs::path& path : inputs) {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", path.c_str());
            return 1;
        }
        const std::string read((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        // Copied into a buffer of exactly its size, so AddressSanitizer catches a read one byte
        // past the input (spare capacity would hide it).
        const std::vector<uint8_t> bytes(read.begin(), read.end());
        std::printf("%s\n", path.filename().c_str());
        std::fflush(stdout);  // the input a crash happened on is the last line shown
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("%zu inputs replayed\n", inputs.size());
    return inputs.empty() ? 1 : 0;
}
