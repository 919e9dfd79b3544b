#pragma once
// The system's sound output, through libavdevice's audio output devices (PulseAudio, else ALSA),
// so replay sound needs no library beyond FFmpeg. Takes interleaved signed 16-bit samples; a write
// never waits: while the device's buffer is full it reports so, and the writer tries again.
#include <cstdint>

#include "video/MediaError.h"
#include "video/ffmpeg/AvPtr.h"

namespace velatrace {

class AudioOutput {
  public:
    AudioOutput() = default;
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // MediaError::NotOffered when the machine has no sound output (or VELATRACE_AUDIO=none).
    MediaError Open(int sampleRate, int channels);
    bool IsOpen() const { return output_ != nullptr; }
    // MediaError::Nothing, with nothing taken, while the device has no room for them.
    MediaError Write(const int16_t* samples, int frames);
    // Drops what the device still holds, so a pause or a seek is heard at once.
    void Flush();
    void Close();

  private:
    MediaError OpenDevice(const char* name, const char* url, int sampleRate, int channels);

    AVFormatContext* output_ = nullptr;
    AvPacketPtr packet_;
    int channels_ = 0;
    int64_t written_ = 0;  // sample frames, the packets' timestamps
};

}  // namespace velatrace
