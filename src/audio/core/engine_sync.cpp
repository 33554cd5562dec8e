// Tempo and beat sync over Link, the control side: which channels ask for
// it, when each can follow the session (once its beat grid is known), and
// the session's tempo. The audio thread follows the session itself
// (sync/phase_lock.h).
//
// A refused sync stays asked for: a channel without a grid locks once the
// grid arrives, and one beyond the pitch fader's reach locks when the session
// tempo comes back within it (the audio thread plays it at its own rate
// meanwhile).
#include <algorithm>
#include <cmath>

#include "core/engine.h"
#include "include/lumaaudio.h"
#include "sync/tempo_match.h"

namespace luma {

namespace {
constexpr int32_t kMaxLatencyCorrectionMs = 1000;
}  // namespace

int32_t Engine::setSync(uint32_t handle, bool on) {
    std::lock_guard lock(mutex_);
    const Resolved channel = resolve(handle);
    if (!initialised_ || !channel.play) return LUMA_SYNC_OFF;
    PlayChannel& play = *channel.play;
    if (!on) {
        releaseSync(play);
        return LUMA_SYNC_OFF;
    }
    if (!play.sync.asked) {
        play.sync.asked = true;
        ++syncAsked_;
        double rate, volume, pan;
        readAttributes(channel, rate, volume, pan);
        play.sync.referenceHz = rate;
    }
    engageSync(play);
    return syncStateOf(play);
}

int32_t Engine::syncState(uint32_t handle, double* sessionBpm, uint32_t* peers) {
    std::lock_guard lock(mutex_);
    if (sessionBpm) *sessionBpm = link_.tempo();
    if (peers) *peers = link_.peers();
    const Resolved channel = resolve(handle);
    if (!initialised_ || !channel.play) return LUMA_SYNC_OFF;
    engageSync(*channel.play);
    return syncStateOf(*channel.play);
}

bool Engine::setSyncTempo(uint32_t handle, double bpm) {
    std::lock_guard lock(mutex_);
    const Resolved channel = resolve(handle);
    if (!channel.play || !std::isfinite(bpm) || bpm <= 0.0) return false;
    PlayChannel& play = *channel.play;
    // A refused channel plays at its own rate: its fader is its own, not the session's.
    if (syncStateOf(play) != LUMA_SYNC_LOCKED) return false;
    // `bpm` is the track's tempo at the deck's new own rate: bends count from that rate
    // now. The session hears it at the multiple the channel follows it at.
    const TrackGrid& grid = play.sync.grid;
    play.sync.referenceHz = play.track().sampleRate() * bpm / grid.bpm;
    sendSync(play, true);
    link_.proposeTempo(bpm * matchTempo(link_.tempo(), grid.bpm).multiple);
    return true;
}

void Engine::setSyncLatency(int32_t extraMs) {
    link_.setExtraLatencyMs(std::clamp(extraMs, -kMaxLatencyCorrectionMs, kMaxLatencyCorrectionMs));
}

void Engine::engageSync(PlayChannel& channel) {
    if (!channel.sync.asked || channel.sync.engaged || !channel.analysis) return;
    TrackGrid grid;
    if (!channel.analysis->finished(grid) || !grid) return;
    // Link joins only with a channel that can follow it: decks that asked before their
    // grids were known would otherwise meet in a session at Link's default tempo and
    // keep it. The first to follow sets the tempo of the session it starts, the
    // track's at its own rate; a session found on the network later wins over it
    // (it is older), so a deck that joins takes the session's tempo.
    if (syncEngaged_ == 0) {
        // Link that cannot start here: refused as a session out of reach.
        if (!link_.enable(true)) {
            channel.sync.linkFailed = true;
            return;
        }
        if (link_.peers() == 0) {
            link_.proposeTempo(grid.bpm * channel.sync.referenceHz / channel.track().sampleRate());
        }
    }
    channel.sync.linkFailed = false;
    channel.sync.grid = grid;
    channel.sync.engaged = true;
    ++syncEngaged_;
    sendSync(channel, true);
}

void Engine::releaseSync(PlayChannel& channel) {
    if (!channel.sync.asked) return;
    if (channel.sync.engaged) {
        channel.sync.engaged = false;
        if (--syncEngaged_ == 0) link_.enable(false);
        sendSync(channel, false);
    }
    channel.sync.asked = false;
    channel.sync.linkFailed = false;
    --syncAsked_;
}

void Engine::sendSync(PlayChannel& channel, bool on) {
    Command command;
    command.type = Command::Type::SetSync;
    command.channel = &channel;
    command.loop = on;
    command.gridBpm = channel.sync.grid.bpm;
    command.gridFirstBeatFrame = channel.sync.grid.firstBeatSeconds * channel.track().sampleRate();
    command.referenceHz = channel.sync.referenceHz;
    command.generation = nextGeneration(channel);
    send(command);
}

int32_t Engine::syncStateOf(const PlayChannel& channel) const {
    if (!channel.sync.asked) return LUMA_SYNC_OFF;
    if (channel.sync.linkFailed) return LUMA_SYNC_OUT_OF_RANGE;
    if (!channel.sync.engaged) return LUMA_SYNC_NO_GRID;
    if (!matchTempo(link_.tempo(), channel.sync.grid.bpm).inRange) return LUMA_SYNC_OUT_OF_RANGE;
    return LUMA_SYNC_LOCKED;
}

}  // namespace luma
