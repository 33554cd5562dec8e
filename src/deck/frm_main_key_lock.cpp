// Key lock: the deck's switch, kept across tracks; the engine does the
// shifting (LUMA_ChannelSetKeyLock) and the lamp shows what it holds.
#include "deck/frm_main.h"
#include "deck/lamp_colours.h"

namespace luma {

void FrmMain::Lum_KeyLock() {
    state.KeyLockOn = !state.KeyLockOn;
    applyKeyLock();
}

void FrmMain::applyKeyLock() {
    if (audio_ && state.Channel != 0) {
        audio_->LUMA_ChannelSetKeyLock(state.Channel, state.KeyLockOn ? 1 : 0);
    }
    setSwitchLamp(cmdKeyLock, state.KeyLockOn);
    cmdKeyLock->setToolTip(state.KeyLockOn ? "Key lock on: the key stays as the speed changes"
                                           : "Key lock off: the key follows the speed");
}

}  // namespace luma
