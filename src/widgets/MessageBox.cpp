#include "MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

DialogMessageBox::DialogMessageBox(QWidget *parentWindow)
    : m_parent(parentWindow)
{
}

MessageBox::Answer DialogMessageBox::show(const Request &request)
{
    static constexpr QMessageBox::Icon icons[]
        = {QMessageBox::NoIcon, QMessageBox::Information, QMessageBox::Warning,
           QMessageBox::Critical, QMessageBox::Question};
    QMessageBox box(icons[int(request.icon)],
                    request.title.isEmpty() ? QApplication::applicationDisplayName()
                                            : request.title,
                    request.text, QMessageBox::NoButton, m_parent);
    box.setTextFormat(Qt::PlainText);
    QPushButton *yes = nullptr;
    QPushButton *no = nullptr;
    if (request.buttons == Buttons::YesNo) {
        yes = box.addButton(QStringLiteral("&Oui"), QMessageBox::YesRole);
        no = box.addButton(QStringLiteral("&Non"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
    } else {
        box.setDefaultButton(box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
    }
    box.exec();
    if (box.clickedButton() == yes && yes)
        return Yes;
    if (no)
        return No;
    return Ok;
}
