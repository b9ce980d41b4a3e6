#include "engine/ErrorPages.h"

namespace ErrorPages {

namespace {

// Longer texts are cut: the user needs to recognise the text, not to read
// a megabyte of it.
constexpr qsizetype ShownLength = 300;

QString document(const QString &title, const QString &body)
{
    return QStringLiteral(
               "<!DOCTYPE html><html lang=\"fr\"><head><meta charset=\"utf-8\">"
               "<meta http-equiv=\"Content-Security-Policy\" content=\"script-src 'none'\">"
               "<title>%1</title><style>"
               "body{font-family:sans-serif;margin:3em;color:#222;background:#fff}"
               "h1{font-size:1.4em}p{max-width:40em;line-height:1.4}"
               ".texte{font-family:monospace;overflow-wrap:anywhere}"
               ".bouton{display:inline-block;padding:.4em 1.2em;border:1px solid #888;"
               "border-radius:3px;background:#eee;color:#000;text-decoration:none}"
               "</style></head><body>%2</body></html>")
        .arg(title.toHtmlEscaped(), body);
}

} // namespace

QString badAddressTitle()
{
    return QStringLiteral("Adresse incorrecte");
}

QString crashedTitle()
{
    return QStringLiteral("Page arrêtée");
}

QString failedTitle()
{
    return QStringLiteral("Page inaccessible");
}

QString shownText(const QString &text)
{
    QString shown = text.left(ShownLength);
    for (QChar &c : shown) {
        if (c.category() == QChar::Other_Control)
            c = QChar::ReplacementCharacter;
    }
    if (text.size() > ShownLength)
        shown += QChar(0x2026);
    return shown.toHtmlEscaped();
}

QString badAddress(const QString &text)
{
    return document(
        badAddressTitle(),
        QStringLiteral("<h1>Adresse incorrecte</h1>"
                       "<p>Adresse incorrecte : <span class=\"texte\" id=\"adresse\">%1</span></p>"
                       "<p>Ce texte n'est pas une adresse que Corvane peut ouvrir. Vérifiez-le "
                       "dans la zone d'adresse (une adresse ne contient pas d'espaces), ou "
                       "cherchez ces mots avec la zone de recherche.</p>")
            .arg(shownText(text)));
}

QString crashedStatus(Ending ending)
{
    return ending == Ending::Killed
        ? QStringLiteral("Le processus de la page a été arrêté : rechargez-la.")
        : QStringLiteral("Le processus de la page s'est arrêté brutalement : rechargez-la.");
}

QString crashed(const QUrl &address, Ending ending)
{
    const QString why = ending == Ending::Killed
        ? QStringLiteral("Le processus qui affichait cette page a été arrêté.")
        : QStringLiteral("Le processus qui affichait cette page s'est arrêté brutalement.");
    return document(crashedTitle(),
                    QStringLiteral("<h1>Page arrêtée</h1><p>%1 Les autres onglets ne sont pas "
                                   "touchés.</p>"
                                   "<p class=\"texte\" id=\"adresse\">%2</p>"
                                   "<p><a class=\"bouton\" id=\"recharger\" role=\"button\" "
                                   "href=\"%3\">Recharger</a></p>")
                        .arg(why, shownText(address.toDisplayString()),
                             address.toString(QUrl::FullyEncoded).toHtmlEscaped()));
}

std::optional<Failure> failureOf(QWebEngineLoadingInfo::ErrorDomain domain, int code)
{
    // The engine's error numbers, by range: below -100 the connection's,
    // -200 to -299 the certificates', -800 and below the name lookup's.
    constexpr int Aborted = -3;
    constexpr int NameNotResolved = -105;
    constexpr int NameResolutionFailed = -137;
    switch (domain) {
    case QWebEngineLoadingInfo::NoErrorDomain:
    case QWebEngineLoadingInfo::HttpStatusCodeDomain:
        return std::nullopt;
    case QWebEngineLoadingInfo::InternalErrorDomain:
        if (code == Aborted)
            return std::nullopt;
        return Failure::Other;
    case QWebEngineLoadingInfo::DnsErrorDomain:
        return Failure::NoSuchServer;
    case QWebEngineLoadingInfo::ConnectionErrorDomain:
        if (code == NameNotResolved || code == NameResolutionFailed)
            return Failure::NoSuchServer;
        return Failure::NoAnswer;
    case QWebEngineLoadingInfo::CertificateErrorDomain:
        return Failure::Certificate;
    case QWebEngineLoadingInfo::HttpErrorDomain:
    case QWebEngineLoadingInfo::FtpErrorDomain:
        return Failure::Other;
    }
    return Failure::Other;
}

QString failedStatus(Failure failure)
{
    switch (failure) {
    case Failure::NoSuchServer:
        return QStringLiteral("Serveur introuvable.");
    case Failure::NoAnswer:
        return QStringLiteral("Le site ne répond pas.");
    case Failure::Certificate:
        return QStringLiteral("Connexion refusée : certificat non valide.");
    case Failure::Other:
        break;
    }
    return QStringLiteral("La page n'a pas pu être ouverte.");
}

QString failed(const QUrl &address, Failure failure, const QString &errorName)
{
    QString what;
    switch (failure) {
    case Failure::NoSuchServer:
        what = QStringLiteral("<p>Corvane ne trouve pas le serveur <span class=\"texte\">%1</span>."
                              "</p><p>Vérifiez l'adresse : une lettre de trop ou de moins suffit. "
                              "Si elle est juste, vérifiez que l'ordinateur est connecté au "
                              "réseau.</p>")
                   .arg(shownText(address.host()));
        break;
    case Failure::NoAnswer:
        what = QStringLiteral("<p>Le site <span class=\"texte\">%1</span> ne répond pas.</p>"
                              "<p>Il est peut-être arrêté un moment : réessayez dans quelques "
                              "instants. Si aucun site ne s'ouvre, vérifiez la connexion de "
                              "l'ordinateur au réseau, et le proxy dans les options réseau du "
                              "bureau (Outils, Options Internet).</p>")
                   .arg(shownText(address.host()));
        break;
    case Failure::Certificate:
        what = QStringLiteral("<p>Le certificat du site n'est pas valide, et la connexion a été "
                              "refusée pour protéger ce que vous y enverriez.</p>");
        break;
    case Failure::Other:
        what = QStringLiteral("<p>La page n'a pas pu être ouverte.</p>");
        break;
    }
    return document(failedTitle(),
                    QStringLiteral("<h1>Page inaccessible</h1>%1"
                                   "<p class=\"texte\" id=\"adresse\">%2</p>"
                                   "<p class=\"texte\" id=\"erreur\">%3</p>"
                                   "<p><a class=\"bouton\" id=\"reessayer\" role=\"button\" "
                                   "href=\"%4\">Réessayer</a></p>")
                        .arg(what, shownText(address.toDisplayString()), shownText(errorName),
                             address.toString(QUrl::FullyEncoded).toHtmlEscaped()));
}

} // namespace ErrorPages
