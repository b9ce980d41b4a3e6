#pragma once

#include <QByteArray>
#include <QHash>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>
#include <QUrl>

class QSslSocket;

// A small HTTPS server on 127.0.0.1 for the pages of a certificate storm. Its
// certificate is self-signed and made for the run by openssl, so that the
// engine finds it invalid (no authority it knows signed it); two servers
// have two different certificates.
class TlsPageServer : public QTcpServer
{
public:
    explicit TlsPageServer(QObject *parent = nullptr);

    // Makes the certificate and its key in folder and listens on a free port.
    bool start(const QString &folder, const QString &name, QString *error);
    QUrl url(const QString &path) const;
    // Serves body at path, whatever the query.
    void addPage(const QString &path, const QByteArray &contentType, const QByteArray &body);
    int requests() const { return m_requests; }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void readRequest(QSslSocket *socket);

    QSslCertificate m_certificate;
    QSslKey m_key;
    QHash<QString, QPair<QByteArray, QByteArray>> m_pages;
    int m_requests = 0;
};
