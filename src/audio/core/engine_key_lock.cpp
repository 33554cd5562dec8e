// Key lock: the stretcher that holds the key is built here, off the audio
// thread, and handed over fresh each time key lock goes on
// (core/key_lock.h does the rest).
#include "core/engine.h"

namespace luma {

bool Engine::setKeyLock(uint32_t handle, bool on) {
    std::lock_guard lock(mutex_);
    const Resolved channel = resolve(handle);
    if (!channel.play) return false;
    PlayChannel& play = *channel.play;
    if (play.keyLock == on) return true;
    Command command;
    command.type = Command::Type::SetKeyLock;
    command.channel = &play;
    command.loop = on;
    if (on) {
        // The one before may still be fading out on the audio thread: it goes
        // once a whole render pass has begun after this command.
        if (play.keyLockShifter) {
            retiredShifters_.push_back({std::move(play.keyLockShifter), mixer_.epoch()});
        }
        play.keyLockShifter = std::make_unique<dsp::KeyLockShifter>(mixer_.outputRate());
        command.shifter = play.keyLockShifter.get();
    }
    play.keyLock = on;
    command.generation = nextGeneration(play);
    send(command);
    collectRetired();
    return true;
}

int32_t Engine::keyLock(uint32_t handle) {
    std::lock_guard lock(mutex_);
    const Resolved channel = resolve(handle);
    if (!channel.play) return -1;
    return channel.play->keyLock ? 1 : 0;
}

}  // namespace luma
