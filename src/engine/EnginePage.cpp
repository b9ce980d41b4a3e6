#include "engine/EnginePage.h"

#include "engine/DownloadKeeper.h"

#include <QCoreApplication>
#include <QWebEngineCertificateError>
#include <QWebEngineView>

namespace {

// Three dialogs in a row, each asked within a second of the end of the one
// before, and the third offers to stop the page's dialogs.
constexpr int DialogsBeforeStopOffered = 3;
constexpr qint64 DialogRowGapMs = 1000;

} // namespace

EnginePage::EnginePage(QWebEngineProfile *profile, QWebEngineView *view, BrowserPrompter *prompter)
    : QWebEnginePage(profile, view)
    , m_view(view)
    , m_prompter(prompter)
{
    answerRequests();
}

EnginePage::Kept::Kept(EnginePage *page)
    : m_page(page)
{
    ++m_page->m_callsUnderWay;
}

EnginePage::Kept::~Kept()
{
    if (!m_page)
        return;
    --m_page->m_callsUnderWay;
    if (m_page->m_browserGone && m_page->m_callsUnderWay == 0) {
        if (!DownloadKeeper::letGo(m_page))
            m_page->deleteLater();
    }
}

std::shared_ptr<void> EnginePage::keepWhileAsking()
{
    return std::make_shared<Kept>(this);
}

void EnginePage::browserGone()
{
    m_browserGone = true;
    m_answering.reset();
    if (m_callsUnderWay > 0)
        setParent(nullptr);
    else
        DownloadKeeper::letGo(this);
}

void EnginePage::userActed()
{
    m_signInBurst.userActed();
    m_certificateBurst.userActed();
}

bool EnginePage::isMainFrame(const QWebEngineCertificateError &error) const
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    return error.isMainFrame();
#else
    // The engine does not say before Qt 6.8: the page's own error is the
    // one for the address its main frame is going to, redirects included.
    return !m_mainFrameTarget.isEmpty()
        && error.url().adjusted(QUrl::RemoveFragment) == m_mainFrameTarget;
#endif
}

QWebEnginePage *EnginePage::createWindow(WebWindowType)
{
    return nullptr;
}

#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
bool EnginePage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (isMainFrame)
        m_mainFrameTarget = url.adjusted(QUrl::RemoveFragment);
    return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}
#endif

void EnginePage::javaScriptAlert(const QUrl &origin, const QString &text)
{
    ask(BrowserPrompter::ScriptDialogKind::Alert, origin, text);
}

bool EnginePage::javaScriptConfirm(const QUrl &origin, const QString &text)
{
    // The engine asks whether a page that wants to be asked first may be
    // left through this same call, with a text of its own.
    const bool leaving = text
        == QCoreApplication::translate("QWebEnginePage",
                                       "Are you sure you want to leave this page? Changes "
                                       "that you made may not be saved.");
    return ask(leaving ? BrowserPrompter::ScriptDialogKind::BeforeUnload
                       : BrowserPrompter::ScriptDialogKind::Confirm,
               origin, leaving ? QString() : text)
        .accepted;
}

bool EnginePage::javaScriptPrompt(const QUrl &origin, const QString &text,
                                  const QString &defaultValue, QString *result)
{
    const BrowserPrompter::ScriptAnswer answer
        = ask(BrowserPrompter::ScriptDialogKind::Prompt, origin, text, defaultValue);
    if (answer.accepted && result)
        *result = answer.value;
    return answer.accepted;
}

BrowserPrompter::ScriptAnswer EnginePage::ask(BrowserPrompter::ScriptDialogKind kind,
                                              const QUrl &origin, const QString &text,
                                              const QString &defaultValue)
{
    // A page left to the engine's wait asks nothing more.
    if (m_browserGone)
        return {};
    BrowserPrompter::ScriptDialog dialog;
    dialog.kind = kind;
    dialog.site = origin;
    dialog.text = text;
    dialog.defaultValue = defaultValue;
    // Unasked, an alert shows nothing, a confirm or a prompt is cancelled,
    // and the page may be left.
    BrowserPrompter::ScriptAnswer unasked;
    unasked.accepted = kind == BrowserPrompter::ScriptDialogKind::BeforeUnload;
    if (!m_prompter || m_dialogsStopped)
        return unasked;

    if (m_sinceLastDialog.isValid() && m_sinceLastDialog.elapsed() < DialogRowGapMs)
        ++m_dialogsInARow;
    else
        m_dialogsInARow = 1;
    dialog.offerToStop = m_dialogsInARow >= DialogsBeforeStopOffered;
    BrowserPrompter::ScriptAnswer answer;
    {
        const Kept kept(this);
        answer = m_prompter->scriptDialog(m_view, dialog);
        if (kept.gone())
            return unasked;
    }
    m_sinceLastDialog.start();
    if (answer.stopDialogs && dialog.offerToStop)
        m_dialogsStopped = true;
    return answer;
}
