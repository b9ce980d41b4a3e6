#pragma once

#include <QString>
#include <QUrl>
#include <QWebEngineLoadingInfo>

#include <optional>

// The pages the browser shows in place of one it could not show. Each is a
// whole HTML document, in French, that runs no script; whatever it names of
// the user's text or of an address is escaped, so that it shows as text.
namespace ErrorPages {

// The title each page carries, which the tab shows as the page's name.
QString badAddressTitle();
QString crashedTitle();
QString failedTitle();

// For a text typed as an address that the engine cannot use.
QString badAddress(const QString &text);

// For a page whose renderer ended: what happened (killedByTheSystem says
// whether it was ended from outside rather than crashing), and a
// "Recharger" button that loads the address again. The page is meant to be
// shown with that address as its base, so that the button may open it
// whatever its scheme.
enum class Ending { Crashed, Killed };
QString crashed(const QUrl &address, Ending ending);

// The status line's text once the crash page shows.
QString crashedStatus(Ending ending);

// Why a navigation failed, as far as the user can act on it.
enum class Failure {
    NoSuchServer, // the name does not resolve
    NoAnswer,     // refused, reset, timed out, no network
    Certificate,  // the site's certificate was refused
    Other,
};

// What the program shows for a failed navigation: nothing for a load that
// was stopped or replaced (the page goes on as it is) or for an error the
// server answered with a page of its own (a 404 shows the server's page).
std::optional<Failure> failureOf(QWebEngineLoadingInfo::ErrorDomain domain, int code);

// For a navigation that failed: what happened and what to do, the engine's
// own name of the error, and a "Réessayer" button that loads the address
// again. Shown with that address as its base, as the crash page.
QString failed(const QUrl &address, Failure failure, const QString &errorName);
QString failedStatus(Failure failure);

// Text made fit to stand inside an element: escaped, control characters
// (a NUL among them) shown as U+FFFD, and cut to a length a page can show.
QString shownText(const QString &text);

} // namespace ErrorPages
