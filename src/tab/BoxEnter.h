#pragma once

class QComboBox;
class QEvent;
class QObject;

// Enter in an editable combo box, the address box's and the query box's.
//
// The box keeps the keyboard focus itself (it is its line edit's focus
// proxy) and passes each key on by calling the edit's event() directly,
// which no event filter of the edit sees: a filter that wants the keys a
// person types watches the box. It watches the edit too, for keys sent to
// the edit itself (an input method's).
namespace BoxEnter {

void watch(QComboBox *box, QObject *filter);

// Whether the event, seen by a filter that watch() installed, is Enter
// pressed in the box. Shift+Enter is still Enter; with Ctrl, Alt or Meta
// it is another key.
bool isEnter(const QComboBox *box, const QObject *watched, const QEvent *event);

// Whether it is any Enter key pressed in the box, modifiers or not.
bool isAnyEnter(const QComboBox *box, const QObject *watched, const QEvent *event);

} // namespace BoxEnter
