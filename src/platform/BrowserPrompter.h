#pragma once

#include <QString>
#include <QUrl>

#include <optional>

class QWidget;

// The questions the web browser control puts to the user on a page's behalf:
// credentials, a certificate it cannot trust, a permission, where to save a
// download, a script's dialogs. Each call waits for the answer and returns
// it; a question the user dismisses is answered "no". The program asks with
// real dialogs over the tab, which hold up that page only; tests install an
// answerer in their place.
//
// While a question waits, the page that asked, its tab or the main window may
// be closed: the control that asked must allow for it.
class BrowserPrompter
{
public:
    struct Credentials
    {
        QString user;
        QString password;
    };

    struct CredentialsRequest
    {
        QUrl site;     // the address that asks (for a proxy: the proxy's host)
        QString realm; // as the server names it; may be empty
        bool proxy = false;
    };

    struct CertificateRequest
    {
        QString host;
        QString error; // what is wrong with the certificate, as the engine says it
    };

    enum class Permission {
        Location,
        Camera,
        Microphone,
        CameraAndMicrophone,
        Notifications,
        ScreenSharing,
        Clipboard,
        MouseLock,
    };

    struct PermissionRequest
    {
        QUrl site; // the origin that asks
        Permission permission = Permission::Location;
    };

    struct SaveRequest
    {
        QString proposedPath; // the suggested name in the user's download folder
    };

    enum class ScriptDialogKind { Alert, Confirm, Prompt, BeforeUnload };

    struct ScriptDialog
    {
        ScriptDialogKind kind = ScriptDialogKind::Alert;
        QUrl site; // the page's origin, named in the dialog
        QString text;
        QString defaultValue; // Prompt only
        // Offered after a few dialogs in a row from the same page: a check
        // box that stops that page's further dialogs.
        bool offerToStop = false;
    };

    struct ScriptAnswer
    {
        bool accepted = false; // OK (Alert: always treated as accepted)
        QString value;         // Prompt: the text entered
        bool stopDialogs = false;
    };

    virtual ~BrowserPrompter() = default;

    // `over` is the tab's page view: the dialog is placed over it. Null
    // while no view exists.
    virtual std::optional<Credentials> credentials(QWidget *over, const CredentialsRequest &request)
        = 0;
    // True: go on to the site despite the error.
    virtual bool certificateError(QWidget *over, const CertificateRequest &request) = 0;
    // True: grant it.
    virtual bool permission(QWidget *over, const PermissionRequest &request) = 0;
    // The path to save to; empty: do not save.
    virtual QString saveLocation(QWidget *over, const SaveRequest &request) = 0;
    // True: the site may go on downloading files without asking where each
    // goes (it asked for more than one without the user's doing).
    virtual bool multipleDownloads(QWidget *over, const QUrl &site) = 0;
    virtual ScriptAnswer scriptDialog(QWidget *over, const ScriptDialog &dialog) = 0;
};
