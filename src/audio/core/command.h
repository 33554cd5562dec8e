// What a control thread asks of the audio thread. Plain data, copied
// through the command queue.
#pragma once

#include <cstdint>

namespace luma {

class PlayChannel;
struct EqEffect;
namespace dsp {
class KeyLockShifter;
}

struct Command {
    enum class Type : uint8_t {
        AddChannel,
        RemoveChannel,
        Play,
        Stop,
        Seek,
        Slide,
        AddEffect,
        SetEffect,
        GlobalVolumes,
        SetLoop,
        SetSync,
        SetKeyLock,
    };
    Type type = Type::Play;
    PlayChannel* channel = nullptr;
    uint32_t generation = 0;  // per channel, for the control side's bookkeeping
    bool loop = false;        // Play; SetLoop, SetSync, SetKeyLock: on
    int64_t frame = 0;        // Seek; SetLoop: the region's start
    int64_t loopEnd = 0;      // SetLoop: the region is [frame, loopEnd)
    // Slide: negative means "leave as it is".
    double rateHz = -1.0;
    double volume = -1.0;  // 0..1
    double pan = -2.0;     // -1..1; below -1 leaves it
    int64_t slideFrames = 0;
    EqEffect* effect = nullptr;              // AddEffect, SetEffect
    dsp::KeyLockShifter* shifter = nullptr;  // SetKeyLock on: fresh, primed
    float centreHz = 0, bandwidth = 0, gainDb = 0;
    float streamVolume = -1, musicVolume = -1;  // GlobalVolumes, 0..1
    // SetSync: the track's beat grid and the channel's own rate it counts bends from.
    double gridBpm = 0, gridFirstBeatFrame = 0, referenceHz = 0;
};

}  // namespace luma
