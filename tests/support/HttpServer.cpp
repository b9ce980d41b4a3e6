#include "HttpServer.h"

#include <QTcpSocket>

#include <algorithm>
#include <utility>

namespace {

// A request whose head grows past this without ending is refused.
constexpr qsizetype MaxRequestHead = 64 * 1024;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

QString pathOf(const QString &target)
{
    return target.section(QLatin1Char('?'), 0, 0);
}

const char BufferProperty[] = "httpServerBuffer";

} // namespace

HttpServer::HttpServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &HttpServer::accept);
}

bool HttpServer::listen()
{
    return m_server.isListening() || m_server.listen(QHostAddress::LocalHost, 0);
}

quint16 HttpServer::port() const
{
    return m_server.serverPort();
}

QUrl HttpServer::url(const QString &path) const
{
    const QString slash = path.startsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/");
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2%3").arg(port()).arg(slash, path));
}

void HttpServer::addPage(const QString &path, const QByteArray &body, const QByteArray &contentType,
                         int status)
{
    Page &page = m_pages[path];
    page.body = body;
    page.contentType = contentType;
    page.status = status;
}

void HttpServer::addHeader(const QString &path, const QByteArray &name, const QByteArray &value)
{
    m_pages[path].headers.append({name, value});
}

void HttpServer::holdPage(const QString &path)
{
    if (!m_held.contains(path))
        m_held.append(path);
}

void HttpServer::holdBodyAfter(const QString &path, qsizetype bytes)
{
    m_bodyHeld.insert(path, std::max<qsizetype>(bytes, 0));
}

void HttpServer::releaseHeld()
{
    m_held.clear();
    m_bodyHeld.clear();
    const QList<HeldRequest> held = std::exchange(m_heldRequests, {});
    for (const HeldRequest &request : held) {
        if (!request.socket || request.socket->state() != QAbstractSocket::ConnectedState)
            continue;
        if (request.bodySent < 0) {
            respond(request.socket, request.path, request.head);
        } else {
            request.socket->write(m_pages.value(request.path).body.mid(request.bodySent));
            request.socket->disconnectFromHost();
        }
    }
}

void HttpServer::dropHeld()
{
    m_held.clear();
    m_bodyHeld.clear();
    const QList<HeldRequest> held = std::exchange(m_heldRequests, {});
    for (const HeldRequest &request : held) {
        if (request.socket)
            request.socket->abort();
    }
}

int HttpServer::requestCount(const QString &path) const
{
    return int(std::count_if(m_requested.cbegin(), m_requested.cend(),
                             [&path](const QString &target) { return pathOf(target) == path; }));
}

QHash<QByteArray, QByteArray> HttpServer::requestHeaders(const QString &path) const
{
    return m_headers.value(path);
}

void HttpServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
    }
}

void HttpServer::readRequest(QTcpSocket *socket)
{
    // The head may come in pieces; what has come so far waits on the socket.
    QByteArray buffer = socket->property(BufferProperty).toByteArray() + socket->readAll();
    qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        end = buffer.indexOf("\n\n");
    if (end < 0) {
        if (buffer.size() > MaxRequestHead) {
            disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
            respondWith(socket, 431, "text/plain", "Request head too large\n", false);
        } else {
            socket->setProperty(BufferProperty, buffer);
        }
        return;
    }
    // One request per connection: whatever follows the head is ignored.
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    socket->setProperty(BufferProperty, QVariant());

    const QList<QByteArray> lines = buffer.left(end).split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    if (requestLine.size() != 3 || !requestLine.at(1).startsWith('/')
        || !requestLine.at(2).startsWith("HTTP/1.")) {
        respondWith(socket, 400, "text/plain", "Bad request\n", false);
        return;
    }
    QHash<QByteArray, QByteArray> headers;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines.at(i).indexOf(':');
        if (colon > 0)
            headers.insert(lines.at(i).left(colon).trimmed().toLower(),
                           lines.at(i).mid(colon + 1).trimmed());
    }

    const QByteArray method = requestLine.at(0);
    const QString target = QString::fromLatin1(requestLine.at(1));
    const QString path = pathOf(target);
    m_requested.append(target);
    m_headers.insert(path, headers);
    Q_EMIT requested(target);

    const bool head = method == "HEAD";
    if (method != "GET" && !head) {
        respondWith(socket, 405, "text/plain", "Method not allowed\n", false,
                    {{"Allow", "GET, HEAD"}});
        return;
    }
    if (m_held.contains(path)) {
        m_heldRequests.append({socket, path, head});
        return;
    }
    const auto page = m_pages.constFind(path);
    if (!head && page != m_pages.cend() && m_bodyHeld.contains(path)) {
        const qsizetype sent = std::min(m_bodyHeld.value(path), page->body.size());
        respondWith(socket, page->status, page->contentType, page->body, head, page->headers, sent);
        m_heldRequests.append({socket, path, head, sent});
        return;
    }
    respond(socket, path, head);
}

void HttpServer::respond(QTcpSocket *socket, const QString &path, bool head)
{
    const auto page = m_pages.constFind(path);
    if (page == m_pages.cend())
        respondWith(socket, 404, "text/html; charset=utf-8", "<title>404</title>Not found\n", head);
    else
        respondWith(socket, page->status, page->contentType, page->body, head, page->headers);
}

void HttpServer::respondWith(QTcpSocket *socket, int status, const QByteArray &contentType,
                             const QByteArray &body, bool head,
                             const QList<QPair<QByteArray, QByteArray>> &headers,
                             qsizetype bodyBytes)
{
    QByteArray response = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status)
        + "\r\nContent-Type: " + contentType + "\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\nCache-Control: no-store\r\nConnection: close\r\n";
    for (const auto &[name, value] : headers)
        response += name + ": " + value + "\r\n";
    response += "\r\n";
    // Part of the body: the connection stays open for the rest.
    if (!head && bodyBytes >= 0) {
        socket->write(response + body.left(bodyBytes));
        return;
    }
    if (!head)
        response += body;
    socket->write(response);
    socket->disconnectFromHost();
}
