#include "widgets/FormDialog.h"

#include "widgets/Forms.h"
#include "widgets/Twips.h"

#include <QCloseEvent>

FormDialog::FormDialog(Forms *forms, QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                  | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , m_forms(forms)
{
    setModal(false);
}

void FormDialog::Show()
{
    const bool loading = !m_forms->isLoaded(this);
    if (loading) {
        m_forms->load(this, [this] { hide(); });
        Load();
    }
    // Loading sets texts, and the desktop's font may have changed since the
    // last opening: the controls grow to what their captions need now.
    Twips::fit(this);
    show();
    if (loading)
        shownLoaded();
    else
        raise();
    activateWindow();
}

void FormDialog::Unload()
{
    if (m_forms->isLoaded(this))
        m_forms->unload(this);
    else
        hide();
}

void FormDialog::closeEvent(QCloseEvent *event)
{
    event->ignore();
    Unload();
}

void FormDialog::reject()
{
    Unload();
}
