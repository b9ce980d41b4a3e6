#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QLineEdit;
class WebBrowser;

// The find bar of a tab: a small bar over the bottom right of the page.
// Typing finds as it goes; Enter or F3 finds the next match, Shift with
// either the one before; Escape or its close button closes it, clearing the
// highlighting, and gives the page the focus back.
class FindBar : public QWidget
{
    Q_OBJECT

public:
    FindBar(QWidget *tab, WebBrowser *browser);

    // Shows the bar, or brings the focus back to it, with its text selected.
    void open();
    void dismiss();

    QLineEdit *edit() const { return m_edit; }
    // "3 sur 12", "Aucun résultat", or nothing.
    QString resultText() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void find(bool backward);
    void place();

    QPointer<WebBrowser> m_browser;
    QLineEdit *m_edit;
    QLabel *m_result;
};
