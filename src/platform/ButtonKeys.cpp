#include "platform/ButtonKeys.h"

#include <QKeyEvent>
#include <QPushButton>

namespace {

class EnterOnButton final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        auto* button = qobject_cast<QPushButton*>(watched);
        if (!enter || modifiers != Qt::NoModifier || !button || !button->isEnabled())
            return false;
        button->click();
        return true;
    }
};

}  // namespace

void enterPressesFocusedButton(QWidget& window)
{
    auto* filter = new EnterOnButton(&window);
    for (QPushButton* button : window.findChildren<QPushButton*>())
        button->installEventFilter(filter);
}
