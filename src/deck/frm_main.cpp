// The deck window's start-up and shutdown, its colours, configuration and
// engine start, the browser's chaining and the dragging of the window.
#include "deck/frm_main.h"

#include <QCloseEvent>
#include <QDir>
#include <QMouseEvent>
#include <QShortcut>
#include <cmath>
#include <cstdlib>

#include "binding/engine_library.h"
#include "controls/bgr_colour.h"
#include "controls/widget_colours.h"
#include "deck/deck_keys.h"
#include "deck/deck_mapping.h"
#include "display/number_text.h"
#include "loading/file_names.h"
#include "loading/paths.h"
#include "settings/config_reader.h"
#include "settings/user_settings.h"

namespace luma {

namespace {

constexpr int kDeckTwoLeftTwips = 8685;
constexpr uint32_t kOutputRate = 44100;
constexpr uint32_t kInfoSize = 56;
constexpr int kInfoSoundSystemVersion = 10;
const QString kNoDigitalOutput = "Error: Couldn't Initialize Digital Output";
const QString kDigitalOutputCaption = "Digital output";
// Settings name this folder for "the demo crate beside the program".
const QString kDemoFolderSetting = "demo";

int rgb(int red, int green, int blue) {
    return red + 256 * green + 65536 * blue;
}

}  // namespace

FrmMain::FrmMain(QString commandLine, QString programFolder, DeckPlatform& platform,
                 EngineLoader loadEngine, QWidget* parent)
    : QWidget(parent),
      commandLine_(std::move(commandLine)),
      programFolder_(std::move(programFolder)),
      platform_(platform),
      loadEngine_(std::move(loadEngine)) {
    buildWindow();
    buildDisplayPanel();
    buildLabels();
    buildButtons();
    buildSliders();
    buildBrowser();
    buildMeters();
    buildTimers();
    connectHandlers();
    connectSync();
    MIDIInput = new MidiInput(this);
    connectRemote();
    mapping_ = loadDeckMapping(mappingPath(programFolder_));
    midiMapper_ = MidiMapper(mapping_.commands, mapping_.controls);
    deckKeys_ = new DeckKeys(
        *this, [this](DeckCommand command) { runCommand(command); }, keyBindings(mapping_));
    // The borderless window has no close button. One window per process, so
    // the key may be application-wide: it then works in the drive list's
    // open popup too, wherever the focus is.
    new QShortcut(QKeySequence(kQuitKey), this, this, &FrmMain::salir, Qt::ApplicationShortcut);
}

FrmMain::~FrmMain() = default;

void FrmMain::Form_Load() {
    DoColors();
    state.VolumePos = 50;
    state.TouchAmount = 2500;
    state.IsStopped = kTrue;
    lblWindowTitle->setText("DECK " + commandLine_);
    const double deckNumber = leadingNumber(commandLine_);
    if (commandLine_.isEmpty()) {
        fatalMessage("You must run lumatroneDJ.exe.", "", kMessageOk,
                     "start both decks with lumatrone, or one deck with its number: "
                     "lumatrone-deck 1");
        salir();
        return;
    }
    int left = x();
    if (deckNumber == 1) left = 0;
    if (deckNumber == 2) left = kDeckTwoLeftTwips / kTwipsPerPixel;
    move(left, 0);
    FillDeviceList();
    modSpectrum.setUpBitmap();
    tmrSpectrum->setEnabled(true);
    tmrCPU->setEnabled(true);
    ReadConfig();
    if (!StartEngine()) return;
    // The Gain slider's 50 is heard from the first second, not only once it moves.
    audio_->BASS_SetGlobalVolumes(state.VolumePos, state.VolumePos, state.VolumePos);
    // Before the controller's input starts: no message runs behind the box.
    reportMappingProblems();
    startLamps(mapping_);
    MIDIInput->setDeviceIndex(state.MidiDevice);
    MIDIInput->act(MidiInput::Open);
    MIDIInput->setDeviceIndex(state.MidiDevice);
    MIDIInput->act(MidiInput::Start);
    DoColors();
}

void FrmMain::salir() {
    if (ended_) return;
    ended_ = true;
    if (audio_) {
        audio_->BASS_Stop();
        audio_->BASS_StreamFree(state.Channel);
        audio_->BASS_MusicFree(state.Channel);
        audio_->BASS_Free();
    }
    MIDIInput->setDeviceIndex(state.MidiDevice);
    MIDIInput->act(MidiInput::Stop);
    MIDIInput->setDeviceIndex(state.MidiDevice);
    MIDIInput->act(MidiInput::Close);
    stopLamps();
    platform_.endProcess(exitCode_);
}

void FrmMain::fatalMessage(const QString& text, const QString& caption, int style,
                           const QString& hint) {
    exitCode_ = EXIT_FAILURE;  // however the deck ends from here, even by a signal during the box
    const QString deck =
        commandLine_.isEmpty() ? "lumatrone-deck" : "lumatrone-deck " + commandLine_;
    platform_.printError(deck + ": " + hint);
    platform_.message(text, caption, style, geometry());
}

void FrmMain::closeEvent(QCloseEvent* event) {
    // Form_Unload: the deck never returns from closing its window.
    event->accept();
    salir();
}

void FrmMain::DoColors() {
    const int windowBackground = rgb(123, 180, 183);
    const int shapeBorder = rgb(38, 69, 70);
    const int panelBackground = rgb(27, 47, 48);
    const int shapeFill = rgb(66, 118, 121);
    const int labelText = rgb(255, 255, 255);
    setBackColour(this, windowBackground);
    for (const auto& [index, panel] : shpBack) {
        panel->setFillColour(colourFromBgr(shapeFill));
        panel->setBorderColour(colourFromBgr(shapeBorder));
    }
    for (const auto& [index, label] : lblinfo) {
        setBackColour(label, panelBackground);
        setForeColour(label, labelText);
    }
    setBackColour(pctSongInfo, panelBackground);
    setBackColour(chkRepeat, shapeFill);
    setBackColour(chkMono, shapeFill);
    setBackColour(optActivity, shapeFill);
}

void FrmMain::ReadConfig() {
    const ConfigResult config = readConfig(programFolder_, commandLine_);
    if (!config.settingsFileOpened) {
        platform_.message("ERROR opening deck" + commandLine_ + ".ini", "", kMessageOk, geometry());
    }
    const DeckSettings& settings = config.settings;
    lblBPMs->setVisible(settings.showBpm);
    Label9->setVisible(settings.showBpm);
    tmrDJControl->setEnabled(settings.joystickTimer);
    state.TouchMode = static_cast<int16_t>(settings.touchMode);
    state.SoundDevice = settings.soundDevice;
    FindMidiDevice(settings.midiDeviceName, state.MidiDevice);
    setBrowserFolder(settings.musicFolder == kDemoFolderSetting
                         ? RPP(programFolder_) + kDemoFolderSetting
                         : expandPath(settings.musicFolder));
    txtJoyID->setText(settings.joystickNumber);
    state.GenreNames = config.genreNames;  // always 256 names
}

void FrmMain::setBrowserFolder(const QString& folder) {
    // File list, folder list, then the drive: each refuses a folder that
    // does not exist and keeps what it had. The drive of a folder is the
    // mounted volume that holds it; a missing folder moves no drive either.
    filFile->setPath(folder);
    dirFile->setPath(folder);
    if (isReadableFolder(folder)) drvFile->setDrive(folder);
}

void FrmMain::FindMidiDevice(const QString& name, int16_t& index) {
    index = -1;
    const int count = static_cast<int16_t>(MIDIInput->deviceCount());
    for (int i = 0; i < count; ++i) {
        MIDIInput->setDeviceIndex(i);
        if (MIDIInput->deviceName(i) == name) index = static_cast<int16_t>(i);
    }
}

void FrmMain::FillDeviceList() {
    // The list shows the engine's own numbering of the outputs, the one the
    // configured device number uses. Nothing to list without the engine.
    if (!audio_ && FileExists(RPP(programFolder_) + kEngineLibraryFile)) {
        audio_ = loadEngine_(RPP(programFolder_) + kEngineLibraryFile);
    }
    if (!audio_) return;
    for (uint32_t i = 0; const char* description = audio_->BASS_GetDeviceDescription(i); ++i) {
        cmbDevices->addItem(QString::number(i) + " - " + QString::fromUtf8(description));
    }
}

QString FrmMain::GetBassVersion() {
    const int32_t version = static_cast<int32_t>(audio_->BASS_GetVersion());
    const int16_t major = LoWord(version);
    const int16_t minor = HiWord(version);
    return QString::number(major) + "." + QString::number(minor);
}

bool FrmMain::StartEngine() {
    QDir::setCurrent(programFolder_);
    const QString library = RPP(programFolder_) + kEngineLibraryFile;
    auto fail = [this](const QString& text, const QString& caption, const QString& hint) {
        fatalMessage(text, caption, kMessageCritical, hint);
        platform_.endProcess(exitCode_);
        return false;
    };
    const QString reinstall = "; build or install the program again";
    if (!FileExists(library)) {
        return fail("BASS.DLL not exists", "BASS.DLL",
                    "the audio engine " + library + " is missing" + reinstall);
    }
    if (!audio_) audio_ = loadEngine_(library);
    if (!audio_ || GetBassVersion() != "1.8") {
        return fail(
            "BASS version 1.8 was not loaded", "Bass.Dll",
            "the audio engine " + library + " did not load or is of another version" + reinstall);
    }
    // Mixers tell the decks apart by these names.
    const QByteArray clientName = ("Lumatrone deck " + commandLine_).toUtf8();
    const UserSettings settings = readUserSettings();
    audio_->LUMA_SetOutputOptions(clientName.constData(),
                                  static_cast<uint32_t>(settings.outputLatencyMs));
    evenLoudness_ = settings.evenLoudness;
    audio_->LUMA_SetLoudnessTarget(settings.evenLoudness
                                       ? static_cast<float>(settings.loudnessTargetLufs)
                                       : LUMA_LOUDNESS_OFF);
    // The window's handle travels as an opaque pointer, as the engine's interface has it.
    void* window = reinterpret_cast<void*>(winId());  // NOLINT(performance-no-int-to-ptr)
    const QString output = QString("output %1 (settings line %2)")
                               .arg(state.SoundDevice)
                               .arg(commandLine_ == "1" ? 6 : 7);
    if (audio_->BASS_Init(state.SoundDevice, kOutputRate, 0, window) == 0) {
        return fail(kNoDigitalOutput, kDigitalOutputCaption,
                    output +
                        " could not be opened; lumatrone-devices lists the outputs; "
                        "LUMATRONE_AUDIO=system, null or wav:PATH chooses the kind of output");
    }
    // An output that opened but does not run, or that the engine cannot
    // describe, plays no more than one that never opened.
    uint32_t info[14] = {kInfoSize};
    const bool started = audio_->BASS_Start() != 0;
    if (!started || audio_->BASS_GetInfo(info) == 0) {
        audio_->BASS_Free();
        return fail(kNoDigitalOutput, kDigitalOutputCaption,
                    (started ? "the audio engine could not describe " + output
                             : output + " opened but did not start") +
                        "; lumatrone-devices lists the outputs");
    }
    if (info[kInfoSoundSystemVersion] < 9) {
        audio_->BASS_Free();
        return fail("DirectX version 9 is not Installed!!!", "DX8",
                    QString("the audio engine's output is of version %1, 9 or later is needed")
                            .arg(info[kInfoSoundSystemVersion]) +
                        reinstall);
    }
    // Only a correction the user set reaches the engine: without one a deck
    // that never syncs makes no sync call at all.
    if (settings.syncLatencyMs != 0) audio_->LUMA_SetSyncLatency(settings.syncLatencyMs);
    return true;
}

void FrmMain::drvFile_Change() {
    dirFile->setPath(drvFile->currentFolder(drvFile->drive()));
}

void FrmMain::dirFile_Change() {
    filFile->setPath(dirFile->path());
    drvFile->rememberFolder(dirFile->path());
}

bool FrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblWindowTitle) {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseMove) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const int button = static_cast<int>(mouse->buttons() & 7);
            const QPointF at = mouse->position();
            if (event->type() == QEvent::MouseButtonPress) {
                lblWindowTitle_MouseDown(button, static_cast<float>(at.x()),
                                         static_cast<float>(at.y()));
            } else {
                lblWindowTitle_MouseMove(button, static_cast<float>(at.x()),
                                         static_cast<float>(at.y()));
            }
        }
    }
    for (int i = 0; i < 3; ++i) {
        if (watched != lblEQR(i)) continue;
        if (event->type() == QEvent::MouseButtonPress) {
            lblEQR_MouseDown(i, static_cast<int>(static_cast<QMouseEvent*>(event)->button()));
        } else if (event->type() == QEvent::MouseButtonRelease) {
            lblEQR_MouseUp(i, static_cast<int>(static_cast<QMouseEvent*>(event)->button()));
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FrmMain::lblWindowTitle_MouseDown(int, float x, float y) {
    state.DragX = static_cast<int32_t>(std::nearbyint(x));
    state.DragY = static_cast<int32_t>(std::nearbyint(y));
}

void FrmMain::lblWindowTitle_MouseMove(int button, float x, float y) {
    if (button != 1) return;  // the left button alone
    const int dx = static_cast<int>(std::nearbyint(x)) - state.DragX;
    const int dy = static_cast<int>(std::nearbyint(y)) - state.DragY;
    move(pos() + QPoint(dx, dy));
}

}  // namespace luma
