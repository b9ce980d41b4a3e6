#include "PageServer.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QUrlQuery>

namespace {

// Big enough to look like a page, small enough that transfer time is nothing:
// the figure is the programs' startup, not the network's.
QByteArray pageFor(int run)
{
    return QByteArrayLiteral("<!DOCTYPE html>\n"
                             "<html lang=\"fr\"><head><meta charset=\"utf-8\">"
                             "<title>Page de mesure</title></head>\n"
                             "<body onload=\"new Image().src = '/onload?run=")
        + QByteArray::number(run)
        + QByteArrayLiteral("&t=' + Date.now()\">\n"
                            "<h1>Page de mesure</h1>\n"
                            "<p>Cette page signale son chargement au banc d'essai.</p>\n"
                            "</body></html>\n");
}

// A page that is one link opening in a new window, over the whole page, so
// that a click anywhere in the view follows it. The bench points the link at
// the page it wants opened before each click.
QByteArray openerPage()
{
    return QByteArrayLiteral(
        "<!DOCTYPE html>\n"
        "<html lang=\"fr\"><head><meta charset=\"utf-8\"><title>Page d'ouverture</title>\n"
        "<style>html, body { margin: 0; height: 100%; } "
        "a { display: block; height: 100%; }</style></head>\n"
        "<body><a id=\"l\" href=\"/page?run=0\" target=\"_blank\">Ouvrir dans une nouvelle "
        "fenêtre</a></body></html>\n");
}

} // namespace

PageServer::PageServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &PageServer::acceptConnections);
}

bool PageServer::listen(QString *error)
{
    if (m_server.listen(QHostAddress::LocalHost, 0))
        return true;
    *error = m_server.errorString();
    return false;
}

QUrl PageServer::pageUrl(int run) const
{
    return QUrl(
        QStringLiteral("http://127.0.0.1:%1/page?run=%2").arg(m_server.serverPort()).arg(run));
}

QUrl PageServer::openerUrl() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/opener").arg(m_server.serverPort()));
}

QUrl PageServer::addPage(const QString &path, const QByteArray &html)
{
    m_pages.insert(path, html);
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
}

QUrl PageServer::addResponse(const QString &path, const QByteArray &status,
                             const QByteArray &contentType, const QByteArray &body,
                             const QByteArrayList &headers)
{
    m_responses.insert(path, {status, contentType, body, headers});
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
}

void PageServer::acceptConnections()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void PageServer::readRequest(QTcpSocket *socket)
{
    // Only GET is ever sent here, so a request ends with its headers; until
    // they are all in, they stay in the socket's own buffer.
    const QByteArray head = socket->peek(socket->bytesAvailable());
    if (!head.contains("\r\n\r\n"))
        return;
    socket->readAll();
    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    answer(socket, requestLine.size() >= 2 ? requestLine.at(1) : QByteArray());
}

void PageServer::answer(QTcpSocket *socket, const QByteArray &target)
{
    const QUrl url(QString::fromLatin1(target));
    const int run = runOf(url);
    if (url.path() == QLatin1String("/page") && run >= 0) {
        respond(socket, "200 OK", "text/html; charset=utf-8", pageFor(run));
    } else if (const auto page = m_pages.constFind(url.path()); page != m_pages.cend()) {
        ++m_requests[url.path()];
        respond(socket, "200 OK", "text/html; charset=utf-8", *page);
    } else if (const auto response = m_responses.constFind(url.path());
               response != m_responses.cend()) {
        ++m_requests[url.path()];
        m_lastQueries.insert(url.path(), QUrlQuery(url));
        respond(socket, response->status, response->contentType, response->body, response->headers);
    } else if (url.path() == QLatin1String("/opener")) {
        respond(socket, "200 OK", "text/html; charset=utf-8", openerPage());
    } else if (url.path() == QLatin1String("/onload") && run >= 0) {
        // The clock stops as soon as the report arrives; the answer can wait.
        emit onloadReported(run);
        respond(socket, "204 No Content", QByteArray(), QByteArray());
    } else {
        respond(socket, "404 Not Found", "text/plain", QByteArrayLiteral("not found\n"));
    }
}

void PageServer::respond(QTcpSocket *socket, const QByteArray &status,
                         const QByteArray &contentType, const QByteArray &body,
                         const QByteArrayList &headers)
{
    QByteArray reply = "HTTP/1.1 " + status + "\r\n";
    if (!contentType.isEmpty())
        reply += "Content-Type: " + contentType + "\r\n";
    for (const QByteArray &header : headers)
        reply += header + "\r\n";
    // Neither program may keep the page between runs, though each run starts
    // with an empty profile anyway.
    reply += "Content-Length: " + QByteArray::number(body.size())
        + "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + body;
    socket->write(reply);
    socket->disconnectFromHost();
}

int PageServer::runOf(const QUrl &url)
{
    bool ok = false;
    const int run = QUrlQuery(url).queryItemValue(QStringLiteral("run")).toInt(&ok);
    return ok ? run : -1;
}
