#pragma once

#include "platform/BrowserPrompter.h"

class QDialog;

// The control's questions as French dialogs over the tab's view. None of
// them is modal: each waits in an event loop of its own, which ends when the
// user answers, when the view goes (its dialog goes with it) or when the
// program quits, so the menus, the other tabs, Ctrl+Q and closing the main
// window keep working while one is up. Whatever ends a dialog but its
// accepting button answers "no".
//
// Dialogs waiting at the same time end in the reverse order of their
// opening: one answered while a later one is still up hands its answer back
// once that later one has ended.
class DialogBrowserPrompter : public BrowserPrompter
{
public:
    std::optional<Credentials> credentials(QWidget *over,
                                           const CredentialsRequest &request) override;
    bool certificateError(QWidget *over, const CertificateRequest &request) override;
    bool permission(QWidget *over, const PermissionRequest &request) override;
    QString saveLocation(QWidget *over, const SaveRequest &request) override;
    bool multipleDownloads(QWidget *over, const QUrl &site) override;
    ScriptAnswer scriptDialog(QWidget *over, const ScriptDialog &dialog) override;

    // How a site is named in the questions: its host, and its port when it
    // is not the scheme's own; the address itself when it has no host.
    static QString siteName(const QUrl &site);
    // What a permission lets the site do, as the questions say it.
    static QString permissionText(Permission permission);

    // Shows the dialog without blocking any other window and waits for it
    // to end. True when it was accepted; false when it was rejected,
    // destroyed, or the wait was ended by the program quitting.
    static bool wait(QDialog *dialog);
};
