#include "BoxEnter.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

namespace BoxEnter {

void watch(QComboBox *box, QObject *filter)
{
    box->installEventFilter(filter);
    if (QLineEdit *edit = box->lineEdit())
        edit->installEventFilter(filter);
}

bool isAnyEnter(const QComboBox *box, const QObject *watched, const QEvent *event)
{
    // Only a key is looked at: the box may be on its way out for other
    // events, and must not be asked for its line edit then.
    if (event->type() != QEvent::KeyPress)
        return false;
    if (watched != box && watched != box->lineEdit())
        return false;
    const int key = static_cast<const QKeyEvent *>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

bool isEnter(const QComboBox *box, const QObject *watched, const QEvent *event)
{
    if (!isAnyEnter(box, watched, event))
        return false;
    const Qt::KeyboardModifiers other = static_cast<const QKeyEvent *>(event)->modifiers()
        & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    return other == Qt::NoModifier;
}

} // namespace BoxEnter
