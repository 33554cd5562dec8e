// The controller's lamps as a copy of the deck's: each lamp binding names the
// MIDI message that lights it (value or velocity 127) and puts it out (0). Only
// lamps whose state changed are sent, so a deck that looks every 2 ms sends
// nothing while nothing changes.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <vector>

#include "remote/mapping.h"

namespace luma {

inline constexpr size_t kLampCount = static_cast<size_t>(Lamp::Activity) + 1;

class LampStates {
  public:
    bool operator[](Lamp lamp) const { return lit_[static_cast<size_t>(lamp)]; }
    void set(Lamp lamp, bool lit) { lit_[static_cast<size_t>(lamp)] = lit; }
    bool operator==(const LampStates&) const = default;

  private:
    std::array<bool, kLampCount> lit_{};
};

class LampMirror {
  public:
    // Status byte and two data bytes, sent as one message.
    using Send =
        std::function<void(unsigned char status, unsigned char data1, unsigned char data2)>;

    // A binding whose channel is not 1 to 16 or whose number is not 0 to 127
    // is left out: it would make bytes of another message.
    LampMirror(const std::vector<LampBinding>& bindings, Send send);

    // Every lamp as `states` has it: at start-up the controller's lamps are
    // in whatever state the last program left them.
    void lightUp(const LampStates& states);
    // The lamps whose state differs from the last sent (all before a lightUp).
    void show(const LampStates& states);
    // Every lamp dark, as the deck shuts down.
    void darken();

  private:
    void sendLamp(const LampBinding& binding, bool lit);

    std::vector<LampBinding> bindings_;
    Send send_;
    LampStates shown_;
    bool anyShown_ = false;
};

}  // namespace luma
