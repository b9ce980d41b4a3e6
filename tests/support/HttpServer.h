#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1 for the tests that drive the real
// engine. It answers GET and HEAD from the pages it was given, 404 otherwise,
// one request per connection.
class HttpServer : public QObject
{
    Q_OBJECT

public:
    explicit HttpServer(QObject *parent = nullptr);

    // Listens on a free port of the loopback address.
    bool listen();
    quint16 port() const;
    // The address of path on this server; path may hold a query.
    QUrl url(const QString &path) const;

    // Pages are looked up by path, without the query.
    void addPage(const QString &path, const QByteArray &body,
                 const QByteArray &contentType = "text/html; charset=utf-8", int status = 200);
    // An extra response header for the page at path.
    void addHeader(const QString &path, const QByteArray &name, const QByteArray &value);

    // Requests for path get no answer until releaseHeld().
    void holdPage(const QString &path);
    // Requests for path get the response head and the first `bytes` bytes
    // of the body at once; the rest waits until releaseHeld() or dropHeld().
    void holdBodyAfter(const QString &path, qsizetype bytes);
    // Answers every request held so far, or sends the rest of its body, and
    // holds no page any more.
    void releaseHeld();
    // Breaks off every request held so far, as a server that goes away
    // would, and holds no page any more.
    void dropHeld();

    // Every request target received, query included, in order.
    QStringList requestedPaths() const { return m_requested; }
    // How many requests asked for path (query ignored).
    int requestCount(const QString &path) const;
    // The headers of the last request for path (query ignored), names in
    // lower case.
    QHash<QByteArray, QByteArray> requestHeaders(const QString &path) const;

Q_SIGNALS:
    // Raised with the request target once a request has been read.
    void requested(const QString &path);

private:
    struct Page
    {
        QByteArray body;
        QByteArray contentType;
        int status = 200;
        QList<QPair<QByteArray, QByteArray>> headers;
    };
    struct HeldRequest
    {
        QPointer<QTcpSocket> socket;
        QString path;
        bool head = false;
        qsizetype bodySent = -1; // how much of the body went out; -1: no answer yet
    };

    void accept();
    void readRequest(QTcpSocket *socket);
    void respond(QTcpSocket *socket, const QString &path, bool head);
    static void respondWith(QTcpSocket *socket, int status, const QByteArray &contentType,
                            const QByteArray &body, bool head,
                            const QList<QPair<QByteArray, QByteArray>> &headers = {},
                            qsizetype bodyBytes = -1);

    QTcpServer m_server;
    QHash<QString, Page> m_pages;
    QStringList m_held;
    QHash<QString, qsizetype> m_bodyHeld;
    QList<HeldRequest> m_heldRequests;
    QStringList m_requested;
    QHash<QString, QHash<QByteArray, QByteArray>> m_headers;
};
