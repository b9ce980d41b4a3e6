#include "widgets/PanelBar.h"

#include <QAccessible>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QStringList keysOf(const PanelBar &bar)
{
    QStringList keys;
    for (Panel *panel : bar.panels())
        keys.append(panel->key());
    return keys;
}

// A bar of panels keyed "1", "2", ... as wide as given, in twips.
void fill(PanelBar &bar, int count, float width = 1500)
{
    for (int i = 1; i <= count; ++i) {
        Panel *panel = bar.add(bar.count() + 1);
        panel->setKey(QString::number(i));
        panel->setWidth(width);
    }
}

} // namespace

class TestPanelBar : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void addAndRemoveKeepPositions()
    {
        PanelBar bar;
        fill(bar, 3);
        QCOMPARE(keysOf(bar), (QStringList {u"1"_s, u"2"_s, u"3"_s}));
        bar.remove(2);
        QCOMPARE(keysOf(bar), (QStringList {u"1"_s, u"3"_s}));
        QCOMPARE(bar.panel(2)->key(), u"3"_s);
        QCOMPARE(bar.panel(2)->index(), 2);

        // Inserting in the middle moves the panels to its right.
        Panel *inserted = bar.add(1);
        QCOMPARE(inserted->index(), 1);
        QCOMPARE(inserted->key(), QString());
        QCOMPARE(inserted->text(), QString());
        QCOMPARE(bar.panel(3)->key(), u"3"_s);
    }

    void indicesOutsideTheBar()
    {
        PanelBar bar;
        fill(bar, 2);
        QCOMPARE(bar.panel(0), nullptr);
        QCOMPARE(bar.panel(3), nullptr);
        QCOMPARE(bar.add(0), nullptr);
        QCOMPARE(bar.add(4), nullptr);
        bar.remove(0);
        bar.remove(3);
        QCOMPARE(bar.count(), 2);
    }

    void widths_data()
    {
        QTest::addColumn<float>("minimum");
        QTest::addColumn<float>("requested");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<float>("width");
        QTest::newRow("above the minimum") << 1440.f << 3000.f << true << 3000.f;
        QTest::newRow("below the minimum") << 1440.f << 200.f << true << 1440.f;
        QTest::newRow("zero minimum") << 0.f << 200.f << true << 200.f;
        QTest::newRow("fraction") << 0.f << 3168.75f << true << 3168.75f;
        QTest::newRow("negative is rejected") << 0.f << -1.f << false << 777.f;
    }
    void widths()
    {
        QFETCH(float, minimum);
        QFETCH(float, requested);
        QFETCH(bool, accepted);
        QFETCH(float, width);
        PanelBar bar;
        bar.setMinimumPanelWidth(minimum);
        Panel *panel = bar.add(1);
        panel->setWidth(777);
        QCOMPARE(panel->setWidth(requested), accepted);
        QCOMPARE(panel->width(), width);
    }

    // Panels sit side by side from the left, each as wide as its width
    // says, whether or not they fit: 15 twips to the pixel at 96 DPI.
    void panelsAreLaidSideBySide()
    {
        PanelBar bar;
        bar.setMinimumPanelWidth(0);
        bar.resize(200, 25);
        fill(bar, 3, 1500);
        bar.panel(2)->setWidth(3000);
        QCOMPARE(bar.panel(1)->label()->geometry(), QRect(0, 0, 100, 25));
        QCOMPARE(bar.panel(2)->label()->geometry(), QRect(100, 0, 200, 25));
        QCOMPARE(bar.panel(3)->label()->geometry(), QRect(300, 0, 100, 25));
        bar.remove(1);
        QCOMPARE(bar.panel(1)->label()->geometry(), QRect(0, 0, 200, 25));
    }

    void bevelAndAlignment()
    {
        PanelBar bar;
        Panel *panel = bar.add(1);
        panel->setBevel(Panel::Bevel::Raised);
        QCOMPARE(panel->label()->frameShadow(), QFrame::Raised);
        panel->setBevel(Panel::Bevel::Inset);
        QCOMPARE(panel->label()->frameShadow(), QFrame::Sunken);
        panel->setAlignment(Panel::Alignment::Center);
        QVERIFY(panel->label()->alignment() & Qt::AlignHCenter);
    }

    void clicksAndDoubleClicks()
    {
        PanelBar bar;
        bar.resize(400, 25);
        fill(bar, 2);
        bar.show();
        QSignalSpy clicks(&bar, &PanelBar::PanelClick);
        QSignalSpy doubleClicks(&bar, &PanelBar::PanelDblClick);

        QTest::mouseClick(bar.panel(2)->label(), Qt::LeftButton);
        QCOMPARE(clicks.size(), 1);
        QCOMPARE(clicks.at(0).at(0).value<Panel *>(), bar.panel(2));
        QCOMPARE(doubleClicks.size(), 0);

        QTest::mouseClick(bar.panel(1)->label(), Qt::RightButton);
        QCOMPARE(clicks.size(), 1);

        // A double click as the mouse makes it: a click, then a press that
        // the platform reports as a double click, then its release.
        clicks.clear();
        QTest::mouseClick(bar.panel(1)->label(), Qt::LeftButton);
        QTest::mouseDClick(bar.panel(1)->label(), Qt::LeftButton);
        QCOMPARE(doubleClicks.size(), 1);
        QCOMPARE(doubleClicks.at(0).at(0).value<Panel *>(), bar.panel(1));
        QCOMPARE(clicks.size(), 1);
        QTest::mouseClick(bar.panel(1)->label(), Qt::LeftButton);
        QCOMPARE(clicks.size(), 2);
    }

    // The tab strip closes a tab, and removes its panel, from the panel's own
    // double click; a click may do the same. The panel and its label must
    // survive the event they are handling and be gone after it.
    void removeFromOwnMouseEvent_data()
    {
        QTest::addColumn<bool>("doubleClick");
        QTest::newRow("click") << false;
        QTest::newRow("double click") << true;
    }
    void removeFromOwnMouseEvent()
    {
        QFETCH(bool, doubleClick);
        PanelBar bar;
        bar.setMinimumPanelWidth(0);
        bar.resize(400, 25);
        fill(bar, 3, 1500);
        bar.show();

        QPointer<QLabel> removedLabel;
        QString keyInSlot;
        int indexAfterRemoval = -1;
        const auto removeClicked = [&](Panel *panel) {
            removedLabel = panel->label();
            bar.remove(panel->index());
            keyInSlot = panel->key();
            indexAfterRemoval = panel->index();
        };
        if (doubleClick)
            connect(&bar, &PanelBar::PanelDblClick, &bar, removeClicked);
        else
            connect(&bar, &PanelBar::PanelClick, &bar, removeClicked);
        QSignalSpy clicks(&bar, &PanelBar::PanelClick);

        if (doubleClick)
            QTest::mouseDClick(bar.panel(2)->label(), Qt::LeftButton);
        else
            QTest::mouseClick(bar.panel(2)->label(), Qt::LeftButton);

        QCOMPARE(keyInSlot, u"2"_s);
        QCOMPARE(indexAfterRemoval, 0);
        QCOMPARE(keysOf(bar), (QStringList {u"1"_s, u"3"_s}));
        QCOMPARE(bar.panel(2)->label()->geometry(), QRect(100, 0, 100, 25));
        QVERIFY(removedLabel);
        QVERIFY(removedLabel->isHidden());

        // Until it is deleted, the removed label reports nothing.
        const qsizetype clicksBefore = clicks.size();
        QTest::mouseClick(removedLabel, Qt::LeftButton);
        QCOMPARE(clicks.size(), clicksBefore);

        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!removedLabel);
        QCOMPARE(bar.count(), 2);
    }

    // A bar deleted before the event loop has run frees the panels removed
    // from it too.
    void deletingTheBarFreesRemovedPanels()
    {
        auto *bar = new PanelBar;
        fill(*bar, 2);
        const QPointer<QLabel> removed = bar->panel(1)->label();
        const QPointer<QLabel> kept = bar->panel(2)->label();
        bar->remove(1);
        delete bar;
        QVERIFY(!removed);
        QVERIFY(!kept);
    }

    // Screen readers hear a status bar of labels, each named by its whole
    // text.
    void accessibleRoles()
    {
        PanelBar bar;
        fill(bar, 2);
        bar.panel(1)->setText(u"1"_s);
        bar.panel(2)->setText(u"Une page au titre trop long pour son panneau"_s);

        QAccessibleInterface *barInterface = QAccessible::queryAccessibleInterface(&bar);
        QVERIFY(barInterface);
        QCOMPARE(barInterface->role(), QAccessible::StatusBar);
        for (Panel *panel : bar.panels()) {
            QAccessibleInterface *label = QAccessible::queryAccessibleInterface(panel->label());
            QVERIFY(label);
            QCOMPARE(label->role(), QAccessible::StaticText);
            QCOMPARE(label->text(QAccessible::Name), panel->text());
        }

        // Pressing a panel through assistive technology is a click on it.
        QSignalSpy clicks(&bar, &PanelBar::PanelClick);
        QAccessibleActionInterface *second
            = QAccessible::queryAccessibleInterface(bar.panel(2)->label())->actionInterface();
        QVERIFY(second);
        second->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(clicks.size(), 1);
        QCOMPARE(clicks.at(0).at(0).value<Panel *>(), bar.panel(2));
    }

    // The tab strip says which tab is active; a tab's own status line says
    // nothing beyond its texts.
    void insetPanelDescription_data()
    {
        QTest::addColumn<QString>("description");
        QTest::newRow("none") << QString();
        QTest::newRow("active tab") << u"Onglet actif"_s;
    }
    void insetPanelDescription()
    {
        QFETCH(QString, description);
        PanelBar bar;
        fill(bar, 3);
        bar.setInsetPanelDescription(description);
        const auto descriptions = [&bar] {
            QStringList texts;
            for (Panel *panel : bar.panels()) {
                QAccessibleInterface *label = QAccessible::queryAccessibleInterface(panel->label());
                texts.append(label->text(QAccessible::Description));
            }
            return texts;
        };

        bar.panel(1)->setBevel(Panel::Bevel::Raised);
        bar.panel(3)->setBevel(Panel::Bevel::None);
        QCOMPARE(descriptions(), (QStringList {QString(), description, QString()}));

        bar.panel(2)->setBevel(Panel::Bevel::Raised);
        bar.panel(3)->setBevel(Panel::Bevel::Inset);
        QCOMPARE(descriptions(), (QStringList {QString(), QString(), description}));

        // A new panel is Inset until told otherwise.
        bar.add(1);
        QCOMPARE(descriptions(), (QStringList {description, QString(), QString(), description}));

        bar.setInsetPanelDescription(QString());
        QCOMPARE(descriptions(), QStringList(4, QString()));
    }

    // A page title lands in a panel as it is: never as markup, cut short
    // where it does not fit, and whole for screen readers and the tooltip.
    void textIsPlainAndCutToFit()
    {
        PanelBar bar;
        bar.setMinimumPanelWidth(0);
        bar.resize(400, 25);
        bar.show();
        Panel *panel = bar.add(1);
        panel->setWidth(900); // 60 px
        const QString title = u"<b>3 - Un titre de page bien trop long pour tenir</b>"_s;
        panel->setText(title);
        QCOMPARE(panel->text(), title);
        QCOMPARE(panel->label()->textFormat(), Qt::PlainText);
        QVERIFY(panel->label()->text() != title);
        QVERIFY(panel->label()->text().endsWith(QChar(0x2026)));
        QCOMPARE(panel->label()->toolTip(), title);
        QCOMPARE(panel->label()->accessibleName(), title);

        panel->setWidth(15000);
        QCOMPARE(panel->label()->text(), title);
        QCOMPARE(panel->label()->toolTip(), QString());
    }
};

QTEST_MAIN(TestPanelBar)
#include "tst_panelbar.moc"
