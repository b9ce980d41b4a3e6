#include "engine/ProfileDecisions.h"

#include <QCryptographicHash>
#include <QSslCertificate>
#include <QWebEngineCertificateError>
#include <QWebEngineProfile>

namespace {

QPair<QString, int> permissionKey(const QUrl &site, BrowserPrompter::Permission permission)
{
    return {site.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment
                          | QUrl::RemoveUserInfo)
                .toString(),
            int(permission)};
}

} // namespace

ProfileDecisions::ProfileDecisions(QWebEngineProfile *profile)
    : QObject(profile)
{
}

ProfileDecisions &ProfileDecisions::of(QWebEngineProfile *profile)
{
    auto *decisions = profile->findChild<ProfileDecisions *>(QString(), Qt::FindDirectChildrenOnly);
    return decisions ? *decisions : *new ProfileDecisions(profile);
}

ProfileDecisions::Certificate
ProfileDecisions::certificateOf(const QWebEngineCertificateError &error)
{
    const QList<QSslCertificate> chain = error.certificateChain();
    return {error.url().host(),
            chain.isEmpty() ? QByteArray() : chain.first().digest(QCryptographicHash::Sha256),
            int(error.type())};
}

bool ProfileDecisions::accepted(const Certificate &certificate) const
{
    return !certificate.fingerprint.isEmpty() && m_certificates.contains(certificate);
}

void ProfileDecisions::accept(const Certificate &certificate)
{
    if (!certificate.fingerprint.isEmpty())
        m_certificates.insert(certificate);
}

std::optional<bool> ProfileDecisions::permission(const QUrl &site,
                                                 BrowserPrompter::Permission permission) const
{
    const auto known = m_permissions.constFind(permissionKey(site, permission));
    if (known == m_permissions.cend())
        return std::nullopt;
    return *known;
}

void ProfileDecisions::decide(const QUrl &site, BrowserPrompter::Permission permission,
                              bool granted)
{
    m_permissions.insert(permissionKey(site, permission), granted);
}
