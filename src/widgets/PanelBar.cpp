#include "PanelBar.h"

#include "widgets/Twips.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>

#include <memory>
#include <utility>

namespace {

// The label that shows a panel owns it: the panel lives exactly as long as
// what it is shown on, however late a removed label is deleted.
class PanelLabel : public QLabel
{
public:
    using QLabel::QLabel;
    std::unique_ptr<::Panel> panel;
};

#if QT_CONFIG(accessibility)
// A plain widget is reported as a client area; a bar of panels is a status
// bar. Asked for the class itself only, so that a subclass may still get an
// interface of its own.
QAccessibleInterface *accessibleBar(const QString &className, QObject *object)
{
    if (className != QLatin1String(PanelBar::staticMetaObject.className()))
        return nullptr;
    auto *bar = qobject_cast<PanelBar *>(object);
    return bar ? new QAccessibleWidget(bar, QAccessible::StatusBar) : nullptr;
}

// A panel is a label that assistive technology can also press, as the
// mouse clicks it: on the tab strip, that is how a screen-reader user
// switches tabs.
class AccessiblePanel : public QAccessibleWidget
{
public:
    explicit AccessiblePanel(PanelLabel *label)
        : QAccessibleWidget(label, QAccessible::StaticText)
    {
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &actionName) override
    {
        auto *label = static_cast<PanelLabel *>(widget());
        auto *bar = qobject_cast<PanelBar *>(label->parentWidget());
        if (actionName == pressAction() && bar && bar->panels().contains(label->panel.get()))
            Q_EMIT bar->PanelClick(label->panel.get());
    }
};

QAccessibleInterface *accessiblePanel(const QString &className, QObject *object)
{
    if (className != QLatin1String("QLabel"))
        return nullptr;
    auto *label = dynamic_cast<PanelLabel *>(object);
    return label ? new AccessiblePanel(label) : nullptr;
}
#endif

} // namespace

Panel::Panel(PanelBar *bar, QLabel *label)
    : m_bar(bar)
    , m_label(label)
    , m_width(bar->minimumPanelWidth())
{
}

void Panel::setText(const QString &text)
{
    m_text = text;
    m_bar->refresh(this);
}

int Panel::index() const
{
    return int(m_bar->m_panels.indexOf(this)) + 1;
}

bool Panel::setWidth(float twips)
{
    if (twips < 0)
        return false;
    m_width = std::max(twips, m_bar->minimumPanelWidth());
    m_bar->relayout();
    return true;
}

void Panel::setBevel(Bevel bevel)
{
    m_bevel = bevel;
    m_bar->refresh(this);
}

void Panel::setAlignment(Alignment alignment)
{
    m_alignment = alignment;
    m_bar->refresh(this);
}

PanelBar::PanelBar(QWidget *parent)
    : QWidget(parent)
{
#if QT_CONFIG(accessibility)
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(accessibleBar);
        QAccessible::installFactory(accessiblePanel);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
#endif
}

PanelBar::~PanelBar()
{
    // Each label takes its panel with it. The labels of removed panels, still
    // waiting for the event loop, go with the bar's other children.
    const QList<Panel *> panels = std::exchange(m_panels, {});
    for (Panel *panel : panels)
        delete panel->m_label;
}

Panel *PanelBar::panel(int index) const
{
    return index >= 1 && index <= count() ? m_panels.at(index - 1) : nullptr;
}

Panel *PanelBar::add(int index)
{
    if (index < 1 || index > count() + 1)
        return nullptr;
    auto *label = new PanelLabel(this);
    // Page titles end up here: never let one be read as markup.
    label->setTextFormat(Qt::PlainText);
    label->installEventFilter(this);
    label->panel.reset(new ::Panel(this, label));
    Panel *panel = label->panel.get();
    m_panels.insert(index - 1, panel);
    refresh(panel);
    label->show();
    relayout();
    return panel;
}

void PanelBar::remove(int index)
{
    Panel *panel = this->panel(index);
    if (!panel)
        return;
    m_panels.removeAt(index - 1);
    // The caller may be a slot handling this very label's mouse event: the
    // label, and with it the panel, must outlive that event.
    QLabel *label = panel->label();
    label->removeEventFilter(this);
    label->hide();
    label->deleteLater();
    relayout();
}

void PanelBar::setInsetPanelDescription(const QString &description)
{
    m_insetPanelDescription = description;
    for (Panel *panel : std::as_const(m_panels))
        refresh(panel);
}

void PanelBar::setHeightTwips(int twips)
{
    setFixedHeight(Twips::toPixels(twips, Twips::perPixel(this)));
}

void PanelBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    relayout();
}

bool PanelBar::eventFilter(QObject *watched, QEvent *event)
{
    Panel *panel = panelOf(watched);
    if (!panel)
        return QWidget::eventFilter(watched, event);
    // A slot may remove the panel it is handed: once a signal is emitted,
    // neither the panel nor its label is looked at again.
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        m_afterDoubleClick = false;
        return true;
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        // The release that ends a double click is not another click.
        const bool click = mouse->button() == Qt::LeftButton && !m_afterDoubleClick
            && panel->label()->rect().contains(mouse->position().toPoint());
        m_afterDoubleClick = false;
        if (click)
            Q_EMIT PanelClick(panel);
        return true;
    }
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            m_afterDoubleClick = true;
            Q_EMIT PanelDblClick(panel);
        }
        return true;
    case QEvent::Resize:
        refresh(panel);
        return false;
    default:
        return false;
    }
}

void PanelBar::relayout()
{
    const double perPixel = Twips::perPixel(this);
    int x = 0;
    for (Panel *panel : std::as_const(m_panels)) {
        const int width = Twips::toPixels(panel->width(), perPixel);
        panel->label()->setGeometry(x, 0, width, height());
        x += width;
    }
}

void PanelBar::refresh(Panel *panel)
{
    QLabel *label = panel->label();
    static constexpr int frames[]
        = {QFrame::NoFrame, QFrame::Panel | QFrame::Sunken, QFrame::Panel | QFrame::Raised};
    label->setFrameStyle(frames[int(panel->bevel())]);
    static constexpr Qt::Alignment horizontal[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    label->setAlignment(horizontal[int(panel->alignment())] | Qt::AlignVCenter);

    const int room = label->contentsRect().width() - 2 * label->margin() - label->indent();
    const QString shown = room > 0
        ? label->fontMetrics().elidedText(panel->text(), Qt::ElideRight, room)
        : QString();
    label->setText(shown);
    label->setToolTip(shown == panel->text() ? QString() : panel->text());
    label->setAccessibleName(panel->text());
    label->setAccessibleDescription(panel->bevel() == Panel::Bevel::Inset ? m_insetPanelDescription
                                                                          : QString());
}

Panel *PanelBar::panelOf(const QObject *label) const
{
    for (Panel *panel : m_panels) {
        if (panel->label() == label)
            return panel;
    }
    return nullptr;
}
