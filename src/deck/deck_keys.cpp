#include "deck/deck_keys.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTextEdit>

namespace luma {

namespace {

// Widgets where a typed character does something: a list's keyboard search,
// a text box's text, a combo box's item search.
bool takesTyping(const QWidget* widget) {
    return qobject_cast<const QAbstractItemView*>(widget) ||
           qobject_cast<const QComboBox*>(widget) || qobject_cast<const QLineEdit*>(widget) ||
           qobject_cast<const QAbstractSpinBox*>(widget) ||
           qobject_cast<const QTextEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget);
}

bool wouldType(const QKeyEvent& key) {
    const auto commandModifiers = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    return !(key.modifiers() & commandModifiers) && !key.text().isEmpty() &&
           key.text().at(0).isPrint();
}

}  // namespace

DeckKeys::DeckKeys(QWidget& window, Run run, std::span<const KeyBinding> keys)
    : QObject(&window), keys_(keys) {
    for (const KeyBinding& binding : keys_) {
        auto* shortcut = new QShortcut(QKeySequence(binding.key), &window);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this,
                [run, command = binding.command] { run(command); });
    }
    // Qt asks the focused widget first (ShortcutOverride) whether it wants a
    // key a shortcut holds: the typing widgets answer here.
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (takesTyping(child)) child->installEventFilter(this);
    }
}

bool DeckKeys::bound(const QKeyEvent& key) const {
    const QKeyCombination pressed = key.keyCombination();
    for (const KeyBinding& binding : keys_) {
        if (binding.key == pressed) return true;
    }
    return false;
}

bool DeckKeys::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const auto& key = *static_cast<QKeyEvent*>(event);
        if (bound(key) && wouldType(key)) {
            event->accept();  // the widget gets the key as typing
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace luma
