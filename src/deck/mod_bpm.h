// Tempo detection at track load: a decode-only stream of the file is
// analysed by the engine while the file-name label shows the progress; the
// tempo goes into the BPM label and the hidden label the pitch reads.
#pragma once

#include <QString>
#include <cstdint>

namespace luma {

class FrmMain;

class ModBpm {
  public:
    explicit ModBpm(FrmMain& window) : window_(window) {}

    uint32_t BPMStream = 0;  // freed by the next track load
    // The pitch changes the playback rate; the engine is never asked for a
    // tempo stream, so the tempo's percents are those of handle 0 (none).
    static constexpr uint32_t TempoStream = 0;

    void DetectBPM(bool openFile, float startSec, float endSec, const QString& fileName);
    float TempoAdjustedBPM(uint32_t handle);
    // Handed to the engine, which calls it during the detection.
    static void BPMProgress(uint32_t channel, float percent);
    // The progress text for a report: "BPM detection 45%" for 45.9.
    static QString progressText(float percent);

  private:
    FrmMain& window_;
    static ModBpm* detecting_;  // whose window the engine's reports go to
};

}  // namespace luma
