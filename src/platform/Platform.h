#pragma once

#include "storage/ProgramFolder.h"

#include <functional>

class Forms;
class Icons;
class Launcher;
class MessageBox;
class Registry;
class QWidget;
class UserActions;
class VisitedHistory;
class WebBrowser;

// What the program's windows need of the machine they run on, and what they
// share for the whole run, handed down from the program's set-up (Program,
// or a test) instead of being looked up globally. Each piece outlives every
// window.
struct Platform
{
    // Where the program keeps its two files.
    ProgramFolder folder;
    // Makes the web browser control of a tab, as a child of the given widget.
    std::function<WebBrowser *(QWidget *parent)> createBrowser;
    // The same for a tab made for a page's new window, whose content
    // replaces the control's page: a control whose page has never loaded.
    // When empty, createBrowser makes it.
    std::function<WebBrowser *(QWidget *parent)> createWindowBrowser = {};
    // The program's loaded windows.
    Forms *forms = nullptr;
    MessageBox *messageBox = nullptr;
    Launcher *launcher = nullptr;
    Registry *registry = nullptr;
    // The images every window draws from.
    Icons *icons = nullptr;
    // The address history every tab fills its address list from.
    VisitedHistory *history = nullptr;
    // What tells each tab of its user's clicks and keys.
    UserActions *userActions = nullptr;
};
