#include "DialogBrowserPrompter.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <memory>

namespace {

// The keys of the window the view is in (its own actions, such as Ctrl+Q)
// also act while the dialog has the focus.
void shareWindowKeys(QWidget *over, QWidget *dialog)
{
    if (!over)
        return;
    const QList<QAction *> actions
        = over->window()->findChildren<QAction *>(Qt::FindDirectChildrenOnly);
    for (QAction *action : actions) {
        if (!action->shortcut().isEmpty() && action->shortcutContext() == Qt::WindowShortcut)
            dialog->addAction(action);
    }
}

// A dialog over the view (a window of its own, placed over the view's
// window), which goes with the view.
QDialog *newDialog(QWidget *over, const QString &title)
{
    auto *dialog = new QDialog(over);
    dialog->setObjectName(QStringLiteral("browserQuestion"));
    dialog->setWindowTitle(title);
    dialog->setWindowModality(Qt::NonModal);
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    shareWindowKeys(over, dialog);
    return dialog;
}

QLabel *textLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

// An accepting and a refusing button; the refusing one is the default when
// refuseByDefault, and Escape always refuses.
QDialogButtonBox *buttons(QDialog *dialog, const QString &accept, const QString &refuse,
                          bool refuseByDefault)
{
    auto *box = new QDialogButtonBox(dialog);
    QPushButton *yes = box->addButton(accept, QDialogButtonBox::AcceptRole);
    yes->setObjectName(QStringLiteral("accept"));
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    if (refuse.isEmpty()) {
        yes->setDefault(true);
        return box;
    }
    QPushButton *no = box->addButton(refuse, QDialogButtonBox::RejectRole);
    no->setObjectName(QStringLiteral("refuse"));
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    (refuseByDefault ? no : yes)->setDefault(true);
    (refuseByDefault ? no : yes)->setFocus();
    return box;
}

// A question with a text and two buttons, refused by default.
bool ask(QWidget *over, const QString &title, const QString &text, const QString &accept,
         const QString &refuse)
{
    QPointer<QDialog> dialog = newDialog(over, title);
    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(textLabel(text, dialog));
    layout->addWidget(buttons(dialog, accept, refuse, true));
    const bool accepted = DialogBrowserPrompter::wait(dialog);
    delete dialog;
    return accepted;
}

} // namespace

bool DialogBrowserPrompter::wait(QDialog *dialog)
{
    QPointer<QDialog> guard(dialog);
    QEventLoop loop;
    QObject::connect(dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    QObject::connect(dialog, &QObject::destroyed, &loop, &QEventLoop::quit);
    dialog->show();
    dialog->activateWindow();
    // QCoreApplication::exit ends this loop as it ends every running one.
    loop.exec();
    if (!guard)
        return false;
    const bool accepted = guard->isVisible() ? false : guard->result() == QDialog::Accepted;
    guard->hide();
    return accepted;
}

QString DialogBrowserPrompter::siteName(const QUrl &site)
{
    if (site.host().isEmpty())
        return site.toDisplayString();
    const int port = site.port();
    const bool ownPort = port < 0 || (site.scheme() == QLatin1String("http") && port == 80)
        || (site.scheme() == QLatin1String("https") && port == 443);
    return ownPort ? site.host() : QStringLiteral("%1:%2").arg(site.host()).arg(port);
}

QString DialogBrowserPrompter::permissionText(Permission permission)
{
    switch (permission) {
    case Permission::Location:
        return QStringLiteral("connaître votre position");
    case Permission::Camera:
        return QStringLiteral("utiliser votre caméra");
    case Permission::Microphone:
        return QStringLiteral("utiliser votre micro");
    case Permission::CameraAndMicrophone:
        return QStringLiteral("utiliser votre caméra et votre micro");
    case Permission::Notifications:
        return QStringLiteral("vous envoyer des notifications");
    case Permission::ScreenSharing:
        return QStringLiteral("partager votre écran");
    case Permission::Clipboard:
        return QStringLiteral("lire et modifier le presse-papiers");
    case Permission::MouseLock:
        return QStringLiteral("verrouiller le pointeur de la souris");
    }
    return QString();
}

std::optional<BrowserPrompter::Credentials>
DialogBrowserPrompter::credentials(QWidget *over, const CredentialsRequest &request)
{
    const QString site = siteName(request.site);
    QString text = request.proxy
        ? QStringLiteral(
              "Le serveur mandataire %1 demande un nom d'utilisateur et un mot de passe.")
              .arg(site)
        : QStringLiteral("Le site %1 demande un nom d'utilisateur et un mot de passe.").arg(site);
    if (!request.realm.isEmpty())
        text += QStringLiteral("\nLe site indique : « %1 »").arg(request.realm);

    QPointer<QDialog> dialog = newDialog(over, QStringLiteral("Authentification requise"));
    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(textLabel(text, dialog));
    auto *form = new QFormLayout;
    auto *user = new QLineEdit(dialog);
    user->setObjectName(QStringLiteral("user"));
    auto *password = new QLineEdit(dialog);
    password->setObjectName(QStringLiteral("password"));
    password->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("&Nom d'utilisateur :"), user);
    form->addRow(QStringLiteral("&Mot de passe :"), password);
    layout->addLayout(form);
    layout->addWidget(
        buttons(dialog, QStringLiteral("Se connecter"), QStringLiteral("Annuler"), false));
    user->setFocus();

    std::optional<Credentials> answer;
    if (wait(dialog))
        answer = Credentials {user->text(), password->text()};
    delete dialog;
    return answer;
}

bool DialogBrowserPrompter::certificateError(QWidget *over, const CertificateRequest &request)
{
    return ask(over, QStringLiteral("Certificat non valide"),
               QStringLiteral("Le certificat présenté par %1 n'est pas valide :\n%2\n\n"
                              "Un tiers pourrait se faire passer pour ce site, ou lire ce que "
                              "vous échangez avec lui. Continuer vers ce site quand même ?")
                   .arg(request.host, request.error),
               QStringLiteral("&Continuer"), QStringLiteral("&Ne pas continuer"));
}

bool DialogBrowserPrompter::permission(QWidget *over, const PermissionRequest &request)
{
    return ask(over, QStringLiteral("Autorisation demandée"),
               QStringLiteral("Le site %1 demande à %2.")
                   .arg(siteName(request.site), permissionText(request.permission)),
               QStringLiteral("&Autoriser"), QStringLiteral("&Refuser"));
}

QString DialogBrowserPrompter::saveLocation(QWidget *over, const SaveRequest &request)
{
    QPointer<QFileDialog> dialog = new QFileDialog(over, QStringLiteral("Enregistrer sous"));
    dialog->setObjectName(QStringLiteral("browserQuestion"));
    dialog->setWindowModality(Qt::NonModal);
    shareWindowKeys(over, dialog);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->selectFile(request.proposedPath);
    QString path;
    if (wait(dialog))
        path = dialog->selectedFiles().value(0);
    delete dialog;
    return path;
}

bool DialogBrowserPrompter::multipleDownloads(QWidget *over, const QUrl &site)
{
    return ask(over, QStringLiteral("Téléchargements multiples (%1)").arg(siteName(site)),
               QStringLiteral("Ce site essaie de télécharger plusieurs fichiers. L'autoriser ?"),
               QStringLiteral("&Autoriser"), QStringLiteral("&Refuser"));
}

BrowserPrompter::ScriptAnswer DialogBrowserPrompter::scriptDialog(QWidget *over,
                                                                  const ScriptDialog &request)
{
    const QString site = siteName(request.site);
    const bool leaving = request.kind == ScriptDialogKind::BeforeUnload;
    QPointer<QDialog> dialog = newDialog(over,
                                         leaving ? QStringLiteral("Quitter la page ?")
                                                 : QStringLiteral("La page %1 indique").arg(site));
    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(textLabel(
        leaving ? QStringLiteral("La page %1 demande de confirmer que vous voulez la quitter. "
                                 "Les modifications que vous y avez faites pourraient ne pas "
                                 "être enregistrées.")
                      .arg(site)
                : request.text,
        dialog));
    QLineEdit *value = nullptr;
    if (request.kind == ScriptDialogKind::Prompt) {
        value = new QLineEdit(request.defaultValue, dialog);
        value->setObjectName(QStringLiteral("value"));
        layout->addWidget(value);
    }
    QCheckBox *stop = nullptr;
    if (request.offerToStop) {
        stop = new QCheckBox(
            QStringLiteral("Empêcher cette page d'ouvrir d'autres boîtes de dialogue"), dialog);
        stop->setObjectName(QStringLiteral("stopDialogs"));
        layout->addWidget(stop);
    }
    switch (request.kind) {
    case ScriptDialogKind::Alert:
        layout->addWidget(buttons(dialog, QStringLiteral("OK"), QString(), false));
        break;
    case ScriptDialogKind::Confirm:
    case ScriptDialogKind::Prompt:
        layout->addWidget(buttons(dialog, QStringLiteral("OK"), QStringLiteral("Annuler"), false));
        break;
    case ScriptDialogKind::BeforeUnload:
        layout->addWidget(buttons(dialog, QStringLiteral("&Quitter la page"),
                                  QStringLiteral("&Rester sur la page"), true));
        break;
    }
    if (value)
        value->setFocus();

    ScriptAnswer answer;
    answer.accepted = wait(dialog);
    if (dialog) {
        if (answer.accepted && value)
            answer.value = value->text();
        // The check box holds whichever way the dialog ended.
        answer.stopDialogs = stop && stop->isChecked();
    }
    delete dialog;
    return answer;
}
