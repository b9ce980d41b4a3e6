#pragma once

#include <QString>

class Forms;
class Panel;

// The tab registry: the routines that find, count, mark and remove tabs,
// and the program-wide values beside them. The registry keeps no list of
// its own: the open tabs are the loaded tab windows, the tab strip is the
// panels of the main window's status bar, and every routine walks one of
// them afresh. Each is given the program's collection of loaded windows,
// where it finds both. A tab's panel is keyed with its ID in decimal; keys
// compare as text, IDs as numbers.
namespace Module1 {

// The popup mode as last read from the settings or applied in the Options
// dialog; empty until then.
extern QString PopupMode;
// The number of tab-strip panels as last counted by the main window's
// Resizz.
extern qint16 PanelCount;

// At most this many tabs are open at once.
inline constexpr qint16 TabLimit = 16;

// The last panel whose key equals the key, or nullptr.
Panel *GetTabPanel(const Forms &forms, const QString &key);
// Removes the panel GetTabPanel finds; nothing when there is none.
void RemoveTabPanel(const Forms &forms, const QString &key);
// Unloads the last loaded tab with that ID; nothing when there is none.
void UnloadTabByID(Forms &forms, qint16 id);
// Draws every panel raised, then the panels with the key inset.
void SelectTabPanel(const Forms &forms, const QString &key);
// The largest open tab ID, or 0 when no tab is open.
qint16 MaxTabID(const Forms &forms);
// The number of open tabs.
qint16 CountTabs(const Forms &forms);
// The ID for a new tab: one above the largest open ID, or, where that would
// pass 32767, the smallest ID from 1 up that no open tab has.
qint16 NextTabID(const Forms &forms);

} // namespace Module1
