// The deck's keyboard: one table of keys, each running a deck command while
// the deck's window has the focus. A key that would type (a letter, a digit,
// without Ctrl or Alt) is left to the file list, the folder list, the drive
// list or a text box that has the focus, so typing there finds files as
// before; keys with Ctrl work wherever the focus is.
#pragma once

#include <QKeyCombination>
#include <QObject>
#include <functional>
#include <span>

#include "remote/deck_command.h"

class QKeyEvent;
class QWidget;

namespace luma {

struct KeyBinding {
    QKeyCombination key;
    DeckCommand command;
};

// The default keys, as the README lists them.
inline constexpr KeyBinding kDeckKeys[] = {
    {Qt::CTRL | Qt::Key_S, DeckCommand::Sync},       {Qt::CTRL | Qt::Key_G, DeckCommand::Quantize},
    {Qt::CTRL | Qt::Key_1, DeckCommand::BeatLoop1},  {Qt::CTRL | Qt::Key_2, DeckCommand::BeatLoop2},
    {Qt::CTRL | Qt::Key_3, DeckCommand::BeatLoop4},  {Qt::CTRL | Qt::Key_4, DeckCommand::BeatLoop8},
    {Qt::CTRL | Qt::Key_5, DeckCommand::BeatLoop16}, {Qt::CTRL | Qt::Key_K, DeckCommand::KeyLock},
};

class DeckKeys : public QObject {
  public:
    using Run = std::function<void(DeckCommand)>;
    // Binds the keys in `window`, whose controls exist by now.
    DeckKeys(QWidget& window, Run run, std::span<const KeyBinding> keys = kDeckKeys);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool bound(const QKeyEvent& key) const;

    std::span<const KeyBinding> keys_;
};

}  // namespace luma
