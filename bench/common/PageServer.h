#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QHash>
#include <QObject>
#include <QTcpServer>
#include <QUrl>
#include <QUrlQuery>

class QTcpSocket;

// A tiny HTTP server on 127.0.0.1 serving the page the programs under test
// open. The page's onload handler requests /onload, which is the moment the
// bench stops its clock. Every page address carries a run number, and the
// report carries it back, so that a late request from an earlier run can
// never end a later one.
class PageServer : public QObject
{
    Q_OBJECT

public:
    explicit PageServer(QObject *parent = nullptr);

    bool listen(QString *error);
    QUrl pageUrl(int run) const;
    // A page whose every click opens a link in a new window.
    QUrl openerUrl() const;

    // Serves html at path, whatever the query; the address of that page.
    QUrl addPage(const QString &path, const QByteArray &html);
    // Serves a response of its own at path, whatever the query: the status
    // ("401 Unauthorized"), the content type, more header lines, the body.
    QUrl addResponse(const QString &path, const QByteArray &status, const QByteArray &contentType,
                     const QByteArray &body, const QByteArrayList &headers = {});
    // How many requests the page (or response) at path has had.
    int requests(const QString &path) const { return m_requests.value(path); }
    // The query of the last request for path.
    QUrlQuery lastQuery(const QString &path) const { return m_lastQueries.value(path); }

signals:
    void onloadReported(int run);

private:
    void acceptConnections();
    void readRequest(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const QByteArray &target);
    static void respond(QTcpSocket *socket, const QByteArray &status, const QByteArray &contentType,
                        const QByteArray &body, const QByteArrayList &headers = {});
    static int runOf(const QUrl &url);

    QTcpServer m_server;
    struct Response
    {
        QByteArray status;
        QByteArray contentType;
        QByteArray body;
        QByteArrayList headers;
    };
    QHash<QString, QByteArray> m_pages;
    QHash<QString, Response> m_responses;
    QHash<QString, int> m_requests;
    QHash<QString, QUrlQuery> m_lastQueries;
};
