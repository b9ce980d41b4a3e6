#include "AddressBar.h"

#include "platform/WebBrowser.h"
#include "tab/AddressList.h"
#include "tab/BoxEnter.h"
#include "tab/ToolBarCommands.h"
#include "tab/VisitedHistory.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

constexpr int EnterKey = 13;

} // namespace

AddressBar::AddressBar(QComboBox *box, WebBrowser *browser, ToolBarCommands &commands,
                       const ProgramFolder &folder)
    : m_box(box)
    , m_browser(browser)
    , m_commands(commands)
    , m_folder(folder)
{
    AddressList::prepare(m_box);
    // The box's text is used as the user typed it: no completion rewrites it.
    m_box->setCompleter(nullptr);

    // Enter belongs to this class. The box would otherwise, on Enter and
    // again when it loses the focus, pick the entry that matches its text,
    // which reads as a pick and navigates a second time (and searches the
    // whole list on the way).
    BoxEnter::watch(m_box, this);
    if (QLineEdit *edit = m_box->lineEdit()) {
        disconnect(edit, &QLineEdit::returnPressed, m_box, nullptr);
        disconnect(edit, &QLineEdit::editingFinished, m_box, nullptr);
    }
    connect(m_box, &QComboBox::activated, this, &AddressBar::cboAddress_Click);
}

void AddressBar::cboAddress_Click()
{
    m_commands.startBusyTimer();
    m_browser->Navigate(m_box->currentText());
}

void AddressBar::cboAddress_KeyPress(int keyAscii)
{
    if (keyAscii != EnterKey)
        return;
    cboAddress_Click();
    // An entry that cannot be an address would only slow the list down; the
    // history keeps it, as it keeps every Enter, and its load leaves it out.
    if (const QString text = m_box->currentText(); AddressList::isUsable(text))
        AddressList::add(m_box, text);
    // A history that cannot be written is no reason to stop the user.
    VisitedHistory::append(m_folder, m_box->currentText());
}

bool AddressBar::eventFilter(QObject *watched, QEvent *event)
{
    // Every Enter is this class's; with Ctrl, Alt or Meta it does nothing
    // here or in the box.
    if (BoxEnter::isAnyEnter(m_box, watched, event)) {
        if (BoxEnter::isEnter(m_box, watched, event))
            cboAddress_KeyPress(EnterKey);
        return true;
    }
    return QObject::eventFilter(watched, event);
}
