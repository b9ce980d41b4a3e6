#include "support/TabFixture.h"
#include "support/TestPlatform.h"

#include "about/frmAbout.h"
#include "settings/frmOptions.h"
#include "tab/frmBrowser.h"
#include "widgets/PanelBar.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMdiSubWindow>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The size a person needs to see the widget's text whole, when it shows a
// text of its own: empty otherwise.
QSize textSize(const QWidget *widget)
{
    if (const auto *label = qobject_cast<const QLabel *>(widget)) {
        if (label->text().isEmpty())
            return {};
        // A label that wraps its words needs its text's height at its width.
        if (label->wordWrap())
            return {label->width(), label->heightForWidth(label->width())};
        return label->sizeHint();
    }
    if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
        return button->text().isEmpty() ? QSize() : button->sizeHint();
    if (const auto *frame = qobject_cast<const QGroupBox *>(widget))
        return frame->title().isEmpty() ? QSize() : frame->minimumSizeHint();
    if (qobject_cast<const QTabBar *>(widget))
        return widget->sizeHint();
    return {};
}

// Every visible captioned control of the window that is too small for its
// text or runs out of its parent, with its size, its hint and its place.
QStringList cutCaptions(const QWidget *window)
{
    QStringList cut;
    for (const QWidget *widget : window->findChildren<QWidget *>()) {
        // The status bar's panels show what the page says, cut to their
        // width; they are not captions.
        if (!widget->isVisible() || qobject_cast<const PanelBar *>(widget->parentWidget()))
            continue;
        const QSize needed = textSize(widget);
        if (needed.isEmpty())
            continue;
        const QString name = widget->objectName().isEmpty()
            ? QString::fromLatin1(widget->metaObject()->className())
            : widget->objectName();
        if (widget->width() < needed.width() || widget->height() < needed.height())
            cut.append(u"%1 is %2x%3, needs %4x%5"_s.arg(name)
                           .arg(widget->width())
                           .arg(widget->height())
                           .arg(needed.width())
                           .arg(needed.height()));
        const QRect place = widget->geometry();
        if (!widget->parentWidget()->rect().contains(place))
            cut.append(u"%1 at %2,%3 %4x%5 runs out of its parent, %6x%7"_s.arg(name)
                           .arg(place.x())
                           .arg(place.y())
                           .arg(place.width())
                           .arg(place.height())
                           .arg(widget->parentWidget()->width())
                           .arg(widget->parentWidget()->height()));
    }
    return cut;
}

} // namespace

// The dialogs and the tab show every caption whole at the desktop's font
// and at that font scaled to 125 % and 150 %, as a desktop's text scaling
// does it (a scale factor of the whole screen grows the twips with the
// text, and cuts nothing more than the desktop's font does).
class TestCaptions : public QObject, public TabFixture
{
    Q_OBJECT

    QFont m_desktopFont;

private Q_SLOTS:
    void initTestCase() { m_desktopFont = QApplication::font(); }
    void init() { startTest(); }
    void cleanup()
    {
        QApplication::setFont(m_desktopFont);
        endTest();
    }

    void captionsShowWhole_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<double>("scale");
        for (const QString &window : {u"frmOptions"_s, u"frmAbout"_s, u"frmBrowser"_s}) {
            for (const double scale : {1.0, 1.25, 1.5})
                QTest::addRow("%s at %d %%", qPrintable(window), qRound(scale * 100))
                    << window << scale;
        }
    }
    void captionsShowWhole()
    {
        QFETCH(QString, window);
        QFETCH(double, scale);
        QFont font = m_desktopFont;
        font.setPointSizeF(m_desktopFont.pointSizeF() * scale);
        // The program starts under the desktop's font, and so does the
        // area the tabs open in.
        endTest();
        QApplication::setFont(font);
        startTest();

        QStringList cut;
        if (window == u"frmOptions"_s) {
            QString popupMode;
            frmOptions dialog(m_platform->platform(), popupMode);
            dialog.Show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            auto *tabs = dialog.findChild<QTabWidget *>(u"SSTab1"_s);
            // Each tab shows its own controls.
            for (int index = 0; index < tabs->count(); ++index) {
                tabs->setCurrentIndex(index);
                QCoreApplication::processEvents();
                cut += cutCaptions(&dialog);
            }
            dialog.Unload();
        } else if (window == u"frmAbout"_s) {
            frmAbout dialog(m_platform->platform());
            dialog.Show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            cut += cutCaptions(&dialog);
            dialog.Unload();
        } else {
            std::unique_ptr<frmBrowser> tab(openTab());
            QVERIFY(QTest::qWaitForWindowExposed(tab.get()));
            QCoreApplication::processEvents();
            cut += cutCaptions(tab.get());
        }
        // The dialog's own buttons show on every tab: each is said once.
        cut.removeDuplicates();
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(u"; "_s)));
    }
};

QTEST_MAIN(TestCaptions)

#include "tst_captions.moc"
