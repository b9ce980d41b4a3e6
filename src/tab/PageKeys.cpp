#include "PageKeys.h"

#include "platform/WebBrowser.h"
#include "tab/FindBar.h"
#include "tab/ToolBarCommands.h"

#include <QComboBox>
#include <QLineEdit>
#include <QShortcut>

#include <algorithm>
#include <array>

namespace ZoomSteps {

namespace {
constexpr std::array Levels {0.25, 0.33, 0.5,  0.67, 0.75, 0.8, 0.9, 1.0, 1.1,
                             1.25, 1.5,  1.75, 2.0,  2.5,  3.0, 4.0, 5.0};
// A factor read back from the engine is not exactly the one set.
constexpr qreal Tolerance = 0.005;
} // namespace

qreal next(qreal current, int direction)
{
    if (direction > 0) {
        const auto *above = std::find_if(Levels.begin(), Levels.end(),
                                         [&](qreal level) { return level > current + Tolerance; });
        return above == Levels.end() ? Levels.back() : *above;
    }
    if (direction < 0) {
        const auto below = std::find_if(Levels.rbegin(), Levels.rend(),
                                        [&](qreal level) { return level < current - Tolerance; });
        return below == Levels.rend() ? Levels.front() : *below;
    }
    return 1.0;
}

} // namespace ZoomSteps

namespace {

QShortcut *shortcut(QWidget &tab, const QList<QKeySequence> &keys)
{
    auto *result = new QShortcut(&tab);
    result->setKeys(keys);
    result->setContext(Qt::WidgetWithChildrenShortcut);
    return result;
}

void focusAndSelect(QComboBox *box)
{
    box->setFocus(Qt::ShortcutFocusReason);
    box->lineEdit()->selectAll();
}

} // namespace

PageKeys::PageKeys(QWidget &tab, QComboBox *address, QComboBox *search, WebBrowser *browser,
                   ToolBarCommands &commands)
    : m_browser(browser)
    , m_findBar(new FindBar(&tab, browser))
    , m_stop(shortcut(tab, {QKeySequence(Qt::Key_Escape)}))
{
    connect(shortcut(tab, {Qt::CTRL | Qt::Key_L, Qt::ALT | Qt::Key_D}), &QShortcut::activated, this,
            [address] { focusAndSelect(address); });
    connect(shortcut(tab, {Qt::CTRL | Qt::Key_K}), &QShortcut::activated, this,
            [search] { focusAndSelect(search); });
    connect(shortcut(tab, {QKeySequence::Find}), &QShortcut::activated, m_findBar, &FindBar::open);
    connect(shortcut(tab, {Qt::CTRL | Qt::Key_Plus, Qt::CTRL | Qt::Key_Equal}),
            &QShortcut::activated, this, [this] { zoom(+1); });
    connect(shortcut(tab, {Qt::CTRL | Qt::Key_Minus}), &QShortcut::activated, this,
            [this] { zoom(-1); });
    connect(shortcut(tab, {Qt::CTRL | Qt::Key_0}), &QShortcut::activated, this,
            [this] { zoom(0); });

    // Escape stops a page while it loads; the rest of the time the page
    // (a dialog of its own, a video in full window) has it.
    m_stop->setEnabled(false);
    connect(browser, &WebBrowser::ProgressChange, m_stop,
            [stop = m_stop](qint32 progress) { stop->setEnabled(progress >= 0); });
    connect(m_stop, &QShortcut::activated, this, [this, &commands] {
        m_stop->setEnabled(false);
        commands.ButtonClick(QStringLiteral("Stop"));
    });
}

void PageKeys::zoom(int direction)
{
    m_browser->SetZoomFactor(ZoomSteps::next(m_browser->ZoomFactor(), direction));
}
