#include "app/keyboard.h"

#include <QAbstractButton>
#include <QEvent>
#include <QKeyEvent>

namespace {
class KeyboardHelp : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *widget = static_cast<QWidget *>(watched);
        if (event->type() == QEvent::FocusIn) {
            // Qt shows the mark only after focus moved by the keyboard.
            widget->window()->setAttribute(Qt::WA_KeyboardFocusChange);
            widget->update();
        } else if (event->type() == QEvent::KeyPress) {
            auto *key = static_cast<QKeyEvent *>(event);
            auto *button = qobject_cast<QAbstractButton *>(widget);
            // Enter on the keypad carries the keypad modifier, and nothing else may.
            if (button && !key->isAutoRepeat() && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier
                && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
                button->click();
                return true;
            }
        }
        return false;
    }
};
} // namespace

void helpTheKeyboard(QWidget *window)
{
    auto *help = new KeyboardHelp(window);
    window->setAttribute(Qt::WA_KeyboardFocusChange);
    for (QWidget *w : window->findChildren<QWidget *>())
        if (w->focusPolicy() != Qt::NoFocus)
            w->installEventFilter(help);
}
