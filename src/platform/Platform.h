#pragma once

#include "storage/ProgramFolder.h"

#include <functional>

class Forms;
class Launcher;
class MessageBox;
class Registry;
class QWidget;
class WebBrowser;

// What the program's windows need of the machine they run on, handed down
// from main() (or a test) instead of being looked up globally.
struct Platform
{
    // Where the program keeps its two files.
    ProgramFolder folder;
    // Makes the web browser control of a tab, as a child of the given widget.
    std::function<WebBrowser *(QWidget *parent)> createBrowser;
    // The program's loaded windows; it outlives every window.
    Forms *forms = nullptr;
    MessageBox *messageBox = nullptr;
    Launcher *launcher = nullptr;
    Registry *registry = nullptr;
};
