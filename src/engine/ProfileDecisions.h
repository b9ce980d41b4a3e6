#pragma once

#include "platform/BrowserPrompter.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

#include <optional>

class QWebEngineCertificateError;
class QWebEngineProfile;

// What the user decided for the pages of a profile, for as long as the
// profile lives: the invalid certificates accepted, and the permissions
// granted or refused to each site. A child of the profile, made the first
// time one of its pages needs it.
class ProfileDecisions : public QObject
{
    Q_OBJECT

public:
    static ProfileDecisions &of(QWebEngineProfile *profile);

    // An invalid certificate the user chose to go on with holds for that
    // host, that certificate and that error only.
    struct Certificate
    {
        QString host;
        QByteArray fingerprint;
        int error = 0;

        friend bool operator==(const Certificate &, const Certificate &) = default;
        friend size_t qHash(const Certificate &certificate, size_t seed = 0)
        {
            return qHashMulti(seed, certificate.host, certificate.fingerprint, certificate.error);
        }
    };
    // Without a certificate there is nothing to hold a decision to: its
    // fingerprint is empty, and it is never accepted.
    static Certificate certificateOf(const QWebEngineCertificateError &error);
    bool accepted(const Certificate &certificate) const;
    void accept(const Certificate &certificate);

    // Empty while the site has not been asked.
    std::optional<bool> permission(const QUrl &site, BrowserPrompter::Permission permission) const;
    void decide(const QUrl &site, BrowserPrompter::Permission permission, bool granted);

private:
    explicit ProfileDecisions(QWebEngineProfile *profile);

    QSet<Certificate> m_certificates;
    QHash<QPair<QString, int>, bool> m_permissions; // (origin, permission) -> granted
};
