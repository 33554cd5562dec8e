// What the deck asks of the desktop beyond its window: message boxes, a line
// on the error output and ending the process. Tests put a recording double
// in its place.
#pragma once

#include <QRect>
#include <QString>

namespace luma {

// Message box styles the deck uses: OK only, plus the critical-stop icon.
constexpr int kMessageOk = 0;
constexpr int kMessageCritical = 16;

class DeckPlatform {
  public:
    virtual ~DeckPlatform() = default;
    // Shows a modal box centred over `place`, the deck window's place on the
    // screen (shown yet or not), so two decks' boxes never cover each other.
    // An empty caption is the application's own.
    virtual void message(const QString& text, const QString& caption, int style,
                         const QRect& place) = 0;
    // One line for whoever started the deck from a terminal.
    virtual void printError(const QString& line) = 0;
    // Ends the process at once with `exitCode`: no further handler runs.
    virtual void endProcess(int exitCode) = 0;
};

class DesktopPlatform : public DeckPlatform {
  public:
    void message(const QString& text, const QString& caption, int style,
                 const QRect& place) override;
    void printError(const QString& line) override;
    [[noreturn]] void endProcess(int exitCode) override;
};

}  // namespace luma
