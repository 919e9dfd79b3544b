#pragma once
// What the harnesses share: a property check that stops the run on the input that broke it, and
// a scratch file for loaders that read from a path.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace velatrace::fuzz {

[[noreturn]] inline void Broken(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, what);
    std::abort();
}

#define FUZZ_CHECK(condition) \
    ((condition) ? (void)0 : ::velatrace::fuzz::Broken(#condition, __FILE__, __LINE__))

// A file in the temporary folder holding the input, one per process and name suffix, rewritten
// for every input.
inline std::string WriteScratch(const uint8_t* data, size_t size, const char* suffix) {
    const char* dir = std::getenv("TMPDIR");
    const std::string path = std::string(dir != nullptr && dir[0] != '\0' ? dir : "/tmp") +
                             "/velatrace-fuzz-" + std::to_string(::getpid()) + suffix;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(file != nullptr);
    FUZZ_CHECK(size == 0 || std::fwrite(data, 1, size, file) == size);
    std::fclose(file);
    return path;
}

}  // namespace velatrace::fuzz
