#include "remote/joystick_reader.h"

#include <SDL.h>

#include <algorithm>

namespace luma {

namespace {

constexpr int kMaskButtons = 16;

}  // namespace

JoystickReader::~JoystickReader() {
    if (started_ != Started::Yes) return;
    for (const auto& [id, stick] : open_) SDL_JoystickClose(stick);
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

bool JoystickReader::start() {
    if (started_ == Started::No) {
        // Pads are read whichever window is in front, ours or not.
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        // Ctrl+C and the like stay the application's.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        started_ = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0 ? Started::Yes : Started::Failed;
        // Read by polling: no events are queued that nobody would take out.
        if (started_ == Started::Yes) SDL_JoystickEventState(SDL_IGNORE);
    }
    return started_ == Started::Yes;
}

bool JoystickReader::available() {
    return start();
}

int JoystickReader::count() {
    if (!start()) return 0;
    SDL_JoystickUpdate();  // also notices pads plugged in or pulled out
    return std::max(SDL_NumJoysticks(), 0);
}

QString JoystickReader::name(int index) {
    if (index < 0 || index >= count()) return {};
    const char* name = SDL_JoystickNameForIndex(index);
    return name ? QString::fromUtf8(name) : QString();
}

SDL_Joystick* JoystickReader::joystick(int index) {
    const int attached = count();
    // Pads that went away are let go of; their index may now be another's.
    for (auto it = open_.begin(); it != open_.end();) {
        if (SDL_JoystickGetAttached(it->second)) {
            ++it;
        } else {
            SDL_JoystickClose(it->second);
            it = open_.erase(it);
        }
    }
    if (index < 0 || index >= attached) return nullptr;
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(index);
    if (id < 0) return nullptr;
    if (const auto found = open_.find(id); found != open_.end()) return found->second;
    SDL_Joystick* stick = SDL_JoystickOpen(index);
    if (stick) open_[id] = stick;
    return stick;
}

uint16_t JoystickReader::buttons(int index) {
    SDL_Joystick* stick = joystick(index);
    if (!stick) return 0;
    const int count = std::min(SDL_JoystickNumButtons(stick), kMaskButtons);
    uint16_t mask = 0;
    for (int button = 0; button < count; ++button) {
        if (SDL_JoystickGetButton(stick, button)) mask |= static_cast<uint16_t>(1u << button);
    }
    return mask;
}

}  // namespace luma
