#pragma once

#include <QDialog>

class Forms;

// A dialog that is one of the program's loaded windows. One object serves
// the whole run and is not modal: showing it loads it when it is not loaded;
// its close box, Escape or its own closing button unload it, which hides it
// and takes it out of the loaded windows.
class FormDialog : public QDialog
{
    Q_OBJECT

public:
    // Loads the dialog when it is not loaded, then shows it in front.
    void Show();
    // Hides the window and leaves the loaded windows.
    void Unload();

protected:
    FormDialog(Forms *forms, QWidget *parent);

    // What loading does once the dialog has joined the loaded windows:
    // reading what it shows.
    virtual void Load() = 0;
    // The dialog is on screen for the first time since it was loaded.
    virtual void shownLoaded() { }

    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    Forms *m_forms;
};
