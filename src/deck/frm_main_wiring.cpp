// Which control event runs which deck command.
#include "deck/frm_main.h"

namespace luma {

void FrmMain::connectTransport() {
    const auto onPress = [this](LumButton* button, auto command) {
        connect(button, &LumButton::mouseDown, this, [this, command] { (this->*command)(); });
    };
    onPress(cmdPlay, &FrmMain::Lum_Pause);
    onPress(cmdPause, &FrmMain::Lum_Pause);
    onPress(cmdStop, &FrmMain::Lum_Stop);
    connect(cmdCueSet, &LumButton::click, this, &FrmMain::Lum_CueSet);
    onPress(cmdCuePause, &FrmMain::Lum_CuePlay);
    onPress(cmdCUE, &FrmMain::Lum_CUE);
    connect(trkPosition, &Slider::scroll, this, &FrmMain::trkPosition_Scroll);
    connect(tmrCue, &DeckTimer::timer, this, &FrmMain::tmrCue_Timer);

    connect(cmdStartLoop, &LumButton::mouseDown, this,
            [this] { lblinfo(6)->setText(Lum_LoopStart()); });
    connect(cmdEndLoop, &LumButton::mouseDown, this,
            [this] { lblinfo(7)->setText(Lum_LoopEnd()); });
    onPress(cmdLooped, &FrmMain::cmdLooped_MouseDown);
    connect(cmdFineDw, &LumButton::click, this,
            [this] { lblinfo(7)->setText(Lum_FineDw(kFineStep)); });
    connect(cmdFineUp, &LumButton::click, this,
            [this] { lblinfo(7)->setText(Lum_FineUp(kFineStep)); });
    connect(FXTimer2, &DeckTimer::timer, this, &FrmMain::FXTimer2_Timer);
    connect(Timer1, &DeckTimer::timer, this, &FrmMain::Timer1_Timer);

    connect(vscPitch, &Slider::scroll, this, &FrmMain::vscPitch_Scroll);
    onPress(cmdPitchDw, &FrmMain::cmdPitchDw_MouseDown);
    onPress(cmdPitchUp, &FrmMain::cmdPitchUp_MouseDown);
    onPress(cmdBack, &FrmMain::Lum_TouchB2);
    onPress(cmdForward, &FrmMain::Lum_TouchF2);
    connect(cmdBack, &LumButton::mouseUp, this, &FrmMain::Lum_TouchUp);
    connect(cmdForward, &LumButton::mouseUp, this, &FrmMain::Lum_TouchUp);
}

}  // namespace luma
