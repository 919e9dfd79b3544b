#pragma once
// The FFmpeg media engine as a module loaded at run time (libvelatrace_ffmpeg.so), so that the
// program starts without loading FFmpeg and the libraries it brings. The module is looked for
// beside the program (the build tree) and then in the program's library folder (an
// installation).
#include <memory>
#include <string>

#include "video/MediaEngine.h"

// The module's one entry: makes a new engine, owned by the caller. Returns 0 on success.
using MakeMediaEngineFn = int (*)(velatrace::MediaEngine** engine);
inline constexpr const char* kMakeMediaEngineEntry = "VelatraceMakeMediaEngine";

namespace velatrace {

// The engine of the module; nullptr, with the reason in *problem (and on the standard error), when
// the module cannot be loaded or made no engine. The module stays loaded for the rest of the run.
std::unique_ptr<MediaEngine> OpenMediaModule(std::string* problem);

}  // namespace velatrace
