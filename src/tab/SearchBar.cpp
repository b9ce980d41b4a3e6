#include "SearchBar.h"

#include "platform/WebBrowser.h"
#include "tab/BoxEnter.h"
#include "widgets/MessageBox.h"

#include <QComboBox>
#include <QPointer>
#include <QUrl>

const QString SearchBar::WarningTitle = QStringLiteral("Oulala !");
const QString SearchBar::WarningText
    = QStringLiteral("Attention !\r\nSi rechercher un crack est autorisé, il est\r\n"
                     "par contre interdit de s'en servir!");

namespace {

enum class Endpoint { WebSearch, ImageSearch, Catalogue, CrackSearch };

struct EndpointHost
{
    Endpoint endpoint;
    QStringView host;
};

// The hosts the searches go to, and the only place they are named. The web
// and image searches go to the search service of the tab's home page. The
// software-download catalogue and the crack-search site are settings of
// this build: change them here. No crack-search site is chosen, so that
// host is a name that never resolves (the engine shows its own error page).
// The paths and keys after each host are fixed.
constexpr EndpointHost EndpointHosts[] = {
    {Endpoint::WebSearch, u"www.google.fr"},
    {Endpoint::ImageSearch, u"www.google.fr"},
    {Endpoint::Catalogue, u"www.telecharger.com"},
    {Endpoint::CrackSearch, u"recherche-cracks.invalid"},
};

constexpr QStringView hostOf(Endpoint endpoint)
{
    for (const EndpointHost &entry : EndpointHosts) {
        if (entry.endpoint == endpoint)
            return entry.host;
    }
    return {};
}

struct Category
{
    QStringView text;
    Endpoint endpoint;
    QStringView beforeQuery; // after the host
    QStringView afterQuery;
    bool warnsFirst;
};

// In the order the category box lists them; the first equal text wins.
constexpr Category Categories[] = {
    {u"Web", Endpoint::WebSearch, u"/search?ie=UTF-8&oe=UTF-8&q=", u"", false},
    {u"Images", Endpoint::ImageSearch, u"/images?ie=UTF-8&q=", u"", false},
    {u"Logiciels", Endpoint::Catalogue, u"/Total.php?searchstring=", u"&system=windows&x=17&y=9",
     false},
    {u"Jeux", Endpoint::Catalogue, u"/Total.php?searchstring=", u"&system=jeux&x=17&y=9", false},
    {u"Cracks", Endpoint::CrackSearch, u"/?srch=", u"", true},
};

const Category *findCategory(QStringView text)
{
    for (const Category &category : Categories) {
        if (category.text == text)
            return &category;
    }
    return nullptr;
}

} // namespace

std::optional<QString> SearchAddress::build(QStringView category, const QString &query)
{
    const Category *row = findCategory(category);
    if (!row)
        return std::nullopt;
    QString address = QStringLiteral("http://");
    address += hostOf(row->endpoint);
    address += row->beforeQuery;
    address += QString::fromLatin1(QUrl::toPercentEncoding(query));
    address += row->afterQuery;
    return address;
}

bool SearchAddress::warnsFirst(QStringView category)
{
    const Category *row = findCategory(category);
    return row && row->warnsFirst;
}

SearchBar::SearchBar(QComboBox *query, QComboBox *category, WebBrowser *browser,
                     MessageBox *messageBox)
    : m_query(query)
    , m_category(category)
    , m_browser(browser)
    , m_messageBox(messageBox)
{
    // The box's inline completion would turn a typed query into an earlier,
    // longer one (or one in other letter case); what is typed is searched.
    m_query->setCompleter(nullptr);
    BoxEnter::watch(m_query, this);
}

bool SearchBar::eventFilter(QObject *watched, QEvent *event)
{
    if (BoxEnter::isEnter(m_query, watched, event)) {
        const QString query = m_query->currentText();
        if (!query.isEmpty()) {
            // The search runs once the key has been delivered: its warning
            // waits in an event loop of its own, in which the tab may close.
            QMetaObject::invokeMethod(
                this,
                [this, query, category = m_category->currentText()] { search(query, category); },
                Qt::QueuedConnection);
        }
    }
    // The key goes on to the box either way.
    return QObject::eventFilter(watched, event);
}

void SearchBar::search(const QString &query, const QString &category)
{
    m_query->addItem(query);
    const std::optional<QString> address = SearchAddress::build(category, query);
    if (!address)
        return;
    if (SearchAddress::warnsFirst(category) && m_messageBox) {
        const QPointer<SearchBar> alive(this);
        m_messageBox->show(MessageBox::Request {
            .text = WarningText,
            .title = WarningTitle,
            .icon = MessageBox::Icon::Critical,
            .buttons = MessageBox::Buttons::Ok,
        });
        if (!alive)
            return; // the tab closed while the warning was open
    }
    m_browser->Navigate(*address);
}
