#include "support/MainWindowFixture.h"
#include "support/UserInput.h"

#include "app/Module1.h"
#include "app/frmCV.h"
#include "tab/frmBrowser.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QShortcut>
#include <QShortcutEvent>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

struct Claim
{
    QKeySequence key;
    QString owner;
    Qt::ShortcutContext context;
    bool enabled;
};

QString describe(const QObject *object)
{
    QString name = QString::fromLatin1(object->metaObject()->className());
    if (!object->objectName().isEmpty())
        name += u" "_s + object->objectName();
    if (const auto *action = qobject_cast<const QAction *>(object);
        action && !action->text().isEmpty())
        name += u" \""_s + action->text() + u"\""_s;
    for (const QObject *up = object->parent(); up; up = up->parent()) {
        if (!up->objectName().isEmpty()) {
            name += u" in "_s + up->objectName();
            break;
        }
    }
    return name;
}

// Every key an action or a shortcut object under the window claims, with
// its context, as the shortcut map will be asked about it.
QList<Claim> claimsUnder(const QWidget *window)
{
    QList<Claim> claims;
    for (const QAction *action : window->findChildren<QAction *>()) {
        for (const QKeySequence &key : action->shortcuts())
            claims.append({key, describe(action), action->shortcutContext(), action->isEnabled()});
    }
    for (const QShortcut *shortcut : window->findChildren<QShortcut *>()) {
        for (const QKeySequence &key : shortcut->keys())
            claims.append({key, describe(shortcut), shortcut->context(), shortcut->isEnabled()});
    }
    return claims;
}

// Takes every shortcut event the map sends, so that nothing is triggered,
// and keeps what it was told: who would have had the key, and whether
// another could have had it too.
class ShortcutRecorder : public QObject
{
public:
    struct Seen
    {
        QString owner;
        bool ambiguous;
    };
    QList<Seen> seen;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Shortcut)
            return false;
        seen.append({describe(watched), static_cast<QShortcutEvent *>(event)->isAmbiguous()});
        return true;
    }
};

} // namespace

// No key the main window answers may be claimed twice where a person can
// press it: Qt then triggers neither and the key does nothing.
class TestShortcuts : public QObject, public MainWindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        startTest();
        QVERIFY(QTest::qWaitForWindowActive(startUp()));
    }
    void cleanup() { endTest(); }

    void noKeyIsClaimedTwice_data()
    {
        QTest::addColumn<int>("tabs");
        QTest::addColumn<Focus>("where");
        for (const int tabs : {1, 2}) {
            QTest::addRow("%d tab(s), focus in the page", tabs) << tabs << Focus::Page;
            QTest::addRow("%d tab(s), focus in the address box", tabs) << tabs << Focus::AddressBox;
            QTest::addRow("%d tab(s), focus in the search box", tabs) << tabs << Focus::SearchBox;
            QTest::addRow("%d tab(s), focus in the find box", tabs) << tabs << Focus::FindBox;
        }
    }
    void noKeyIsClaimedTwice()
    {
        QFETCH(int, tabs);
        QFETCH(Focus, where);
        for (int i = 1; i < tabs; ++i)
            m_window->mNew_Click();
        QCOMPARE(m_platform->forms.of<frmBrowser>().size(), tabs);
        focusIn(where);

        // Every page is loading, so that Escape (which stops it) is live.
        for (frmBrowser *tab : m_platform->forms.of<frmBrowser>())
            static_cast<FakeBrowser *>(tab->browser())->raiseProgressChange(10, 100);

        const QList<Claim> claims = claimsUnder(m_window.get());
        QList<QKeySequence> keys;
        QStringList listing;
        for (const Claim &claim : claims) {
            if (!keys.contains(claim.key))
                keys.append(claim.key);
            listing.append(u"%1 | %2 | context %3%4"_s.arg(claim.key.toString(), claim.owner)
                               .arg(int(claim.context))
                               .arg(claim.enabled ? QString() : u" (disabled)"_s));
        }
        listing.removeDuplicates();
        // The everyday keys are among them, or the list is not what it says.
        for (const QKeySequence &key :
             {QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::CTRL | Qt::Key_T),
              QKeySequence(Qt::Key_F12), QKeySequence(Qt::Key_Escape)})
            QVERIFY2(keys.contains(key), qPrintable(key.toString()));

        ShortcutRecorder recorder;
        qApp->installEventFilter(&recorder);
        QStringList twice;
        for (const QKeySequence &key : std::as_const(keys)) {
            if (key.count() != 1)
                continue;
            recorder.seen.clear();
            UserInput::press(key[0]);
            for (const ShortcutRecorder::Seen &seen : std::as_const(recorder.seen)) {
                if (seen.ambiguous)
                    twice.append(key.toString() + u": "_s + seen.owner);
            }
        }
        qApp->removeEventFilter(&recorder);
        QVERIFY2(
            twice.isEmpty(),
            qPrintable(twice.join(u"; "_s) + u"\nThe keys claimed:\n"_s + listing.join(u"\n"_s)));
    }
};

QTEST_MAIN(TestShortcuts)
#include "tst_shortcuts.moc"
