// The deck window, frmMain: every control the deck's procedures reach by
// name (and index, for control arrays), its state, and its procedures.
// Controls are public on purpose: the deck's procedures and its tests read
// and set their properties the way the handlers describe them.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QWidget>
#include <memory>

#include "binding/audio_library.h"
#include "controls/lum_button.h"
#include "controls/position_slider.h"
#include "controls/scroll_bar.h"
#include "controls/shape_widget.h"
#include "controls/slider.h"
#include "deck/beat_grid.h"
#include "deck/control_array.h"
#include "deck/deck_platform.h"
#include "deck/deck_state.h"
#include "deck/mod_bpm.h"
#include "display/analyser_box.h"
#include "display/mod_spectrum.h"
#include "display/vu_box.h"
#include "display/vu_meter.h"
#include "loading/drive_list.h"
#include "loading/file_list.h"
#include "loading/folder_list.h"
#include "remote/deck_command.h"
#include "remote/joystick_reader.h"
#include "remote/lamp_mirror.h"
#include "remote/mapping.h"
#include "remote/midi_input.h"
#include "remote/midi_mapper.h"
#include "remote/midi_output.h"
#include "timing/deck_timer.h"
#include "timing/frame_pacer.h"

namespace luma {

class DeckKeys;

// Window positions are given in twips, 15 to a pixel.
constexpr int kTwipsPerPixel = 15;

// Loads the engine library from a folder; nullptr when it cannot.
using EngineLoader = std::function<std::unique_ptr<AudioLibrary>(const QString& path)>;

class FrmMain : public QWidget {
    Q_OBJECT

  public:
    FrmMain(QString commandLine, QString programFolder, DeckPlatform& platform,
            EngineLoader loadEngine, QWidget* parent = nullptr);
    ~FrmMain() override;

    // Start-up and shutdown.
    void Form_Load();
    void salir();
    void DoColors();
    void ReadConfig();
    void FillDeviceList();
    bool StartEngine();  // false when it ended the process
    QString GetBassVersion();
    static int16_t HiWord(int32_t value) { return static_cast<int16_t>((value / 65536) & 0xFFFF); }
    static int16_t LoWord(int32_t value) { return static_cast<int16_t>(value & 0xFFFF); }
    void FindMidiDevice(const QString& name, int16_t& index);

    AudioLibrary* audio() const { return audio_.get(); }
    const QString& commandLine() const { return commandLine_; }
    const QString& programFolder() const { return programFolder_; }

    DeckState state;
    ModBpm modBPM{*this};

    // Track loading.
    void filFile_DblClick();
    QString TimeText(int64_t position);
    // The file-name label sizes itself to its caption.
    void setFileNameCaption(const QString& caption);

    // Transport and cue.
    void Lum_Pause();
    void Lum_Stop();
    void Lum_CueSet();
    void Lum_CuePlay();
    void Lum_CUE();
    void tmrCue_Timer();
    void trkPosition_Scroll();

    // Loops, end of track, position readout.
    static constexpr int16_t kFineStep = 500;  // bytes
    QString Lum_LoopStart();
    QString Lum_LoopEnd();
    QString Lum_FineDw(const int16_t& step);
    QString Lum_FineUp(const int16_t& step);
    void cmdLooped_MouseDown();
    void FXTimer2_Timer();
    void Timer1_Timer();

    // Pitch and touch.
    void vscPitch_Scroll();
    void cmdPitchDw_MouseDown();
    void cmdPitchUp_MouseDown();
    void Lum_TouchB2();
    void Lum_TouchF2();
    void Lum_TouchUp();

    // Equaliser, volume and balance.
    void Lum_Equalize(int16_t band, int16_t value);
    void vscEQ_Change(int index);
    void vscEQ_Scroll(int index);
    void hscEQ_Change(int index);
    void hscEQ_Scroll(int index);
    void lblEQR_MouseDown(int index, int button);
    void lblEQR_MouseUp(int index, int button);

    // Sync, quantize and beat-sized loops. Sync asks the engine to hold the
    // deck to the session's tempo and beats; tmrCPU polls what it says and
    // keeps the lamp and the tempo readout up to date.
    void Lum_Sync();
    void Lum_Quantize();
    // Key lock: the speed follows the pitch fader, the key stays the track's.
    void Lum_KeyLock();
    void Lum_BeatLoop(int beats);
    void pollSync();
    void showLoudness();
    // The position snapped to the nearest beat when quantize is on and the
    // track has a grid; otherwise the position itself.
    int64_t quantized(int64_t position);
    static constexpr int kBeatLoopSizes[] = {1, 2, 4, 8, 16};

    // A command from a controller or a key.
    void runCommand(DeckCommand command);
    // A fader, knob or jog wheel of the controller, as a mouse would move
    // the deck's slider.
    void moveControl(const ControlMove& move);
    // The controller and keyboard mapping the deck started with.
    const Mapping& mapping() const { return mapping_; }

    // Meters and status displays. The MIDI input lights the activity lamp
    // (optActivity checked) and restarts tmrLED; tmrLED_Timer puts it out
    // 250 ms after the last message, with the transport buttons' dots.
    void FXTimer1_Timer();
    void tmrVU_Timer();
    void tmrVUReset_Timer();
    void tmrSpectrum_Timer();
    void pctSpectrum_MouseDown();
    void tmrCPU_Timer();
    void tmrLED_Timer();
    void tmrScroll_Timer();
    void tmrFilename_Timer();
    ModSpectrum modSpectrum;

    // Title strip and panels.
    ShapeWidget* Shape1;
    QLabel* lblWindowTitle;
    ControlArray<ShapeWidget> shpBack;

    // Display panel.
    QWidget* pctSongInfo;
    QLabel *lblPosition, *lblLength, *lblFileName, *lblBPMs, *lblBPM, *lblQuality, *lblOrigBPM;
    QLabel *Label1, *Label2, *Label4, *Label5, *Label9;

    // Labels.
    ControlArray<QLabel> lblinfo, lblEQR, lblPitch;
    QLabel *Label6, *Label7, *Label11, *Label13, *Label14, *Label15, *lblVU, *lblCPU;

    // Buttons.
    LumButton *cmdCUE, *cmdPlay, *cmdPause, *cmdStop, *cmdBack, *cmdForward, *cmdCueSet,
        *cmdCuePause, *cmdStartLoop, *cmdEndLoop, *cmdLooped, *cmdFineDw, *cmdFineUp, *cmdPitchDw,
        *cmdPitchUp;
    // The strip below the browser: sync, quantize, beat loops by their beats.
    LumButton *cmdSync, *cmdQuantize, *cmdKeyLock;
    ControlArray<LumButton> cmdBeatLoop;
    QLabel* lblBeatLoop;
    QLabel* lblLoudness;

    // Scroll bars and sliders.
    ControlArray<ScrollBar> vscEQ, hscEQ;
    Slider* vscPitch;
    PositionSlider* trkPosition;

    // Browser, device list and options.
    FileList* filFile;
    FolderList* dirFile;
    DriveList* drvFile;
    QComboBox* cmbDevices;
    QLineEdit* txtJoyID;
    QCheckBox *chkMono, *chkRepeat;
    QRadioButton* optActivity;

    // Meters.
    AnalyserBox* pctSpectrum;
    VuBox* pctVU;
    ControlArray<ShapeWidget> shpVU;
    std::unique_ptr<VuMeter> vuMeter;

    // Timers.
    DeckTimer *Timer1, *tmrVU, *tmrVUReset, *tmrExit, *tmrLED, *tmrCPU, *tmrScroll;
    DeckTimer *FXTimer1, *FXTimer2, *tmrSpectrum, *tmrFilename, *tmrDJControl, *tmrCue;
    FramePacer* framePacer;  // one window repaint a frame

    MidiInput* MIDIInput;

    // Remote control: the MIDI input's events and the joystick poll.
    void MIDIInput_Message();
    void MIDIInput_Error();
    void PollJoystick();
    JoystickReader joysticks;

    // The controller's lamps (frm_main_lamps.cpp): where the mapping names a
    // MIDI output, its lamps follow the deck's from this call on; they go
    // dark as the deck shuts down. A missing output is reported, not fatal.
    void startLamps(const Mapping& mapping);
    LampStates lampStates() const;  // the deck's lamps as they are now

    // Browser chaining.
    void drvFile_Change();
    void dirFile_Change();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ApplyPitch();
    int32_t pitchedRate() const;  // the track's rate moved by the pitch fader, in Hz
    void touch(int direction, LumButton* lamp, int32_t slideTarget);
    QString markLoopPoint(int64_t& point);
    QString moveLoopEnd(int64_t bytes);
    int64_t channelPosition();
    int32_t cueFlush() const;
    void syncLoop();
    std::optional<BeatGrid> beatGrid();
    void askForSync(bool on);
    void showSync();
    void showLoopLamps();
    void endBeatLoop();  // the loop is no longer a beat loop: its lamp goes out
    void proposeSyncTempo();
    // The deck's own tempo text: on the readout, or kept while the session's shows.
    QString ownTempoText() const;
    void setOwnTempoText(const QString& text);
    void connectSync();
    void applyKeyLock();  // the deck's key lock to the engine's channel, and the lamp
    void connectHandlers();
    void connectTransport();
    void connectRemote();
    void midiStop();
    void jog(int ticks);
    void toggleKill(int band);
    void reportMappingProblems();
    void perform(DeckCommand command);
    void showLamps();  // sends the lamps that changed, if lamps are on
    void stopLamps();  // dark, and the output closed
    void connectDisplays();
    void buildWindow();
    void buildDisplayPanel();
    void buildLabels();
    void buildButtons();
    void buildSliders();
    void buildBrowser();
    void buildMeters();
    void buildTimers();
    QLabel* label(QWidget* parent, const QString& name, const QString& caption, int left, int top,
                  int width, int height);
    void setBrowserFolder(const QString& folder);
    // A message the deck cannot go on after: `hint` on the error output, the
    // box, and from then on the deck ends as failed.
    void fatalMessage(const QString& text, const QString& caption, int style, const QString& hint);
    void lblWindowTitle_MouseDown(int button, float x, float y);
    void lblWindowTitle_MouseMove(int button, float x, float y);

    QString commandLine_;
    QString programFolder_;
    DeckPlatform& platform_;
    EngineLoader loadEngine_;
    std::unique_ptr<AudioLibrary> audio_;
    bool ended_ = false;
    DeckKeys* deckKeys_ = nullptr;
    Mapping mapping_;
    MidiMapper midiMapper_;
    // The tempo readout of a locked deck shows the session's tempo; the
    // deck's own waits here meanwhile.
    bool showingSessionTempo_ = false;
    QString ownTempoText_;
    bool syncBlink_ = false;
    bool evenLoudness_ = false;      // as the user settings have it
    uint32_t loudnessShownFor_ = 0;  // the channel whose measured pre-gain is shown
    int syncRetryTicks_ = 0;
    int exitCode_ = 0;
    std::unique_ptr<MidiOutput> lampOutput_;
    std::unique_ptr<LampMirror> lampMirror_;
};

}  // namespace luma
