#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QTcpServer>
#include <QUrl>

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
    // How many requests the page at path has had.
    int requests(const QString &path) const { return m_requests.value(path); }

signals:
    void onloadReported(int run);

private:
    void acceptConnections();
    void readRequest(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const QByteArray &target);
    static void respond(QTcpSocket *socket, const QByteArray &status, const QByteArray &contentType,
                        const QByteArray &body);
    static int runOf(const QUrl &url);

    QTcpServer m_server;
    QHash<QString, QByteArray> m_pages;
    QHash<QString, int> m_requests;
};
