#include "deck/mod_bpm.h"

#include <cmath>

#include "deck/frm_main.h"
#include "display/number_text.h"
#include "loading/file_names.h"

namespace luma {

namespace {
constexpr uint32_t kDecodeOnlyStream = LUMA_STREAM_DECODE;
constexpr uint32_t kDecodeOnlyModule = LUMA_STREAM_DECODE | LUMA_MUSIC_ANALYSED;
constexpr uint32_t kDetectionFlags = 3;
}  // namespace

ModBpm* ModBpm::detecting_ = nullptr;

void ModBpm::DetectBPM(bool openFile, float startSec, float endSec, const QString& fileName) {
    AudioLibrary& audio = *window_.audio();
    if (openFile) {
        const QByteArray path = encodeFileName(fileName);
        BPMStream = audio.BASS_StreamCreateFile(0, path.constData(), 0, 0, kDecodeOnlyStream);
        if (BPMStream == 0) {
            BPMStream = audio.BASS_MusicLoad(0, path.constData(), 0, 0, kDecodeOnlyModule);
        }
    }
    ModBpm* const outer = detecting_;
    detecting_ = this;
    audio.BASS_FX_BPM_DecodeGet(BPMStream, startSec, endSec, 0, kDetectionFlags, &BPMProgress);
    detecting_ = outer;
    window_.lblBPMs->setText(singleText(-100.0f * TempoAdjustedBPM(BPMStream)));
    window_.lblOrigBPM->setText(singleText(-100.0f * TempoAdjustedBPM(BPMStream)));
}

float ModBpm::TempoAdjustedBPM(uint32_t handle) {
    AudioLibrary& audio = *window_.audio();
    const float percents = audio.BASS_FX_TempoGetApproxPercents(TempoStream);
    return roundedToHundredths(audio.BASS_FX_BPM_Percents2BPM(handle, percents));
}

QString ModBpm::progressText(float percent) {
    const double whole = std::isfinite(percent) ? std::floor(percent) : 0.0;
    return "BPM detection " + QString::number(static_cast<long long>(whole)) + "%";
}

void ModBpm::BPMProgress(uint32_t, float percent) {
    if (!detecting_) return;
    QLabel* label = detecting_->window_.lblFileName;
    detecting_->window_.setFileNameCaption(progressText(percent));
    detecting_->window_.framePacer->paintNow(*label);  // the load handler still runs
}

}  // namespace luma
