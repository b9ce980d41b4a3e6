#include "engine/PageActions.h"

#include <QAction>
#include <QChildEvent>
#include <QMenu>
#include <QPointer>
#include <QWebEngineView>

namespace PageActions {

namespace {

// Takes the page's hidden actions out of every context menu that its view
// builds, before the menu shows: an action that is only hidden stays in the
// menu's list, where screen readers still find it under the engine's
// English name.
class ContextMenuTrimmer : public QObject
{
public:
    ContextMenuTrimmer(QWebEnginePage *page, QWidget *view)
        : QObject(view)
        , m_page(page)
    {
        view->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ChildPolished && m_page) {
            if (auto *menu = qobject_cast<QMenu *>(static_cast<QChildEvent *>(event)->child()))
                trim(menu);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void trim(QMenu *menu) const
    {
        for (QAction *action : menu->actions()) {
            for (int i = 0; i < QWebEnginePage::WebActionCount; ++i) {
                const auto which = static_cast<QWebEnginePage::WebAction>(i);
                if (m_page->action(which) == action && !entry(which).visible) {
                    menu->removeAction(action);
                    break;
                }
            }
        }
    }

    QPointer<QWebEnginePage> m_page;
};

} // namespace

Entry entry(QWebEnginePage::WebAction action)
{
    // Hidden: the page source and the developer tools would each need a
    // window of their own, which the program never opens, and a new window
    // is a new tab here, which the menu offers already.
    const Entry hidden {QString(), false};
    switch (action) {
    case QWebEnginePage::NoWebAction:
    case QWebEnginePage::WebActionCount:
        return hidden;
    case QWebEnginePage::Back:
        return {QStringLiteral("Précédent")};
    case QWebEnginePage::Forward:
        return {QStringLiteral("Suivant")};
    case QWebEnginePage::Stop:
        return {QStringLiteral("Arrêter")};
    case QWebEnginePage::Reload:
        return {QStringLiteral("Actualiser")};
    case QWebEnginePage::ReloadAndBypassCache:
        return {QStringLiteral("Actualiser sans le cache")};
    case QWebEnginePage::Cut:
        return {QStringLiteral("Couper")};
    case QWebEnginePage::Copy:
        return {QStringLiteral("Copier")};
    case QWebEnginePage::Paste:
        return {QStringLiteral("Coller")};
    case QWebEnginePage::PasteAndMatchStyle:
        return {QStringLiteral("Coller sans la mise en forme")};
    case QWebEnginePage::Undo:
        return {QStringLiteral("Annuler")};
    case QWebEnginePage::Redo:
        return {QStringLiteral("Rétablir")};
    case QWebEnginePage::SelectAll:
        return {QStringLiteral("Tout sélectionner")};
    case QWebEnginePage::Unselect:
        return {QStringLiteral("Désélectionner")};
    case QWebEnginePage::OpenLinkInThisWindow:
        return {QStringLiteral("Ouvrir le lien ici")};
    case QWebEnginePage::OpenLinkInNewWindow:
        return hidden;
    case QWebEnginePage::OpenLinkInNewTab:
        return {QStringLiteral("Ouvrir le lien dans un nouvel onglet")};
    case QWebEnginePage::OpenLinkInNewBackgroundTab:
        return {QStringLiteral("Ouvrir le lien dans un onglet en arrière-plan")};
    case QWebEnginePage::CopyLinkToClipboard:
        return {QStringLiteral("Copier l'adresse du lien")};
    case QWebEnginePage::DownloadLinkToDisk:
        return {QStringLiteral("Enregistrer la cible du lien sous…")};
    case QWebEnginePage::CopyImageToClipboard:
        return {QStringLiteral("Copier l'image")};
    case QWebEnginePage::CopyImageUrlToClipboard:
        return {QStringLiteral("Copier l'adresse de l'image")};
    case QWebEnginePage::DownloadImageToDisk:
        return {QStringLiteral("Enregistrer l'image sous…")};
    case QWebEnginePage::CopyMediaUrlToClipboard:
        return {QStringLiteral("Copier l'adresse du média")};
    case QWebEnginePage::ToggleMediaControls:
        return {QStringLiteral("Afficher les commandes")};
    case QWebEnginePage::ToggleMediaLoop:
        return {QStringLiteral("Lire en boucle")};
    case QWebEnginePage::ToggleMediaPlayPause:
        return {QStringLiteral("Lecture / Pause")};
    case QWebEnginePage::ToggleMediaMute:
        return {QStringLiteral("Couper / rétablir le son")};
    case QWebEnginePage::DownloadMediaToDisk:
        return {QStringLiteral("Enregistrer le média sous…")};
    case QWebEnginePage::InspectElement:
        return hidden;
    case QWebEnginePage::ExitFullScreen:
        return {QStringLiteral("Quitter le plein écran")};
    case QWebEnginePage::RequestClose:
        return {QStringLiteral("Fermer la page")};
    case QWebEnginePage::SavePage:
        return {QStringLiteral("Enregistrer la page sous…")};
    case QWebEnginePage::ViewSource:
        return hidden;
    case QWebEnginePage::ToggleBold:
        return {QStringLiteral("&Gras")};
    case QWebEnginePage::ToggleItalic:
        return {QStringLiteral("&Italique")};
    case QWebEnginePage::ToggleUnderline:
        return {QStringLiteral("&Souligné")};
    case QWebEnginePage::ToggleStrikethrough:
        return {QStringLiteral("&Barré")};
    case QWebEnginePage::AlignLeft:
        return {QStringLiteral("Aligner à &gauche")};
    case QWebEnginePage::AlignCenter:
        return {QStringLiteral("&Centrer")};
    case QWebEnginePage::AlignRight:
        return {QStringLiteral("Aligner à &droite")};
    case QWebEnginePage::AlignJustified:
        return {QStringLiteral("&Justifier")};
    case QWebEnginePage::Indent:
        return {QStringLiteral("&Augmenter le retrait")};
    case QWebEnginePage::Outdent:
        return {QStringLiteral("&Diminuer le retrait")};
    case QWebEnginePage::InsertOrderedList:
        return {QStringLiteral("Insérer une liste &numérotée")};
    case QWebEnginePage::InsertUnorderedList:
        return {QStringLiteral("Insérer une liste à &puces")};
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    case QWebEnginePage::ChangeTextDirectionLTR:
        return {QStringLiteral("Écrire de gauche à droite")};
    case QWebEnginePage::ChangeTextDirectionRTL:
        return {QStringLiteral("Écrire de droite à gauche")};
#endif
    }
    return {QString()};
}

void apply(QWebEnginePage *page)
{
    for (int i = 0; i < QWebEnginePage::WebActionCount; ++i) {
        const auto action = static_cast<QWebEnginePage::WebAction>(i);
        const Entry made = entry(action);
        QAction *pageAction = page->action(action);
        if (!pageAction)
            continue;
        if (!made.text.isEmpty())
            pageAction->setText(made.text);
        pageAction->setVisible(made.visible);
    }
    if (QWebEngineView *view = QWebEngineView::forPage(page))
        new ContextMenuTrimmer(page, view);
}

} // namespace PageActions
