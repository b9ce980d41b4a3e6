#pragma once

#include <QObject>
#include <QString>

#include <optional>

class MessageBox;
class QComboBox;
class WebBrowser;

// Where a search goes: one row per category of the category box.
namespace SearchAddress {

// The address a search for the query under the category goes to. The query
// travels as a URL query value (UTF-8, percent-encoded), so blanks, "&",
// "+", "%" and "#" reach the service as typed. Nothing for a category that
// is none of the five; category texts compare exactly, letter case included.
std::optional<QString> build(QStringView category, const QString &query);

// Whether a search under the category is preceded by the warning.
bool warnsFirst(QStringView category);

} // namespace SearchAddress

// The search row of one tab: Enter in the query box searches the chosen
// category. Every search adds its query to the end of the box's list; it
// neither starts the busy timer nor touches the address box.
class SearchBar : public QObject
{
    Q_OBJECT

public:
    // The warning goes through the message box; none, no warning.
    SearchBar(QComboBox *query, QComboBox *category, WebBrowser *browser, MessageBox *messageBox);

    static const QString WarningTitle;
    static const QString WarningText;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void search(const QString &query, const QString &category);

    QComboBox *m_query;
    QComboBox *m_category;
    WebBrowser *m_browser;
    MessageBox *m_messageBox;
};
