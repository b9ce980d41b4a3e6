#pragma once

#include "platform/Platform.h"
#include "widgets/FormDialog.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QTabWidget;

// The Options dialog: the start address and the popup mode of the settings
// file, and the desktop's Internet options. One object serves the whole run:
// closing it (also by its close box or Escape, like "Annuler") unloads its
// window, but the start address it last read stays.
class frmOptions : public FormDialog
{
    Q_OBJECT

public:
    // The popup mode is the program-wide one: the dialog reads it, and
    // applying sets it before the file is written.
    frmOptions(const Platform &platform, QString &popupMode, QWidget *parent = nullptr);
    ~frmOptions() override;

    // The start address as last read from the file by this dialog.
    QString startAddress() const { return m_startAddress; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Load() override;
    // Centres the window on its screen.
    void shownLoaded() override;
    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdAffOptInt_Click();
    void showTabControls(int index);

    Platform m_platform;
    QString &m_popupMode;
    QString m_startAddress;

    QTabWidget *m_tabs;
    QLineEdit *m_address;
    QRadioButton *m_block;
    QRadioButton *m_ask;
    QRadioButton *m_allow;
    QList<QCheckBox *> m_newPage;
    // The controls shown on each tab of the tab control.
    QList<QList<QWidget *>> m_tabControls;
};
