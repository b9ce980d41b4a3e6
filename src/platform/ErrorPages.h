#pragma once

#include <QString>
#include <QUrl>

// The pages the browser shows in place of one it could not show. Each is a
// whole HTML document, in French, that runs no script; whatever it names of
// the user's text or of an address is escaped, so that it shows as text.
namespace ErrorPages {

// The title both pages carry, which the tab shows as the page's name.
QString badAddressTitle();
QString crashedTitle();

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

// Text made fit to stand inside an element: escaped, control characters
// (a NUL among them) shown as U+FFFD, and cut to a length a page can show.
QString shownText(const QString &text);

} // namespace ErrorPages
