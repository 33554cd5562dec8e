// Keeps PortAudio initialised for as long as it lives.
#pragma once

#include <portaudio.h>

#include "output/library_chatter.h"

namespace luma {

// Pa_Initialize is reference-counted, so sessions nest: the first one scans the
// devices (and finds JACK's only if its server already runs), the last one
// to end releases them. Like PortAudio itself, only for the control thread.
class PortAudioSession {
  public:
    PortAudioSession() : ok_((silenceLibraryChatter(), Pa_Initialize() == paNoError)) {}
    ~PortAudioSession() {
        if (ok_) Pa_Terminate();
    }
    PortAudioSession(const PortAudioSession&) = delete;
    PortAudioSession& operator=(const PortAudioSession&) = delete;

    bool ok() const { return ok_; }

  private:
    const bool ok_;
};

}  // namespace luma
