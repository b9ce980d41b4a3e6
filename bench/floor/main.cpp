#include <QApplication>
#include <QString>
#include <QUrl>
#include <QWebEngineView>

#include <cstdio>

// One view, one page, nothing else: whatever a browser on this engine adds to
// its startup time is measured against this program.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s URL\n", argv[0]);
        return 2;
    }
    QWebEngineView view;
    view.resize(1024, 768);
    view.load(QUrl(QString::fromLocal8Bit(argv[1])));
    view.show();
    return app.exec();
}
