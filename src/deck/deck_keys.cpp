#include "deck/deck_keys.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTextEdit>

namespace luma {

namespace {

bool editsText(const QObject* widget) {
    return qobject_cast<const QLineEdit*>(widget) ||
           qobject_cast<const QAbstractSpinBox*>(widget) ||
           qobject_cast<const QTextEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget);
}

// Widgets where a typed character does something: a list's keyboard search,
// a text box's text, a combo box's item search.
bool takesTyping(const QWidget* widget) {
    return widget && (qobject_cast<const QAbstractItemView*>(widget) ||
                      qobject_cast<const QComboBox*>(widget) || editsText(widget));
}

bool wouldType(const QObject* widget, const QKeyEvent& key) {
    const auto commandModifiers = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if (key.modifiers() & commandModifiers) return false;
    if (key.key() == Qt::Key_Space) return editsText(widget);
    return !key.text().isEmpty() && key.text().at(0).isPrint();
}

bool isJog(DeckCommand command) {
    return command == DeckCommand::JogBack || command == DeckCommand::JogForward;
}

}  // namespace

DeckKeys::DeckKeys(QWidget& window, Run run, std::vector<KeyBinding> keys)
    : QObject(&window), window_(window), run_(std::move(run)), keys_(std::move(keys)) {
    for (const KeyBinding& binding : keys_) {
        auto* shortcut = new QShortcut(QKeySequence(binding.key), &window);
        shortcut->setContext(Qt::WindowShortcut);
        // A held jog key jogs once, until its release; the keyboard's repeat
        // would start it again and again.
        if (isJog(binding.command)) shortcut->setAutoRepeat(false);
        connect(shortcut, &QShortcut::activated, this, [this, binding] {
            if (isJog(binding.command)) jogKey_ = binding.key.key();
            run_(binding.command);
        });
    }
    // Qt asks the focused widget first (ShortcutOverride) whether it wants a
    // key a shortcut holds: the typing widgets answer here. A key's release
    // goes to the focused widget and no shortcut sees it. The application's
    // filter sees both, for widgets made later too.
    qApp->installEventFilter(this);
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
        const auto* widget = qobject_cast<const QWidget*>(watched);
        const auto& key = *static_cast<QKeyEvent*>(event);
        if (takesTyping(widget) && window_.isAncestorOf(widget) && bound(key) &&
            wouldType(widget, key)) {
            event->accept();  // the widget gets the key as typing
            return true;
        }
    } else if (event->type() == QEvent::KeyRelease && jogKey_ != Qt::Key_unknown) {
        const auto& key = *static_cast<QKeyEvent*>(event);
        if (!key.isAutoRepeat() && key.key() == jogKey_) {
            jogKey_ = Qt::Key_unknown;
            run_(DeckCommand::JogEnd);
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace luma
