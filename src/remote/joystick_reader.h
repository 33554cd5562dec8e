// The game pads and joysticks the deck reads, through SDL's joystick API.
//
// A joystick is named by SDL's device index at the moment it is read, so a
// pad plugged in while the deck runs can be read at once and one pulled out
// reads as no buttons. SDL starts on the first read (only its joystick
// part: no video, no signal handlers of its own) and listens also while
// another window has the keyboard focus, so a pad keeps working whichever
// deck's window is in front. Everything runs on the caller's thread.
#pragma once

#include <SDL_joystick.h>  // not SDL.h, which would rename main()

#include <QString>
#include <cstdint>
#include <map>

namespace luma {

class JoystickReader {
  public:
    JoystickReader() = default;
    ~JoystickReader();
    JoystickReader(const JoystickReader&) = delete;
    JoystickReader& operator=(const JoystickReader&) = delete;

    // Buttons held on joystick `index`: bit 0 is button 1, bit 1 button 2 and
    // so on, the first 16 buttons. 0 for a joystick that is not there.
    uint16_t buttons(int index);

    int count();              // joysticks attached now
    QString name(int index);  // empty for an index not attached
    bool available();         // false when SDL's joystick part cannot start

  private:
    bool start();
    SDL_Joystick* joystick(int index);

    enum class Started { No, Yes, Failed } started_ = Started::No;
    std::map<int32_t, SDL_Joystick*> open_;  // by SDL's instance id
};

}  // namespace luma
