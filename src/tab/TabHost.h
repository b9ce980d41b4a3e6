#pragma once

#include "platform/Platform.h"

class MainWindowOperations;
class QMdiArea;

// Where a tab lives: the main window's child-window area, the main window's
// operations it calls, and the platform it runs on.
struct TabHost
{
    Platform platform;
    QMdiArea *area = nullptr;
    MainWindowOperations *main = nullptr;
};
