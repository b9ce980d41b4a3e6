#pragma once

#include "widgets/MessageBox.h"

#include <QObject>
#include <QPointer>
#include <QString>

struct NewWindowRequest;
struct TabHost;
class UserActions;
class WebBrowser;
class frmBrowser;

// What becomes of a page's request for a new window, worked out without any
// widget: by the popup mode, the number of open tabs and what the tab's
// current burst of requests has been told so far.
namespace PopupDecision {

inline constexpr QStringView LimitText = u"Le nombre maximal de Tabs est atteint, désolé !";
inline constexpr QStringView LimitTitle = u"Attention";
inline constexpr QStringView QuestionText = u"Popup intercepté, l'afficher ?";
inline constexpr QStringView QuestionTitle = u"Popup Interceptor";

// A burst is the run of requests a page makes without a new user action
// in its tab. It raises one message box at most; the rest of it follows
// that box's answer without a word.
enum class Burst {
    Fresh,        // no box yet in this burst
    AfterYes,     // "Oui" to the question: open while there is room
    AfterRefusal, // "Non", or the tab-limit message: refuse
    Waiting,      // the box is on screen: refuse, a second box is not asked
};

enum class Step {
    Refuse,    // Cancel, silently
    TellLimit, // the tab-limit message, then Cancel
    Ask,       // the question; "Oui" opens, any other answer refuses
    Open,      // open the window in a new tab
};

// userInitiated: the page asked because of a click or key of the user's;
// such a request starts a burst of its own.
Step decide(const QString &popupMode, qint16 openTabs, Burst burst, bool userInitiated);

// The burst once a step's box has been answered; a step without a box
// leaves it as it was.
Burst after(Burst burst, Step step, MessageBox::Answer answer);

} // namespace PopupDecision

// What becomes of the windows a tab's page asks for: never a window of
// their own; by the popup mode, nothing, a question, or a new tab. It is the
// NewWindow2 handler of the tab's browser control.
class PopupInterceptor : public QObject
{
    Q_OBJECT

public:
    // The handler of the tab's browser control. The host's platform gives
    // the loaded windows, the message box and what tells of the user's
    // actions; a popup's tab is made in the same host.
    PopupInterceptor(frmBrowser &tab, WebBrowser *browser, const TabHost &host);
    ~PopupInterceptor() override;

    void NewWindow2(NewWindowRequest &request);
    // The user clicked or typed in the tab: the page's burst of requests
    // is over.
    void userActed();

private:
    void openInNewTab(NewWindowRequest &request);

    frmBrowser &m_tab;
    QPointer<WebBrowser> m_browser;
    const TabHost &m_host;
    PopupDecision::Burst m_burst = PopupDecision::Burst::Fresh;
};
