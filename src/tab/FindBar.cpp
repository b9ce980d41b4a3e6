#include "FindBar.h"

#include "platform/WebBrowser.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QToolButton>

namespace {

QToolButton *button(QWidget *parent, const QString &text, const QString &tip)
{
    auto *result = new QToolButton(parent);
    result->setText(text);
    result->setToolTip(tip);
    result->setAccessibleName(tip);
    result->setAutoRaise(true);
    return result;
}

} // namespace

FindBar::FindBar(QWidget *tab, WebBrowser *browser)
    : QWidget(tab)
    , m_browser(browser)
    , m_edit(new QLineEdit(this))
    , m_result(new QLabel(this))
{
    setObjectName(QStringLiteral("findBar"));
    setAutoFillBackground(true);
    setFocusProxy(m_edit);
    m_edit->setObjectName(QStringLiteral("findText"));
    m_edit->setPlaceholderText(QStringLiteral("Rechercher dans la page"));
    m_edit->setAccessibleName(QStringLiteral("Rechercher dans la page"));
    m_edit->setMinimumWidth(180);
    m_edit->installEventFilter(this);
    m_result->setObjectName(QStringLiteral("findResult"));

    QToolButton *previous = button(this, QStringLiteral("▲"), QStringLiteral("Précédent"));
    QToolButton *next = button(this, QStringLiteral("▼"), QStringLiteral("Suivant"));
    QToolButton *close = button(this, QStringLiteral("✕"), QStringLiteral("Fermer"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    layout->addWidget(m_edit);
    layout->addWidget(m_result);
    layout->addWidget(previous);
    layout->addWidget(next);
    layout->addWidget(close);
    hide();

    connect(m_edit, &QLineEdit::textEdited, this, [this] { find(false); });
    connect(previous, &QToolButton::clicked, this, [this] { find(true); });
    connect(next, &QToolButton::clicked, this, [this] { find(false); });
    connect(close, &QToolButton::clicked, this, &FindBar::dismiss);
    auto *again = new QShortcut(QKeySequence::FindNext, this, nullptr, nullptr,
                                Qt::WidgetWithChildrenShortcut);
    connect(again, &QShortcut::activated, this, [this] { find(false); });
    auto *back = new QShortcut(QKeySequence::FindPrevious, this, nullptr, nullptr,
                               Qt::WidgetWithChildrenShortcut);
    connect(back, &QShortcut::activated, this, [this] { find(true); });

    // The bar follows the page's place as the tab lays out.
    if (browser)
        browser->widget()->installEventFilter(this);
}

void FindBar::open()
{
    place();
    show();
    raise();
    m_edit->setFocus(Qt::ShortcutFocusReason);
    m_edit->selectAll();
}

void FindBar::dismiss()
{
    hide();
    m_result->clear();
    if (!m_browser)
        return;
    m_browser->FindText(QString(), false, {});
    m_browser->widget()->setFocus(Qt::OtherFocusReason);
}

QString FindBar::resultText() const
{
    return m_result->text();
}

void FindBar::find(bool backward)
{
    if (!m_browser)
        return;
    const QString text = m_edit->text();
    if (text.isEmpty())
        m_result->clear();
    const QPointer<FindBar> self(this);
    m_browser->FindText(text, backward, [self, text](int active, int matches) {
        // A result that comes for an older text is not this one's.
        if (!self || self->m_edit->text() != text || text.isEmpty())
            return;
        self->m_result->setText(matches == 0
                                    ? QStringLiteral("Aucun résultat")
                                    : QStringLiteral("%1 sur %2").arg(active).arg(matches));
    });
}

void FindBar::place()
{
    if (!m_browser)
        return;
    const QRect page = m_browser->widget()->geometry();
    adjustSize();
    const int width = qMin(sizeHint().width(), page.width());
    setGeometry(page.right() + 1 - width, page.bottom() + 1 - sizeHint().height(), width,
                sizeHint().height());
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    // Escape and Enter are the bar's while it has the focus, whatever
    // shortcut the tab gives them.
    if (watched == m_edit && event->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter)
            event->accept();
    } else if (watched == m_edit && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape) {
            dismiss();
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            find(key->modifiers() & Qt::ShiftModifier);
            return true;
        }
    } else if (m_browser && watched == m_browser->widget()
               && (event->type() == QEvent::Resize || event->type() == QEvent::Move)
               && isVisible()) {
        place();
    }
    return QWidget::eventFilter(watched, event);
}
