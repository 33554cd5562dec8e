// The deck's keyboard: one table of keys, each running a deck command while
// the deck's window has the focus. A key that would type (a letter, a digit,
// a space, without Ctrl or Alt) is left to the file list, the folder list,
// the drive list or a text box that has the focus, so typing there finds
// files as before; only the space bar goes to the deck from a list, where it
// types nothing. Keys with Ctrl work wherever the focus is. A jog key jogs
// while held: its release ends the jog.
#pragma once

#include <QKeyCombination>
#include <QObject>
#include <functional>
#include <vector>

#include "remote/deck_command.h"

class QKeyEvent;
class QWidget;

namespace luma {

// Far from the keys a set is played with, and what desktop programs quit
// on: the deck's quit key, outside the mapping, so no mapping loses it.
inline constexpr QKeyCombination kQuitKey = Qt::CTRL | Qt::Key_Q;

struct KeyBinding {
    QKeyCombination key;
    DeckCommand command;
};

class DeckKeys : public QObject {
  public:
    using Run = std::function<void(DeckCommand)>;
    // Binds the keys in `window`, whose controls exist by now.
    DeckKeys(QWidget& window, Run run, std::vector<KeyBinding> keys);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool bound(const QKeyEvent& key) const;

    QWidget& window_;
    Run run_;
    std::vector<KeyBinding> keys_;
    Qt::Key jogKey_ = Qt::Key_unknown;  // the held jog key, if any
};

}  // namespace luma
