#include "remote/midi_mapper.h"

#include <optional>
#include <utility>

namespace luma {

namespace {

constexpr int kCentre7 = 64, kTop7 = 127;
constexpr int kCentre14 = 8192, kTop14 = 16383;

struct Message {
    MidiAddress address;
    int value;
};

std::optional<Message> decode(int status, int data1, int data2) {
    const int channel = (status & 0x0F) + 1;
    switch (status & 0xF0) {
        case 0xB0:
            return Message{{MidiKind::ControlChange, channel, data1}, data2};
        case 0x90:
            return Message{{MidiKind::Note, channel, data1}, data2};
        case 0x80:  // note off: whatever its velocity, a release
            return Message{{MidiKind::Note, channel, data1}, 0};
        default:
            return std::nullopt;
    }
}

// The centre lies off the middle of an even count of values (64 of 0..127):
// each half is scaled on its own so both ends reach -1 and 1.
double position(int value, int centre, int top) {
    return value < centre ? double(value - centre) / centre
                          : double(value - centre) / (top - centre);
}

int ticks(ControlEncoding encoding, int value) {
    if (encoding == ControlEncoding::RelativeOffset64) return value - kCentre7;
    return value < kCentre7 ? value : value - 128;  // two's complement in seven bits
}

}  // namespace

MidiMapper::MidiMapper(std::vector<CommandBinding> commands, std::vector<ControlBinding> controls)
    : commands_(std::move(commands)), controls_(std::move(controls)), msb_(controls_.size(), -1) {}

MidiActions MidiMapper::map(int status, int data1, int data2) {
    MidiActions actions;
    const auto message = decode(status, data1, data2);
    if (!message) return actions;
    for (const CommandBinding& binding : commands_) {
        if (binding.address == message->address && (binding.anyValue || message->value > 0)) {
            actions.commands.push_back(binding.command);
        }
    }
    if (message->address.kind != MidiKind::ControlChange) return actions;
    for (size_t i = 0; i < controls_.size(); ++i) {
        const ControlBinding& binding = controls_[i];
        if (binding.address.channel != message->address.channel) continue;
        const int value = message->value;
        if (binding.encoding == ControlEncoding::Absolute14) {
            if (binding.address.number == message->address.number) {
                // A fader sends its MSB, then its LSB. The MSB moves the
                // control at once only when it changed (a controller that
                // sends MSBs alone still works); the LSB then completes it.
                if (value == msb_[i]) continue;
                msb_[i] = value;
                actions.moves.push_back({binding.control, position(value << 7, kCentre14, kTop14)});
            } else if (binding.lsbNumber == message->address.number && msb_[i] >= 0) {
                actions.moves.push_back(
                    {binding.control, position((msb_[i] << 7) | value, kCentre14, kTop14)});
            }
        } else if (binding.address.number == message->address.number) {
            if (binding.encoding == ControlEncoding::Absolute7) {
                actions.moves.push_back({binding.control, position(value, kCentre7, kTop7)});
            } else if (const int moved = ticks(binding.encoding, value); moved != 0) {
                actions.moves.push_back({binding.control, 0.0, moved});
            }
        }
    }
    return actions;
}

}  // namespace luma
