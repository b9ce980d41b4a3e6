// How long a new tab takes to fill its address list from a long history,
// what sixteen tabs on the same history cost in memory, and how long the
// list of a million entries takes to open.
//
//   corvane_history [--runs N] [--lines N,N,...]
//
// The tabs are the program's own (frmBrowser, its load, its address bar) in
// a child-window area; the browser control is a stand-in that does nothing,
// so what is measured is the list, not the engine.

#include "platform/Platform.h"
#include "platform/WebBrowser.h"
#include "tab/AddressList.h"
#include "tab/UserActions.h"
#include "tab/VisitedHistory.h"
#include "tab/frmBrowser.h"
#include "widgets/Forms.h"
#include "widgets/Icons.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMdiArea>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <unistd.h>
#include <vector>

namespace {

// A browser control that goes nowhere.
class StandInBrowser : public WebBrowser
{
public:
    explicit StandInBrowser(QWidget *parent)
        : WebBrowser(parent)
        , m_widget(new QWidget(parent))
    {
    }
    QWidget *widget() override { return m_widget; }
    void Navigate(const QString &) override { }
    void GoBack() override { }
    void GoForward() override { }
    void Refresh() override { }
    void Stop() override { }
    bool Busy() const override { return false; }
    QString LocationName() const override { return QString(); }
    QString LocationURL() const override { return QString(); }
    void setRegisterAsBrowser(bool) override { }
    void userActed() override { }
    bool RegisterAsBrowser() const override { return false; }
    void FindText(const QString &, bool, FindResult) override { }
    qreal ZoomFactor() const override { return 1; }
    void SetZoomFactor(qreal) override { }

private:
    QWidget *m_widget;
};

double milliseconds(qint64 nanoseconds)
{
    return double(nanoseconds) / 1e6;
}

double median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    return n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
}

// Resident memory of this process, heap's free memory given back first.
double residentMiB()
{
    malloc_trim(0);
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2)
        return -1;
    return fields.at(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Addresses as a history holds them: a few hundred sites, each with many
// pages, some visited again, now and then an accented letter or a query.
QByteArray historyOf(int lines)
{
    QRandomGenerator random(20240601);
    static const char *const schemes[] = {"https://www.", "https://", "http://"};
    static const char *const words[]
        = {"actualites", "recherche", "article", "produit",     "forum",
           "compte",     "images",    "video",   "caf\xC3\xA9", "r\xC3\xA9sultats"};
    QByteArray file;
    file.reserve(qsizetype(lines) * 48);
    for (int i = 0; i < lines; ++i) {
        file += schemes[random.bounded(3)];
        file += "site" + QByteArray::number(random.bounded(500)) + ".example/";
        file += words[random.bounded(10)];
        file += '/' + QByteArray::number(random.bounded(100000));
        if (random.bounded(4) == 0)
            file += "?q=" + QByteArray::number(random.bounded(1000));
        file += "\r\n";
    }
    return file;
}

class Bench
{
public:
    Bench()
    {
        m_area.resize(1024, 768);
        m_area.show();
        QCoreApplication::processEvents();
    }

    Platform platform(const QString &folder)
    {
        return Platform {
            .folder = ProgramFolder(folder),
            .createBrowser
            = [](QWidget *parent) -> WebBrowser * { return new StandInBrowser(parent); },
            .forms = &m_forms,
            .messageBox = nullptr,
            .launcher = nullptr,
            .icons = &m_icons,
            .history = &m_history,
            .userActions = &m_userActions,
        };
    }

    // A new tab, loaded; the nanoseconds its load took.
    frmBrowser *openTab(const QString &folder, qint64 *elapsed = nullptr)
    {
        auto *tab = new frmBrowser(TabHost {platform(folder), &m_area, nullptr});
        QElapsedTimer timer;
        timer.start();
        tab->Show();
        if (elapsed)
            *elapsed = timer.nsecsElapsed();
        return tab;
    }

    void closeTab(frmBrowser *tab)
    {
        tab->Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

private:
    Forms m_forms;
    Icons m_icons;
    VisitedHistory m_history;
    UserActions m_userActions;
    QMdiArea m_area;
};

QComboBox *addressBox(const frmBrowser *tab)
{
    return tab->findChild<QComboBox *>(QStringLiteral("cboAddress"));
}

// Opening the list: from the request to the list shown and painted, then
// closing it.
void measurePopup(frmBrowser *tab, const char *what)
{
    QComboBox *box = addressBox(tab);
    std::vector<double> opens;
    std::vector<double> closes;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        box->showPopup();
        QCoreApplication::processEvents();
        box->view()->viewport()->repaint();
        opens.push_back(milliseconds(timer.nsecsElapsed()));
        timer.restart();
        box->hidePopup();
        QCoreApplication::processEvents();
        closes.push_back(milliseconds(timer.nsecsElapsed()));
    }
    std::printf("  %-44s open %8.1f ms  close %6.1f ms  (%d entries, median of 3)\n", what,
                median(opens), median(closes), box->count());
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    int runs = 7;
    QList<int> sizes {10000, 100000, 1000000};
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args.at(i) == u"--runs") {
            runs = std::max(1, args.at(++i).toInt());
        } else if (args.at(i) == u"--lines") {
            sizes.clear();
            for (const QString &n : args.at(++i).split(u','))
                sizes.append(n.toInt());
        }
    }
    std::printf("Address list and visited-address history (platform %s, %d runs each)\n\n",
                qPrintable(QGuiApplication::platformName()), runs);

    QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("no temporary folder");
    Bench bench;

    std::printf("New tab's load, history file to filled list (median):\n");
    for (const int lines : std::as_const(sizes)) {
        const QString folder = dir.filePath(QStringLiteral("h%1").arg(lines));
        QDir().mkpath(folder);
        const QByteArray file = historyOf(lines);
        writeFile(folder + QStringLiteral("/visited.MRU"), file);

        // The first tab on a history reads and sorts it: each run closes
        // its tab, so that nothing is left to share.
        std::vector<double> first;
        for (int run = 0; run < runs; ++run) {
            qint64 elapsed = 0;
            frmBrowser *tab = bench.openTab(folder, &elapsed);
            first.push_back(milliseconds(elapsed));
            bench.closeTab(tab);
        }
        // Further tabs on the unchanged history share what the first read.
        frmBrowser *keeper = bench.openTab(folder);
        std::vector<double> further;
        for (int run = 0; run < runs; ++run) {
            qint64 elapsed = 0;
            frmBrowser *tab = bench.openTab(folder, &elapsed);
            further.push_back(milliseconds(elapsed));
            bench.closeTab(tab);
        }
        std::printf("  %8d lines (%5.1f MB): first tab %8.1f ms   another tab %7.1f ms   "
                    "(%d entries)\n",
                    lines, double(file.size()) / 1e6, median(first), median(further),
                    addressBox(keeper)->count());
        bench.closeTab(keeper);
    }

    const int most = *std::max_element(sizes.begin(), sizes.end());
    const QString folder = dir.filePath(QStringLiteral("h%1").arg(most));

    std::printf("\nResident memory, %d-line history:\n", most);
    const double base = residentMiB();
    std::vector<frmBrowser *> tabs;
    tabs.push_back(bench.openTab(folder));
    const double one = residentMiB() - base;
    while (tabs.size() < 16)
        tabs.push_back(bench.openTab(folder));
    const double sixteen = residentMiB() - base;
    const AddressList::Entries entries
        = qobject_cast<AddressList::Model *>(addressBox(tabs.front())->model())->shared();
    std::printf("  list's own storage                %8.1f MiB\n",
                double(entries.bytes()) / (1024.0 * 1024.0));
    std::printf("  1 tab                             %8.1f MiB\n", one);
    std::printf("  16 tabs                           %8.1f MiB  (%.2f times 1 tab)\n", sixteen,
                sixteen / one);
    for (frmBrowser *tab : tabs)
        bench.closeTab(tab);
    tabs.clear();

    std::printf("\nOpening the address list:\n");
    frmBrowser *tab = bench.openTab(folder);
    measurePopup(tab, qPrintable(QStringLiteral("%1-line history").arg(most)));
    bench.closeTab(tab);

    // Files no history should be: each must load and open at once.
    const QString hostile = dir.filePath(QStringLiteral("hostile"));
    QDir().mkpath(hostile);
    writeFile(hostile + QStringLiteral("/visited.MRU"),
              "http://a.example/\r\n" + QByteArray(1000000, 'x') + "\r\nhttp://b.example/\r\n");
    qint64 elapsed = 0;
    tab = bench.openTab(hostile, &elapsed);
    std::printf("  %-44s load %8.1f ms\n", "1,000,000-character line:", milliseconds(elapsed));
    measurePopup(tab, "1,000,000-character line:");
    bench.closeTab(tab);

    QFile::remove(hostile + QStringLiteral("/visited.MRU"));
    if (QFile::link(QStringLiteral("/dev/zero"), hostile + QStringLiteral("/visited.MRU"))) {
        tab = bench.openTab(hostile, &elapsed);
        std::printf("  %-44s load %8.1f ms\n", "link to /dev/zero:", milliseconds(elapsed));
        measurePopup(tab, "link to /dev/zero:");
        bench.closeTab(tab);
    }
    return 0;
}
