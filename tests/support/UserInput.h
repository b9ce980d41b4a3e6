#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QTest>
#include <QToolBar>
#include <QWidget>
#include <QWindow>

// A person's input, delivered the way the window system delivers it: to a
// window, which hands a click to the widget under the pointer and a key to
// its focus widget, after the shortcut map has had its say. Focus proxies,
// event filters and shortcut contexts are all part of what a test that goes
// through here exercises; a test that keys an inner widget directly skips
// them.
namespace UserInput {

// The window a key goes to: the one with the keyboard focus.
inline QWindow *focusWindow()
{
    if (QWindow *window = QGuiApplication::focusWindow())
        return window;
    if (QWidget *active = QApplication::activeWindow())
        return active->windowHandle();
    return nullptr;
}

// A click at `at` in the widget (its centre by default), as the pointer
// gives it: the widget under that point receives it and takes the focus
// if its focus policy says a click gives it.
inline void click(QWidget *widget, QPoint at = {}, Qt::MouseButton button = Qt::LeftButton)
{
    QWidget *top = widget->window();
    const QPoint inWidget = at.isNull() ? widget->rect().center() : at;
    QTest::mouseClick(top->windowHandle(), button, {}, widget->mapTo(top, inWidget));
}

inline void doubleClick(QWidget *widget)
{
    QWidget *top = widget->window();
    QTest::mouseDClick(top->windowHandle(), Qt::LeftButton, {},
                       widget->mapTo(top, widget->rect().center()));
}

// The button a person clicks for a toolbar action.
inline void clickButton(QToolBar *toolBar, QAction *action)
{
    click(toolBar->widgetForAction(action));
}

inline void clickButton(QAbstractButton *button)
{
    click(button);
}

// A key (with its modifiers) pressed and released in the window that has
// the keyboard focus.
inline void press(QKeyCombination key)
{
    QTest::keyClick(focusWindow(), key.key(), key.keyboardModifiers());
}

// The same in the given widget's window, for a key pressed while that
// window is in front.
inline void pressIn(QWidget *window, QKeyCombination key)
{
    QTest::keyClick(window->window()->windowHandle(), key.key(), key.keyboardModifiers());
}

// Text typed at the keyboard, one key per character, into whatever has the
// focus.
inline void type(const QString &text)
{
    QWindow *window = focusWindow();
    for (const QChar c : text) {
        // Only characters a key gives; anything else travels as text alone.
        const char latin = c.toLatin1();
        const Qt::Key key = c.isLetterOrNumber() && latin
            ? Qt::Key(QChar(latin).toUpper().unicode())
            : Qt::Key_unknown;
        QTest::sendKeyEvent(QTest::Press, window, key, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, window, key, QString(c), Qt::NoModifier);
    }
}

// A click in the text field (or editable box), then its text selected and
// replaced by what is typed, as a person corrects a field.
inline void replaceText(QWidget *field, const QString &text)
{
    click(field);
    press(Qt::CTRL | Qt::Key_A);
    press(Qt::Key_Backspace);
    type(text);
}

// What a window manager does once a dialog closes: the window under it
// becomes the active one again. The offscreen platform has no window
// manager, and keeps the hidden dialog's window as the focus window.
inline void windowManagerActivates(QWidget *window)
{
    window->window()->windowHandle()->requestActivate();
    QCoreApplication::processEvents();
}

// Tab pressed until `widget` has the focus, at most `limit` times, as a
// person goes round a window's controls. True when it got there.
inline bool tabTo(QWidget *widget, int limit = 40)
{
    for (int i = 0; i < limit && QApplication::focusWidget() != widget; ++i)
        press(Qt::Key_Tab);
    return QApplication::focusWidget() == widget;
}

} // namespace UserInput
