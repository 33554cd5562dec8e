// What the deck asks of the desktop beyond its window: message boxes and
// ending the process. Tests put a recording double in its place.
#pragma once

#include <QString>

namespace luma {

// Message box styles the deck uses: OK only, plus the critical-stop icon.
constexpr int kMessageOk = 0;
constexpr int kMessageCritical = 16;

class DeckPlatform {
  public:
    virtual ~DeckPlatform() = default;
    // Shows a modal box; an empty caption is the application's own.
    virtual void message(const QString& text, const QString& caption, int style) = 0;
    // Ends the process at once: no further handler runs.
    virtual void endProcess() = 0;
};

class DesktopPlatform : public DeckPlatform {
  public:
    void message(const QString& text, const QString& caption, int style) override;
    [[noreturn]] void endProcess() override;
};

}  // namespace luma
