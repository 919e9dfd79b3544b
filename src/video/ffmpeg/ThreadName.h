#pragma once
// Names the calling thread ("vt-camera", "vt-encoder", ...) so debuggers, profilers and the
// benchmark can tell the engine's threads apart. Does nothing where the system has no names.
namespace velatrace {

void NameThisThread(const char* name);

}  // namespace velatrace
