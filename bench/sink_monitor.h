// Records what reaches a sound server's output, as a listener at the
// speaker would hear it, into a HeardSound.
#pragma once

#include <memory>

#include "heard_sound.h"

namespace luma::bench {

class SinkMonitor {
  public:
    virtual ~SinkMonitor() = default;
    // Connects to the server and starts recording; false when the server
    // does not answer.
    virtual bool open() = 0;
    // Called now and then while waiting for sound: a recorder that listens
    // to one program's ports connects to them once they exist.
    virtual void follow() {}
    // True once the server has gone.
    virtual bool lost() const = 0;

    HeardSound& heard() { return *heard_; }
    // True when the player was already playing as this recorder got
    // through: the start of its sound may not be in the recording.
    bool cameAfterPlayer() const { return cameAfterPlayer_; }

  protected:
    bool cameAfterPlayer_ = false;
    std::unique_ptr<HeardSound> heard_ = std::make_unique<HeardSound>(44100);
};

}  // namespace luma::bench
