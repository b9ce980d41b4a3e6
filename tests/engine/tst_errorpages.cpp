#include "engine/ErrorPages.h"

#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<ErrorPages::Failure>)

// Which failed navigations get the program's error page, and what it says.
class TestErrorPages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void failureOf_data()
    {
        using Failure = ErrorPages::Failure;
        using Info = QWebEngineLoadingInfo;
        QTest::addColumn<Info::ErrorDomain>("domain");
        QTest::addColumn<int>("code");
        QTest::addColumn<std::optional<Failure>>("expected");

        QTest::newRow("stopped or replaced")
            << Info::InternalErrorDomain << -3 << std::optional<Failure>();
        QTest::newRow("the server's own 404 page")
            << Info::HttpStatusCodeDomain << 404 << std::optional<Failure>();
        QTest::newRow("no error") << Info::NoErrorDomain << 0 << std::optional<Failure>();
        QTest::newRow("name not resolved")
            << Info::ConnectionErrorDomain << -105 << std::optional(Failure::NoSuchServer);
        QTest::newRow("name resolution failed")
            << Info::ConnectionErrorDomain << -137 << std::optional(Failure::NoSuchServer);
        QTest::newRow("lookup") << Info::DnsErrorDomain << -800
                                << std::optional(Failure::NoSuchServer);
        QTest::newRow("refused") << Info::ConnectionErrorDomain << -102
                                 << std::optional(Failure::NoAnswer);
        QTest::newRow("timed out")
            << Info::ConnectionErrorDomain << -118 << std::optional(Failure::NoAnswer);
        QTest::newRow("certificate")
            << Info::CertificateErrorDomain << -202 << std::optional(Failure::Certificate);
        QTest::newRow("unsafe port")
            << Info::HttpErrorDomain << -312 << std::optional(Failure::Other);
        QTest::newRow("missing local file")
            << Info::InternalErrorDomain << -6 << std::optional(Failure::Other);
    }
    void failureOf()
    {
        QFETCH(QWebEngineLoadingInfo::ErrorDomain, domain);
        QFETCH(int, code);
        QFETCH(std::optional<ErrorPages::Failure>, expected);
        QCOMPARE(ErrorPages::failureOf(domain, code), expected);
    }

    // What the page names of the address and the error stays text, and the
    // button loads the address as it was.
    void failedPageEscapesWhatItShows()
    {
        const QUrl address(u"http://exemple.invalid/<b>gras</b>?a=1&b=\"2\""_s);
        const QString page = ErrorPages::failed(address, ErrorPages::Failure::NoSuchServer,
                                                u"net::ERR_<script>"_s);
        QVERIFY(page.contains(u"<title>Page inaccessible</title>"_s));
        QVERIFY(!page.contains(u"<b>gras"_s));
        QVERIFY(!page.contains(u"<script>"_s));
        QVERIFY(page.contains(u"net::ERR_&lt;script&gt;"_s));
        QVERIFY(page.contains(u"href=\""_s + address.toString(QUrl::FullyEncoded).toHtmlEscaped()
                              + u"\""_s));
        QVERIFY(!page.contains(u"Chrom"_s, Qt::CaseInsensitive));
    }
};

QTEST_MAIN(TestErrorPages)
#include "tst_errorpages.moc"
