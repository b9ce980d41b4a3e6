#include "platform/ErrorPages.h"

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

} // namespace ErrorPages
