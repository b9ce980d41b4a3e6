#pragma once

#include <QString>

class QWidget;

// The program's message boxes: one call with text, title, icon and buttons,
// answered with the classic answer codes. The program shows real dialogs;
// tests install an answerer in their place.
class MessageBox
{
public:
    enum class Icon { None, Information, Warning, Critical, Question };
    enum class Buttons { Ok, YesNo };
    // The classic answer codes: the popup handling compares them as numbers.
    enum Answer { Ok = 1, Yes = 6, No = 7 };

    struct Request
    {
        QString text;
        QString title; // empty: the program's title
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
    };

    virtual ~MessageBox() = default;
    virtual Answer show(const Request &request) = 0;
};

// Real, application-modal dialogs with French button texts. The first
// button is the default one.
class DialogMessageBox : public MessageBox
{
public:
    // The dialogs are centred on this window (may be null).
    explicit DialogMessageBox(QWidget *parentWindow = nullptr);
    void setParentWindow(QWidget *window) { m_parent = window; }

    Answer show(const Request &request) override;

private:
    QWidget *m_parent;
};
