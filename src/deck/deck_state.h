// The deck window's own variables. Booleans are 16-bit integers holding
// -1 (true) and 0 (false), as every handler of the deck compares them.
// Byte positions are 64-bit: a long mix passes 2^31 bytes.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

namespace luma {

constexpr int16_t kTrue = -1;
constexpr int16_t kFalse = 0;

struct DeckState {
    uint32_t Channel = 0;
    int32_t BaseFreq = 0;
    std::array<uint32_t, 14> EqFX{};
    std::array<int32_t, 3> EqSaved{};
    int16_t IsStopped = kTrue;
    int64_t CuePos = 0;
    int16_t CueActive = kFalse;
    int64_t LoopStart = 0;
    int64_t LoopEnd = 0;
    int16_t LoopOn = kFalse;
    int16_t VolumePos = 0;
    int16_t BalancePos = 0;
    int16_t TouchAmount = 0;
    int32_t TouchFreq = 0;
    int32_t TouchPitch = 0;
    int16_t TouchMode = 0;
    int16_t SoundDevice = 0;
    int16_t MidiDevice = -1;
    QStringList GenreNames = QStringList(256);
    int32_t VuLeft = 0, VuRight = 0, VuPeakLeft = 0, VuPeakRight = 0;
    std::array<int16_t, 5> JoyLastButtons{}, JoyFirstButtons{}, JoySecondButtons{};
    int32_t DragX = 0;
    int32_t DragY = 0;
    // Sync and quantize. SyncOn is the deck's wish; SyncState what the
    // engine last said of it (a LUMA_SYNC_ state), SessionBpm its tempo.
    bool SyncOn = false;
    int32_t SyncState = 0;
    double SessionBpm = 0.0;
    bool QuantizeOn = false;
    bool KeyLockOn = false;  // kept across tracks
    int BeatLoopBeats = 0;   // the size of the beat loop playing, 0 for none
};

}  // namespace luma
