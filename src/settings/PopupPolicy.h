#pragma once

#include <QString>

// What a page's request for a new window leads to, by the popup mode held
// in the settings: "1" blocks, "2" asks, anything else allows. The mode is
// compared as a number, so " 01" blocks too and a text that is no number
// allows.
enum class PopupPolicy { Block, Ask, Allow };

PopupPolicy popupPolicy(const QString &popupMode);
