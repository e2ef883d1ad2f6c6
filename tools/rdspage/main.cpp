// Shows the RDS editor page on its own, bound to a project file when one is
// given, in a scrolling window as wide as the main window's default (1100 x
// 720, the page below the main window's bars and docks); with --grab it saves
// pictures of its tabs, of the hidden RDS2 tab and of the country search
// window, and quits.
// With --monitor (and a project) it feeds 400 groups that the engine encodes
// for the source of channel 1 to the monitor of channel 1. --source shows
// that source instead of the last one.
// Usage: rdspage [--en] [--project file.fm [--monitor] [--source id]] [--grab prefix]
#include "CommandLine.h"
#include "ECCSearch.h"
#include "FMSettings.h"
#include "RDSEncoder.h"
#include "TabRDS.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QScrollArea>
#include <QTabWidget>
#include <QTimer>
#include <QTranslator>

namespace {

const char usage[] =
    "Usage: rdspage [--en] [--project file.fm [--monitor] [--source id]] [--grab prefix]\n"
    "  --en               English texts\n"
    "  --project file.fm  the project whose RDS sources the page shows\n"
    "  --monitor          feeds 400 groups of channel 1's source to the monitor\n"
    "  --source id        shows that source instead of the last one\n"
    "  --grab prefix      saves pictures of the tabs as prefix-N.png and quits\n"
    "  -h, --help         this text\n";

} // namespace

int main(int argc, char *argv[])
{
    CommandLine options(QStringLiteral("rdspage"), QString::fromLatin1(usage));
    options.addFlag(QStringLiteral("--en"));
    options.addFlag(QStringLiteral("--monitor"));
    options.addValue(QStringLiteral("--project"));
    options.addValue(QStringLiteral("--source"));
    options.addValue(QStringLiteral("--grab"));
    if (options.parseEarly(argc, argv) != CommandLine::Outcome::Run)
        return options.report();
    QApplication app(argc, argv);
    if (options.parse(app.arguments()) != CommandLine::Outcome::Run)
        return options.report();
    const QStringList args = app.arguments();
    QTranslator english;
    if (args.contains(QStringLiteral("--en")) && english.load(QStringLiteral(":/lang/trovina_en.qm")))
        app.installTranslator(&english);
    // The main window shows the page in a scroll area 1100 pixels wide and
    // about 330 high between its bars and the event dock.
    QScrollArea window;
    window.setFrameShape(QFrame::NoFrame);
    window.setWidgetResizable(true);
    auto *pagePointer = new TabRDS;
    TabRDS &page = *pagePointer;
    window.setWidget(pagePointer);
    window.resize(1100, 330);
    const int projectArg = args.indexOf(QStringLiteral("--project"));
    QSharedPointer<FMSettings> project;
    if (projectArg > 0 && projectArg + 1 < args.size()) {
        project.reset(new FMSettings(args.at(projectArg + 1)));
        page.setSettings(project);
        const int sourceArg = args.indexOf(QStringLiteral("--source"));
        if (sourceArg > 0 && sourceArg + 1 < args.size())
            page.selectSource(args.at(sourceArg + 1).toInt(), -1);
        if (args.contains(QStringLiteral("--monitor"))) {
            page.findChild<QComboBox *>(QStringLiteral("stat"))->setCurrentIndex(1);
            RDSEncoder encoder(1);
            encoder.setRDS(project->rds(project->channelInfo(1).idrds), 95.0);
            for (int i = 0; i < 400; ++i) {
                u8 g[13];
                encoder.generate(g, nullptr, nullptr, nullptr);
                project->notifyRdsLog(1, 1, 0, 0, QTime::currentTime(), g);
            }
            // The page's clock writes the measured rates into the group titles once a second.
            QEventLoop wait;
            QTimer::singleShot(1100, &wait, &QEventLoop::quit);
            wait.exec();
        }
    }
    window.show();
    const int grab = args.indexOf(QStringLiteral("--grab"));
    if (grab < 0 || grab + 1 >= args.size())
        return app.exec();
    const QString prefix = args.at(grab + 1);
    auto *tabs = page.findChild<QTabWidget *>(QStringLiteral("tabs"));
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        app.processEvents();
        page.grab().save(QStringLiteral("%1-%2.png").arg(prefix).arg(i));
    }
    if (auto *oda = page.findChild<QWidget *>(QStringLiteral("tabODA"))) {
        oda->resize(1000, 600);
        oda->grab().save(prefix + QStringLiteral("-oda.png"));
    }
    if (auto *countries = page.findChild<ECCSearch *>()) {
        countries->showECC();
        app.processEvents();
        countries->grab().save(prefix + QStringLiteral("-ecc.png"));
    }
    return 0;
}
