#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

class QWidget;
class WebBrowser;

// What a page asks for when it wants a new window. The control's NewWindow2
// handler either sets Cancel, or leaves it false and points ppDisp at the
// browser that receives the new window's content.
struct NewWindowRequest
{
    QUrl url;                     // what the new window is to show (may be empty)
    bool userInitiated = false;   // raised by a click or key in the page
    WebBrowser *ppDisp = nullptr; // out: the browser that takes the window
    bool Cancel = false;          // out: true drops the window
};

// Where one of the page's downloads stands, as the control reports it.
struct DownloadReport
{
    enum class State { Running, Done, Failed, Cancelled };

    QString fileName; // the name it is saved under
    QString path;     // the file's full path
    qint64 received = 0;
    qint64 total = -1; // 0 or below: not known
    State state = State::Running;

    friend bool operator==(const DownloadReport &, const DownloadReport &) = default;
};

// The web browser control a tab drives. A tab knows the engine only through
// this interface: the program gets WebEngineBrowser, the tests a fake.
class WebBrowser : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~WebBrowser() override = default;

    // The control's window, placed and sized by the tab.
    virtual QWidget *widget() = 0;

    // Starts loading the text as a user would type it and returns at once.
    // An empty text does nothing; a text the control cannot use as an
    // address is not reported to the caller, but the control shows a page
    // that says so, loaded as any other.
    virtual void Navigate(const QString &address) = 0;
    virtual void GoBack() = 0;
    virtual void GoForward() = 0;
    virtual void Refresh() = 0;
    // Stops the navigation under way; when none is, cancels the downloads
    // the page asked for that still run.
    virtual void Stop() = 0;

    // True from the start of a navigation until it has ended.
    virtual bool Busy() const = 0;
    // The page title, or its address when it has none.
    virtual QString LocationName() const = 0;
    virtual QString LocationURL() const = 0;

    // Finds the text in the page, after the match shown or before it, and
    // highlights every match; an empty text ends the highlighting. The
    // result, when given, tells which match is shown (from 1; 0 for none)
    // and how many there are.
    using FindResult = std::function<void(int active, int matches)>;
    virtual void FindText(const QString &text, bool backward, FindResult result) = 0;
    // The page's zoom: 1 at its natural size.
    virtual qreal ZoomFactor() const = 0;
    virtual void SetZoomFactor(qreal factor) = 0;

    // The user clicked or typed in the tab: the page's run of requests that
    // may each raise a question (downloads, sign-ins, certificates) is over,
    // and the next one may ask again.
    virtual void userActed() = 0;

    // Marks the control as one that may take a new window's content.
    virtual void setRegisterAsBrowser(bool registered) = 0;
    virtual bool RegisterAsBrowser() const = 0;

    // The NewWindow2 event: raised, and answered, before the control opens
    // a new window. The control reads the request back once the handler
    // returns, so there is one handler, which the tab installs; without one,
    // every new window is dropped. The handler may wait in a modal question,
    // during which the control, its page or its tab may be closed.
    using NewWindowHandler = std::function<void(NewWindowRequest &request)>;
    void setNewWindowHandler(NewWindowHandler handler) { m_newWindowHandler = std::move(handler); }
    bool hasNewWindowHandler() const { return bool(m_newWindowHandler); }

Q_SIGNALS:
    void StatusTextChange(const QString &text);
    // Progress -1 means the download is over; ProgressMax may be 0.
    void ProgressChange(qint32 progress, qint32 progressMax);
    void DownloadComplete();
    // A download of the page has come on, or has ended.
    void DownloadChange(const DownloadReport &report);

protected:
    // Hands the request to the handler; a request nobody handles is
    // cancelled. The handler runs from a copy, so that it may replace or
    // remove itself, or see the control deleted, while it runs.
    void raiseNewWindow2(NewWindowRequest &request)
    {
        const NewWindowHandler handler = m_newWindowHandler;
        if (handler)
            handler(request);
        else
            request.Cancel = true;
    }

private:
    NewWindowHandler m_newWindowHandler;
};
