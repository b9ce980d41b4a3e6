#include "engine/QuestionBurst.h"

#include <QTest>

Q_DECLARE_METATYPE(DownloadBurst::Step)

// What a page's run of requests raises: one question a burst, and what the
// rest of the burst gets after its answer.
class TestQuestionBurst : public QObject
{
    Q_OBJECT

    enum class Event { Ask, Answer, AnswerYes, AnswerNo, UserActs };
    using Step = DownloadBurst::Step;

private Q_SLOTS:
    // Each row: what happens, in order; then what the next request gets.
    void questions_data()
    {
        QTest::addColumn<QList<int>>("events");
        QTest::addColumn<bool>("mayAsk");
        const int ask = int(Event::Ask), answer = int(Event::Answer), acts = int(Event::UserActs);
        QTest::newRow("fresh") << QList<int>() << true;
        QTest::newRow("question on screen") << QList<int> {ask} << false;
        QTest::newRow("answered") << QList<int> {ask, answer} << false;
        QTest::newRow("user acts after the answer") << QList<int> {ask, answer, acts} << true;
        QTest::newRow("user acts while the question is up") << QList<int> {ask, acts} << false;
        QTest::newRow("user acts while it is up, then it is answered")
            << QList<int> {ask, acts, answer} << false;
    }
    void questions()
    {
        QFETCH(QList<int>, events);
        QFETCH(bool, mayAsk);
        QuestionBurst burst;
        for (int event : events) {
            switch (Event(event)) {
            case Event::Ask:
                QVERIFY(burst.mayAsk());
                burst.asking();
                break;
            case Event::Answer:
                burst.answered();
                break;
            case Event::UserActs:
                burst.userActed();
                break;
            default:
                QFAIL("not an event of this burst");
            }
        }
        QCOMPARE(burst.mayAsk(), mayAsk);
    }

    void downloads_data()
    {
        QTest::addColumn<QList<int>>("events");
        QTest::addColumn<Step>("next");
        const int ask = int(Event::Ask), yes = int(Event::AnswerYes), no = int(Event::AnswerNo),
                  acts = int(Event::UserActs);
        QTest::newRow("first download") << QList<int>() << Step::AskWhere;
        QTest::newRow("while the save dialog is up") << QList<int> {ask} << Step::Refuse;
        QTest::newRow("after a place was chosen") << QList<int> {ask, yes} << Step::AskMany;
        QTest::newRow("after the save dialog was cancelled")
            << QList<int> {ask, no} << Step::Refuse;
        QTest::newRow("while the question for more is up")
            << QList<int> {ask, yes, ask} << Step::Refuse;
        QTest::newRow("more allowed") << QList<int> {ask, yes, ask, yes} << Step::SaveUnasked;
        QTest::newRow("more refused") << QList<int> {ask, yes, ask, no} << Step::Refuse;
        QTest::newRow("user acts after more were allowed")
            << QList<int> {ask, yes, ask, yes, acts} << Step::AskWhere;
        QTest::newRow("user acts after a refusal") << QList<int> {ask, no, acts} << Step::AskWhere;
        QTest::newRow("user acts while a dialog is up") << QList<int> {ask, acts} << Step::Refuse;
    }
    void downloads()
    {
        QFETCH(QList<int>, events);
        QFETCH(Step, next);
        DownloadBurst burst;
        Step asked = burst.next();
        for (int event : events) {
            switch (Event(event)) {
            case Event::Ask:
                asked = burst.next();
                QVERIFY(asked == Step::AskWhere || asked == Step::AskMany);
                burst.asking();
                break;
            case Event::AnswerYes:
            case Event::AnswerNo:
                burst.answered(asked, Event(event) == Event::AnswerYes);
                break;
            case Event::UserActs:
                burst.userActed();
                break;
            default:
                QFAIL("not an event of a download burst");
            }
        }
        QCOMPARE(burst.next(), next);
    }
};

QTEST_GUILESS_MAIN(TestQuestionBurst)

#include "tst_questionburst.moc"
