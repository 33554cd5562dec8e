// Tells when an ALSA sequencer port goes. RtMidi's ALSA input keeps quiet
// about it, so a client of our own follows the sequencer's announcements
// (System:Announce) for the end of the port or of its client.
#pragma once

#include <alsa/asoundlib.h>

#include <functional>
#include <string>
#include <thread>

namespace luma {

class AlsaWatch {
  public:
    // `gone` runs once, on the watch's thread, when port client:port leaves
    // (at once if it is not there); problem() tells why nothing is watched.
    AlsaWatch(int client, int port, std::function<void()> gone);
    ~AlsaWatch();  // no call of `gone` after this
    AlsaWatch(const AlsaWatch&) = delete;
    AlsaWatch& operator=(const AlsaWatch&) = delete;

    const std::string& problem() const { return problem_; }  // empty while watching

  private:
    void run();

    int client_, port_;
    std::function<void()> gone_;
    snd_seq_t* seq_ = nullptr;
    int wake_[2] = {-1, -1};  // a pipe: closing its write end ends the thread
    std::thread thread_;
    std::string problem_;
};

}  // namespace luma
