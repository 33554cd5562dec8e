// Builds the deck window's controls with their design values. Places are
// twips from the client area's top-left corner (15 to a pixel), as the
// window's design gives them.
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QIcon>

#include "controls/bgr_colour.h"
#include "controls/design_fonts.h"
#include "controls/property_bag_text.h"
#include "controls/widget_colours.h"
#include "deck/frm_main.h"
#include "display/readout_label.h"

// The icon is compiled into the deck's static library, whose resources the
// linker keeps only when they are asked for by name.
static QIcon deckIcon() {
    Q_INIT_RESOURCE(deck_icon);
    return QIcon(":/icons/lumatrone.png");
}

namespace luma {

namespace {

int px(int twips) {
    return twips / kTwipsPerPixel;
}
QRect rectTwips(int left, int top, int width, int height) {
    return {px(left), px(top), px(width), px(height)};
}

// Digital-display faces stand in for the design's "QuartzBolD": digits in
// DSEG7, letters in DSEG14 (Debian's fonts-dseg); Tahoma comes from fonts-wine.
QFont displayFont(bool letters, double points, bool bold = false) {
    QFont font(letters ? "DSEG14 Classic" : "DSEG7 Classic");
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QFont tahoma(double points, bool bold = false) {
    QFont font(designFontFamily());
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

void colourize(QWidget* widget, int background, int foreground = -1) {
    if (background >= 0) setBackColour(widget, background);
    if (foreground >= 0) setForeColour(widget, foreground);
}

ShapeWidget* shape(QWidget* parent, const QString& name, QRect place, int fill, int border) {
    auto* s = new ShapeWidget(parent);
    s->setObjectName(name);
    s->setShapeKind(0);
    s->setFillColour(colourFromBgr(fill));
    s->setBorderColour(colourFromBgr(border));
    s->setGeometry(place);
    return s;
}

}  // namespace

QLabel* FrmMain::label(QWidget* parent, const QString& name, const QString& caption, int left,
                       int top, int width, int height) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(name);
    l->setGeometry(rectTwips(left, top, width, height));
    l->setFont(tahoma(8.25));
    colourize(l, -1, 0xFFFFFF);
    return l;
}

void FrmMain::buildWindow() {
    setObjectName("frmMain");
    setWindowTitle(" Lumatrone DJ System");
    setWindowIcon(deckIcon());  // the same icon as the desktop entry's
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setFixedSize(px(6615), px(11520));
    colourize(this, 0x767246);

    struct Panel {
        int index, left, top, width, height;
    };
    // Panel 10 holds the sync strip, in the room left below the browser.
    const Panel panels[] = {
        {5, 120, 2130, 2010, 1755},  {9, 120, 3915, 2010, 660},   {2, 2160, 2130, 1455, 2445},
        {7, 3645, 2130, 2205, 1080}, {6, 3645, 3240, 2205, 1335}, {0, 120, 4605, 4290, 1335},
        {3, 4440, 4605, 1410, 1335}, {1, 120, 5970, 5730, 2565},  {4, 120, 8565, 5730, 2295},
        {8, 5880, 360, 645, 10500},  {10, 120, 10890, 6405, 600}};
    for (const Panel& p : panels) {
        shpBack.add(p.index, shape(this, "shpBack", rectTwips(p.left, p.top, p.width, p.height),
                                   0x404000, 0x404000));
    }
    Shape1 = shape(this, "Shape1", rectTwips(0, 0, 6615, 300), 0xA08000, 0x404000);
    lblWindowTitle = label(this, "lblWindowTitle", "lumatroneDJsystem", 120, 30, 6420, 255);
    lblWindowTitle->setFont(tahoma(9, true));
    lblWindowTitle->setAlignment(Qt::AlignCenter);
    lblWindowTitle->installEventFilter(this);
}

void FrmMain::buildDisplayPanel() {
    pctSongInfo = new QWidget(this);
    pctSongInfo->setObjectName("pctSongInfo");
    pctSongInfo->setGeometry(rectTwips(120, 360, 5730, 1335));
    colourize(pctSongInfo, 0x000000);
    auto caption = [&](const QString& name, const QString& text, int x, int y, int w) {
        auto* l = new ReadoutLabel(text, pctSongInfo, ReadoutLabel::Transparent);
        l->setObjectName(name);
        l->setGeometry(x, y, w, 12);
        l->setFont(tahoma(6.75));
        colourize(l, -1, 0xC0C0C0);
        return l;
    };
    auto display = [&](const QString& name, const QString& text, QRect place, bool letters,
                       Qt::Alignment align) {
        auto* l = new ReadoutLabel(text, pctSongInfo, ReadoutLabel::PaintsPanel);
        l->setObjectName(name);
        l->setGeometry(place);
        // The design's 15.75 pt display face is narrower than DSEG: 11 pt fills the same room.
        l->setFont(displayFont(letters, 11));
        l->setAlignment(align | Qt::AlignVCenter);
        colourize(l, -1, 0xFFFFFF);
        return l;
    };
    Label2 = caption("Label2", "Position (s)", 4, 1, 120);
    Label9 = caption("Label9", "BPM", 330, 1, 48);
    Label9->setAlignment(Qt::AlignRight);
    lblPosition =
        display("lblPosition", "- - : - - , - - -", {4, 12, 190, 22}, false, Qt::AlignLeft);
    lblBPMs = display("lblBPMs", "Not Detected", {194, 12, 184, 22}, true, Qt::AlignRight);
    Label5 = caption("Label5", "FILE LOADED", 4, 35, 120);
    // The marquee moves 20 times a second: its letters are laid out once too.
    lblFileName = new ReadoutLabel("None", pctSongInfo, ReadoutLabel::Transparent);
    lblFileName->setObjectName("lblFileName");
    lblFileName->setFont(displayFont(true, 13, true));
    colourize(lblFileName, -1, 0xFFFFFF);
    lblFileName->adjustSize();  // sizes itself to its caption
    lblFileName->move(8, 44);
    Label4 = caption("Label4", "Length (s)", 4, 62, 120);
    Label1 = caption("Label1", "Pitch (%)", 300, 62, 78);
    Label1->setAlignment(Qt::AlignRight);
    lblLength = display("lblLength", "- - : - - , - -", {4, 70, 190, 18}, false, Qt::AlignLeft);
    lblBPM = display("lblBPM", "0 %", {230, 70, 148, 18}, false, Qt::AlignRight);
    lblQuality = display("lblQuality", "- - - - - Hz", {150, 70, 120, 18}, false, Qt::AlignHCenter);
    lblQuality->hide();
    lblOrigBPM = display("lblOrigBPM", "Label10", {150, 12, 80, 18}, false, Qt::AlignLeft);
    lblOrigBPM->hide();
    // The captions' lowest rows reach into the readouts' boxes, which paint
    // their own background: the captions stay on top.
    for (QLabel* above : {Label2, Label9, Label4, Label1}) above->raise();
    tmrScroll = new DeckTimer(150, false, this);
}

void FrmMain::buildLabels() {
    // Song tag fields and their captions.
    auto field = [&](int index, int left, int top, int width) {
        QLabel* l = label(this, "lblinfo", "", left, top, width, 210);
        l->setFrameStyle(QFrame::Box | QFrame::Plain);
        colourize(l, 0x808080, 0xFFFFFF);
        lblinfo.add(index, l);
    };
    lblEQR.add(6, label(this, "lblEQR", "Title", 180, 4650, 700, 210));
    Label7 = label(this, "Label7", "Artist", 180, 4875, 700, 210);
    lblEQR.add(7, label(this, "lblEQR", "Album", 180, 5100, 700, 210));
    Label11 = label(this, "Label11", "Year", 180, 5325, 700, 210);
    Label13 = label(this, "Label13", "Genre", 1650, 5325, 600, 210);
    lblEQR.add(21, label(this, "lblEQR", "Comm.", 180, 5550, 700, 210));
    field(0, 930, 4650, 3375);
    field(1, 930, 4875, 3375);
    field(2, 930, 5100, 3375);
    field(3, 930, 5325, 645);
    field(5, 2250, 5325, 2055);
    field(4, 930, 5550, 3375);

    // Loop panel.
    lblEQR.add(24, label(this, "lblEQR", "LOOP", 4485, 4620, 1305, 210));
    lblEQR(24)->setAlignment(Qt::AlignCenter);
    lblEQR.add(17, label(this, "lblEQR", "Start", 4485, 4845, 420, 210));
    lblEQR.add(19, label(this, "lblEQR", "End", 4485, 5085, 420, 210));
    lblEQR.add(25, label(this, "lblEQR", "Fine", 4485, 5370, 420, 225));
    for (int index : {6, 7}) {
        QLabel* l = label(this, "lblinfo", "00:00,000", 4905, index == 6 ? 4845 : 5085, 885, 210);
        l->setFrameStyle(QFrame::Box | QFrame::Plain);
        l->setAlignment(Qt::AlignCenter);
        colourize(l, 0x000000, 0xFFFFFF);
        lblinfo.add(index, l);
    }

    // Equaliser and mixer captions and readouts.
    lblEQR.add(26, label(this, "lblEQR", "EQUALIZATION", 2175, 2145, 1425, 195));
    lblEQR(26)->setAlignment(Qt::AlignCenter);
    const char* bands[] = {"Bass", "Mid", "High"};
    for (int band = 0; band < 3; ++band) {
        const int left = 2190 + band * 480;
        lblEQR.add(band, label(this, "lblEQR", bands[band], left, 2340, 405, 195));
        lblEQR(band)->setAlignment(Qt::AlignCenter);
        lblEQR(band)->installEventFilter(this);
        QLabel* readout = label(this, "lblinfo", "0", left, 4380, 405, 180);
        readout->setAlignment(Qt::AlignCenter);
        lblinfo.add(11 + band, readout);
    }
    const int mixerCaptions[] = {5, 4, 23};
    const char* mixerNames[] = {"Gain", "Bal", "Pwr"};
    const char* mixerValues[] = {"50", "0", "2500"};
    for (int i = 0; i < 3; ++i) {
        const int top = 2160 + i * 360;
        lblEQR.add(mixerCaptions[i], label(this, "lblEQR", mixerNames[i], 3690, top, 345, 255));
        // Wide enough for the widest value of each ("5000", "-100").
        QLabel* readout = label(this, "lblinfo", mixerValues[i], 5430, top, 420, 255);
        lblinfo.add(8 + i, readout);
    }

    // Meters and status.
    // Wide enough for the other view's caption, "Spectrum Analyzer".
    lblVU = label(this, "lblVU", "Oscilloscope", 240, 2145, 1425, 180);
    Label15 = label(this, "Label15", "VU", 1680, 2145, 375, 180);
    Label14 = label(this, "Label14", "Activity", 1140, 3990, 660, 210);
    // The load readout needs room for "12.3 %": it and its caption take the
    // panel's small caption size.
    Label6 = label(this, "Label6", "Deck CPU", 1080, 4230, 570, 210);
    lblCPU = label(this, "lblCPU", "0%", 1680, 4230, 450, 210);
    for (QLabel* small : {Label6, lblCPU}) small->setFont(tahoma(6.75));
    lblPitch.add(5, label(this, "lblPitch", "Pitch", 5910, 390, 585, 195));
    lblPitch(5)->setAlignment(Qt::AlignCenter);
    // Two lines against the beat loops' buttons, leaving room for key lock's.
    lblBeatLoop = label(this, "lblBeatLoop", "BEAT\nLOOP", 2715, 10965, 345, 405);
    lblBeatLoop->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblBeatLoop->setFont(tahoma(6.75));
    // The pre-gain even loudness gives the track, so a DJ knows why it sounds as it does.
    lblLoudness = label(this, "lblLoudness", "", 5490, 10935, 960, 465);
    lblLoudness->setAlignment(Qt::AlignCenter);
    lblLoudness->setFont(tahoma(6.75));
}

void FrmMain::buildButtons() {
    // The design values of every button come from the description shipped
    // beside the program, restored through each button's property bag.
    QFile design(programFolder_ + "/deck.design");
    const QString text =
        design.open(QIODevice::ReadOnly) ? QString::fromUtf8(design.readAll()) : QString();
    QHash<QString, QString> sections;
    QString current;
    for (const QString& line : text.split('\n')) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith('[') && trimmed.endsWith(']')) {
            current = trimmed.mid(1, trimmed.size() - 2);
        } else if (!current.isEmpty()) {
            sections[current] += line + '\n';
        }
    }
    auto button = [&](const char* name) {
        auto* b = new LumButton(this);
        b->setObjectName(name);
        PropertyBag bag;
        readPropertyBagText(sections.value(name), bag);
        b->restore(bag);
        b->setGeometry(rectTwips(
            bag.readProperty("Left", 0).toInt(), bag.readProperty("Top", 0).toInt(),
            bag.readProperty("Width", 600).toInt(), bag.readProperty("Height", 600).toInt()));
        return b;
    };
    cmdCUE = button("cmdCUE");
    cmdPlay = button("cmdPlay");
    cmdPause = button("cmdPause");  // in front of cmdPlay, at the same place
    cmdStop = button("cmdStop");
    cmdBack = button("cmdBack");
    cmdForward = button("cmdForward");
    cmdCueSet = button("cmdCueSet");
    cmdCuePause = button("cmdCuePause");
    cmdStartLoop = button("cmdStartLoop");
    cmdEndLoop = button("cmdEndLoop");
    cmdLooped = button("cmdLooped");
    cmdFineDw = button("cmdFineDw");
    cmdFineUp = button("cmdFineUp");
    cmdPitchDw = button("cmdPitchDw");
    cmdPitchUp = button("cmdPitchUp");
    cmdSync = button("cmdSync");
    cmdQuantize = button("cmdQuantize");
    cmdKeyLock = button("cmdKeyLock");
    for (int beats : kBeatLoopSizes) {
        cmdBeatLoop.add(beats, button(qPrintable(QString("cmdBeatLoop%1").arg(beats))));
    }
}

void FrmMain::buildSliders() {
    for (int band = 0; band < 3; ++band) {
        auto* bar = new ScrollBar(Qt::Vertical, this);
        bar->setObjectName("vscEQ");
        bar->setGeometry(rectTwips(2280 + band * 480, 2550, 255, 1815));
        bar->setRange(150, -150);
        bar->setLargeChange(50);
        bar->setValue(0);
        vscEQ.add(band, bar);
    }
    struct Mixer {
        int min, max, large, value;
    };
    const Mixer mixers[] = {{0, 100, 25, 50}, {100, -100, 50, 0}, {0, 5000, 1, 2500}};
    for (int i = 0; i < 3; ++i) {
        auto* bar = new ScrollBar(Qt::Horizontal, this);
        bar->setObjectName("hscEQ");
        bar->setGeometry(rectTwips(4050, 2160 + i * 360, 1365, 255));
        bar->setRange(mixers[i].min, mixers[i].max);
        bar->setLargeChange(mixers[i].large);
        bar->setValue(mixers[i].value);
        hscEQ.add(i, bar);
    }
    vscPitch = new Slider(Qt::Vertical, this);
    vscPitch->setObjectName("vscPitch");
    vscPitch->setGeometry(rectTwips(5955, 1080, 480, 9615));
    vscPitch->setRange(-1600, 1600);
    vscPitch->setSmallChange(1);
    vscPitch->setLargeChange(5);
    trkPosition = new PositionSlider(this);
    trkPosition->setObjectName("trkPosition");
    trkPosition->setGeometry(rectTwips(120, 1440, 5730, 600));
    trkPosition->setRange(0, 999999999);
    trkPosition->setMax(999999999);
    trkPosition->setSmallChange(1);
    trkPosition->setLargeChange(10000);
    trkPosition->setToolTip("Adjust Position");
}

void FrmMain::buildBrowser() {
    filFile = new FileList(this);
    filFile->setObjectName("filFile");
    filFile->setGeometry(rectTwips(195, 6075, 5580, 2370));
    filFile->setPattern("*.wav;*.mp3;*.mp2;*.mp1;*.ogg");
    filFile->setToolTip("Double click to load an audio file");
    dirFile = new FolderList(this);
    dirFile->setObjectName("dirFile");
    dirFile->setGeometry(rectTwips(195, 8655, 5580, 1665));
    drvFile = new DriveList(this);
    drvFile->setObjectName("drvFile");
    drvFile->setGeometry(rectTwips(195, 10440, 5580, 315));
    for (QWidget* list : std::initializer_list<QWidget*>{filFile, dirFile, drvFile}) {
        list->setFont(tahoma(8.25));
        colourize(list, 0xFFFFFF, 0x000000);
    }
    connect(drvFile, &DriveList::change, this, &FrmMain::drvFile_Change);
    connect(dirFile, &FolderList::change, this, &FrmMain::dirFile_Change);
    // Before the settings name a folder, the browser shows the user's home.
    drvFile->rememberFolder(QDir::homePath());
    drvFile->setDrive(QDir::homePath());

    cmbDevices = new QComboBox(this);
    cmbDevices->setObjectName("cmbDevices");
    cmbDevices->setGeometry(rectTwips(120, 9960, 5295, 315));
    cmbDevices->setEditable(true);
    cmbDevices->setEditText("Select a sound device...");
    cmbDevices->hide();
    txtJoyID = new QLineEdit("0", this);
    txtJoyID->setObjectName("txtJoyID");
    txtJoyID->setGeometry(rectTwips(5520, 8640, 255, 285));
    txtJoyID->hide();
    chkMono = new QCheckBox("Mono", this);
    chkMono->setObjectName("chkMono");
    chkMono->setGeometry(rectTwips(240, 3960, 735, 255));
    chkMono->setToolTip("Use device as mono (merge left and right channels in one)");
    chkRepeat = new QCheckBox("Repeat", this);
    chkRepeat->setObjectName("chkRepeat");
    chkRepeat->setGeometry(rectTwips(240, 4200, 855, 255));
    chkRepeat->setToolTip("Loops the songs");
    optActivity = new QRadioButton(this);
    optActivity->setObjectName("optActivity");
    optActivity->setGeometry(rectTwips(1800, 3960, 255, 255));
    optActivity->setAutoExclusive(false);  // a lamp: the deck puts it out by code
    for (QWidget* option : std::initializer_list<QWidget*>{chkMono, chkRepeat, optActivity}) {
        option->setFont(tahoma(8.25));
        colourize(option, -1, 0xFFFFFF);
    }
}

void FrmMain::buildMeters() {
    pctSpectrum = new AnalyserBox(this);
    pctSpectrum->setObjectName("pctSpectrum");
    pctSpectrum->setGeometry(rectTwips(240, 2325, 1320, 1515));
    colourize(pctSpectrum, 0x000000);
    pctVU = new VuBox(this);
    pctVU->setObjectName("pctVU");
    pctVU->setGeometry(rectTwips(1680, 2325, 375, 1500));
    colourize(pctVU, 0x000000);
    // Bars and peak marks, in the box's own pixels.
    shpVU.add(0, shape(pctVU, "shpVU", {0, 97, 11, 100}, 0x00C000, 0x00C000));
    shpVU.add(1, shape(pctVU, "shpVU", {12, 97, 11, 100}, 0x00C000, 0x00C000));
    shpVU.add(2, shape(pctVU, "shpVU", {0, 0, 11, 4}, 0x0000FF, 0x000080));
    shpVU.add(3, shape(pctVU, "shpVU", {12, 0, 11, 4}, 0x0000FF, 0x000080));
    for (int i = 0; i < 4; ++i) pctVU->adopt(*shpVU(i));
    vuMeter = std::make_unique<VuMeter>(std::array{shpVU(0), shpVU(1), shpVU(2), shpVU(3)});
}

void FrmMain::buildTimers() {
    Timer1 = new DeckTimer(10, true, this);
    tmrVU = new DeckTimer(15, true, this);
    tmrVUReset = new DeckTimer(250, false, this);
    // Nothing enables it: every way out calls salir at once (the quit key, a
    // signal, controller 40, a failed MIDI input) or, failing at start-up,
    // ends the process itself.
    tmrExit = new DeckTimer(1000, false, this);
    tmrLED = new DeckTimer(250, false, this);
    tmrCPU = new DeckTimer(200, false, this);
    // The fast watch timers: the period is the design's pair's value named
    // by the procedure that owns each (level 10..30 ms, loop watch 1..2 ms,
    // spectrum 10..35 ms, file name 50..250 ms, joystick 1 ms, CUE 75 ms).
    // The level timer reads the engine's 20 ms peak once a window: every
    // sample heard counts once, and the meter rises at 50 steps a second.
    FXTimer1 = new DeckTimer(20, true, this);
    FXTimer2 = new DeckTimer(2, true, this);
    tmrSpectrum = new DeckTimer(ModSpectrum::kBarsPeriodMs, false, this);
    tmrFilename = new DeckTimer(50, true, this);
    tmrDJControl = new DeckTimer(1, true, this);
    tmrCue = new DeckTimer(75, false, this);
    framePacer = new FramePacer(*this);
    connect(tmrExit, &DeckTimer::timer, this, &FrmMain::salir);
}

}  // namespace luma
