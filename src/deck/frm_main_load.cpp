// Loading a track: the file list's double-click. Each step that fails is
// passed over and the next one runs; no message is ever shown, so a bad
// file leaves the deck usable with whatever the engine answered.

#include "deck/channel_bytes.h"
#include "deck/frm_main.h"
#include "display/number_text.h"
#include "loading/file_names.h"
#include "loading/id3v1_tag.h"

namespace luma {

namespace {

constexpr uint32_t kStreamFlags = LUMA_STREAM_PRESCAN | LUMA_STREAM_FX;
constexpr uint32_t kMonoStreamFlags = kStreamFlags | LUMA_STREAM_MONO;
constexpr float kEqBandwidthSemitones = 36.0f;
constexpr float kBpmSpanSeconds = 90.0f;
constexpr int kFileNameLeft = 8;
constexpr int kFileNameLoadingWidth = 369;
constexpr int kMarqueeWidth = 382;  // wider names scroll
constexpr int kMarqueeStartLeft = 386;

// Centre frequencies of the four filters, in the order they are set.
struct FilterCentre {
    int index;
    float hz;
};
constexpr FilterCentre kFilterCentres[] = {{0, 80.0f}, {3, 125.0f}, {1, 3000.0f}, {2, 8000.0f}};

}  // namespace

void FrmMain::setFileNameCaption(const QString& caption) {
    lblFileName->setText(caption);
    lblFileName->adjustSize();
}

QString FrmMain::TimeText(int64_t position) {
    if (position == -1 || !audio_) return ":,";
    return timeText(BytesToSeconds(*audio_, state.Channel, position));
}

void FrmMain::filFile_DblClick() {
    if (!audio_) return;  // no engine: the deck is ending
    AudioLibrary& audio = *audio_;
    const QString fileName = filFile->fileName();
    const QString FilePath = dirFile->path() + "/" + fileName;
    const QByteArray path = encodeFileName(FilePath);

    setFileNameCaption("Loading...");
    lblFileName->resize(kFileNameLoadingWidth, lblFileName->height());
    lblFileName->move(kFileNameLeft, lblFileName->y());
    framePacer->paintNow(*lblFileName);
    tmrScroll->setEnabled(false);

    Id3v1Tag tag;
    const bool found = ReadID3Tag(FilePath, tag);
    const std::array<QString, 6> captions = songInfoCaptions(found, tag, state.GenreNames);
    for (int i = 0; i < 6; ++i) lblinfo(i)->setText(captions[i]);

    audio.BASS_StreamFree(state.Channel);
    audio.BASS_MusicFree(state.Channel);
    audio.BASS_FX_BPM_Free(state.Channel);
    audio.BASS_FX_BPM_Free(modBPM.BPMStream);
    audio.BASS_FX_TempoFree(state.Channel);

    const bool mono = chkMono->checkState() == Qt::Checked;
    state.Channel = audio.BASS_StreamCreateFile(0, path.constData(), 0, 0,
                                                mono ? kMonoStreamFlags : kStreamFlags);
    audio.BASS_SetBufferLength(5.0f);
    if (state.Channel == 0) {
        state.Channel = audio.BASS_MusicLoad(0, path.constData(), 0, 0, LUMA_MUSIC_PLAYED);
    }
    for (int i = 0; i < 4; ++i)
        state.EqFX[i] = audio.BASS_ChannelSetFX(state.Channel, LUMA_FX_PARAMEQ);
    for (const FilterCentre& filter : kFilterCentres) {
        const LUMA_PARAMEQ parameters{filter.hz, kEqBandwidthSemitones, 0.0f};
        audio.BASS_FXSetParameters(state.EqFX[filter.index], &parameters);
    }
    for (int16_t band = 0; band < 3; ++band) {
        Lum_Equalize(band, static_cast<int16_t>(vscEQ(band)->value()));
    }

    // A failed query (all ones) reads as -1.
    trkPosition->setMax(static_cast<int64_t>(audio.BASS_StreamGetLength(state.Channel)));
    uint32_t rate = 0;
    if (audio.BASS_ChannelGetAttributes(state.Channel, &rate, nullptr, nullptr)) {
        state.BaseFreq = static_cast<int32_t>(rate);
    }
    lblQuality->setText(QString::number(state.BaseFreq) + " Hz");
    lblLength->setText(timeText(BytesToSeconds(audio, state.Channel, trkPosition->max())));
    trkPosition->setValue(0);

    cmdPause->setVisible(false);
    state.IsStopped = kTrue;

    showingSessionTempo_ = false;  // the new track's own tempo goes on the readout
    modBPM.DetectBPM(true, 0.0f, kBpmSpanSeconds, FilePath);

    // A name too short to have an extension keeps the last caption.
    if (fileName.size() >= 4)
        setFileNameCaption(displayFileName(fileName.left(fileName.size() - 4)));
    vscPitch->setValue(0);
    if (lblFileName->width() > kMarqueeWidth) {
        lblFileName->move(kMarqueeStartLeft, lblFileName->y());
        tmrScroll->setEnabled(true);
    }

    const int balance = hscEQ(1)->value();
    hscEQ(1)->setValue(0);
    hscEQ(1)->setValue(balance);
    syncLoop();                          // the loop points carry over to the new track
    if (state.SyncOn) askForSync(true);  // the new track joins the session too
    if (state.KeyLockOn) applyKeyLock();
}

}  // namespace luma
