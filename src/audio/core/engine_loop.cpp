// The loop region: checked and converted here, then handed to the audio
// thread, which wraps playback itself (core/loop_source.h).
#include "core/engine.h"

namespace luma {

bool Engine::setLoop(uint32_t handle, int64_t startBytes, int64_t endBytes, bool on) {
    std::lock_guard lock(mutex_);
    const Resolved channel = resolve(handle);
    if (!channel.play) return false;
    const int64_t start = startBytes / channel.bytesPerFrame;
    const int64_t end = endBytes / channel.bytesPerFrame;
    Command command;
    command.type = Command::Type::SetLoop;
    command.channel = channel.play.get();
    // A region that makes no sense turns the loop off; the caller still
    // gets success, as for any valid channel.
    command.loop = on && startBytes >= 0 && start < end && end <= channel.frames;
    command.frame = start;
    command.loopEnd = end;
    command.generation = nextGeneration(*channel.play);
    send(command);
    return true;
}

}  // namespace luma
