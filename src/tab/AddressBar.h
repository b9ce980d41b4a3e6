#pragma once

#include "storage/ProgramFolder.h"

#include <QObject>

class QComboBox;
class ToolBarCommands;
class WebBrowser;

// The address box of one tab: Enter and a pick in its list navigate; Enter
// also records the address in the visited-address history.
class AddressBar : public QObject
{
    Q_OBJECT

public:
    // Each navigation starts the toolbar's busy timer; the history is the
    // one in the folder.
    AddressBar(QComboBox *box, WebBrowser *browser, ToolBarCommands &commands,
               const ProgramFolder &folder);

    // A pick in the box's list, with the mouse or the arrow keys: the
    // browser goes to the box's text.
    void cboAddress_Click();
    // A character typed in the box. Only Enter (13) does anything: it goes
    // to the box's text, lists it and appends it to the history.
    void cboAddress_KeyPress(int keyAscii);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QComboBox *m_box;
    WebBrowser *m_browser;
    ToolBarCommands &m_commands;
    ProgramFolder m_folder;
};
