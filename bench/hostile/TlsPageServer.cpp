#include "TlsPageServer.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QSslSocket>

TlsPageServer::TlsPageServer(QObject *parent)
    : QTcpServer(parent)
{
}

bool TlsPageServer::start(const QString &folder, const QString &name, QString *error)
{
    if (!QSslSocket::supportsSsl()) {
        *error = QStringLiteral("Qt has no TLS backend here");
        return false;
    }
    const QString certificatePath = QDir(folder).filePath(name + QStringLiteral(".crt"));
    const QString keyPath = QDir(folder).filePath(name + QStringLiteral(".key"));
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"),
                   keyPath, QStringLiteral("-out"), certificatePath, QStringLiteral("-days"),
                   QStringLiteral("2"), QStringLiteral("-subj"),
                   QStringLiteral("/CN=127.0.0.1/O=") + name, QStringLiteral("-addext"),
                   QStringLiteral("subjectAltName=IP:127.0.0.1")});
    if (!openssl.waitForFinished(60000) || openssl.exitStatus() != QProcess::NormalExit
        || openssl.exitCode() != 0) {
        *error = QStringLiteral("openssl could not make a certificate: ")
            + QString::fromLocal8Bit(openssl.readAll());
        return false;
    }
    QFile certificate(certificatePath);
    QFile key(keyPath);
    if (!certificate.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read the certificate openssl made");
        return false;
    }
    m_certificate = QSslCertificate(&certificate, QSsl::Pem);
    m_key = QSslKey(&key, QSsl::Rsa, QSsl::Pem);
    if (m_certificate.isNull() || m_key.isNull()) {
        *error = QStringLiteral("the certificate or its key is unusable");
        return false;
    }
    if (!listen(QHostAddress::LocalHost, 0)) {
        *error = errorString();
        return false;
    }
    return true;
}

QUrl TlsPageServer::url(const QString &path) const
{
    return QUrl(QStringLiteral("https://127.0.0.1:%1%2").arg(serverPort()).arg(path));
}

void TlsPageServer::addPage(const QString &path, const QByteArray &contentType,
                            const QByteArray &body)
{
    m_pages.insert(path, {contentType, body});
}

void TlsPageServer::incomingConnection(qintptr descriptor)
{
    auto *socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    socket->setLocalCertificate(m_certificate);
    socket->setPrivateKey(m_key);
    socket->setPeerVerifyMode(QSslSocket::VerifyNone);
    connect(socket, &QSslSocket::readyRead, this, [this, socket] { readRequest(socket); });
    connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
    // A client that refuses the certificate breaks off the handshake.
    connect(socket, &QSslSocket::errorOccurred, socket, &QObject::deleteLater);
    socket->startServerEncryption();
}

void TlsPageServer::readRequest(QSslSocket *socket)
{
    const QByteArray head = socket->peek(socket->bytesAvailable());
    if (!head.contains("\r\n\r\n"))
        return;
    socket->readAll();
    ++m_requests;
    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    const QUrl url(QString::fromLatin1(requestLine.value(1)));
    const auto page = m_pages.constFind(url.path());
    const QByteArray status = page != m_pages.cend() ? "200 OK" : "404 Not Found";
    const QByteArray contentType = page != m_pages.cend() ? page->first : "text/plain";
    const QByteArray body = page != m_pages.cend() ? page->second : "not found\n";
    socket->write("HTTP/1.1 " + status + "\r\nContent-Type: " + contentType
                  + "\r\nContent-Length: " + QByteArray::number(body.size())
                  + "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + body);
    socket->disconnectFromHost();
}
