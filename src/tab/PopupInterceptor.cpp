#include "PopupInterceptor.h"

#include "app/MainWindowOperations.h"
#include "app/Module1.h"
#include "app/TabOpening.h"
#include "platform/WebBrowser.h"
#include "settings/PopupPolicy.h"
#include "tab/UserActions.h"
#include "tab/frmBrowser.h"
#include "widgets/Forms.h"

namespace PopupDecision {

Step decide(const QString &popupMode, qint16 openTabs, Burst burst, bool userInitiated)
{
    const PopupPolicy policy = popupPolicy(popupMode);
    if (policy == PopupPolicy::Block)
        return Step::Refuse;
    // While the burst's box is on screen its answer is not known, and a
    // second box is what a burst may not raise.
    if (burst == Burst::Waiting)
        return Step::Refuse;
    const bool full = openTabs >= Module1::TabLimit;
    if (userInitiated || burst == Burst::Fresh) {
        if (full)
            return Step::TellLimit;
        return policy == PopupPolicy::Ask ? Step::Ask : Step::Open;
    }
    if (burst == Burst::AfterYes && !full)
        return Step::Open;
    return Step::Refuse;
}

Burst after(Burst burst, Step step, MessageBox::Answer answer)
{
    switch (step) {
    case Step::TellLimit:
        return Burst::AfterRefusal;
    case Step::Ask:
        return answer == MessageBox::Yes ? Burst::AfterYes : Burst::AfterRefusal;
    case Step::Refuse:
    case Step::Open:
        break;
    }
    return burst;
}

} // namespace PopupDecision

using namespace PopupDecision;

PopupInterceptor::PopupInterceptor(frmBrowser &tab, WebBrowser *browser, const TabHost &host)
    : m_tab(tab)
    , m_browser(browser)
    , m_host(host)
{
    // The handler may outlive this object inside a wait of the control's.
    m_browser->setNewWindowHandler([self = QPointer(this)](NewWindowRequest &request) {
        if (self)
            self->NewWindow2(request);
        else
            request.Cancel = true;
    });
    m_host.platform.userActions->watch(&tab, this);
}

PopupInterceptor::~PopupInterceptor()
{
    m_host.platform.userActions->forget(this);
    if (m_browser)
        m_browser->setNewWindowHandler({});
}

void PopupInterceptor::userActed()
{
    if (m_burst != Burst::Waiting)
        m_burst = Burst::Fresh;
    // The control's own questions go by the same bursts.
    if (m_browser)
        m_browser->userActed();
}

void PopupInterceptor::NewWindow2(NewWindowRequest &request)
{
    Forms &forms = *m_host.platform.forms;
    const Step step
        = decide(Module1::PopupMode, Module1::CountTabs(forms), m_burst, request.userInitiated);
    MessageBox::Answer answer = MessageBox::Ok;
    if (step == Step::TellLimit || step == Step::Ask) {
        const Burst burst = m_burst;
        m_burst = Burst::Waiting;
        // The box waits for its answer while other events go on: this tab,
        // or the main window with every tab, may close meanwhile.
        const QPointer<PopupInterceptor> self(this);
        answer = m_host.platform.messageBox->show(
            step == Step::Ask
                ? MessageBox::Request {QuestionText.toString(), QuestionTitle.toString(),
                                       MessageBox::Icon::Information, MessageBox::Buttons::YesNo}
                : MessageBox::Request {LimitText.toString(), LimitTitle.toString(),
                                       MessageBox::Icon::Information, MessageBox::Buttons::Ok});
        if (!self || !forms.isLoaded(&m_tab)) {
            request.Cancel = true;
            return;
        }
        m_burst = after(burst, step, answer);
    }
    const bool open = step == Step::Open || (step == Step::Ask && answer == MessageBox::Yes);
    // The question does not hold the other tabs back: they may have filled
    // the strip while it was on screen, and a popup never makes the 17th tab.
    if (!open || Module1::CountTabs(forms) >= Module1::TabLimit) {
        request.Cancel = true;
        return;
    }
    openInNewTab(request);
}

void PopupInterceptor::openInNewTab(NewWindowRequest &request)
{
    // A tab outside a main window has no strip to put another tab on.
    frmBrowser *popup = m_host.area && m_host.main ? m_host.main->tabForNewWindow() : nullptr;
    if (!popup) {
        request.Cancel = true;
        return;
    }
    Forms &forms = *m_host.platform.forms;
    request.Cancel = false;
    // The new tab loads before it has an ID: it shows, reads the settings
    // and asks for its start address, which the popup's content replaces.
    popup->Load();
    popup->browser()->setRegisterAsBrowser(true);
    request.ppDisp = popup->browser();
    popup->setID(Module1::NextTabID(forms));
    popup->Show();
    // Unlike a tab opened from the menu, it is not the main window's LastTab.
    TabOpening::addToStrip(forms, *popup);
}
