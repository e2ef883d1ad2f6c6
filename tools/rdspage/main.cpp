// Shows the RDS editor page on its own, without a project; with --grab it
// saves pictures of its tabs, of the hidden RDS2 tab and of the country
// search window, and quits.
// Usage: rdspage [--en] [--grab prefix]
#include "ECCSearch.h"
#include "TabRDS.h"

#include <QApplication>
#include <QTabWidget>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTranslator english;
    if (args.contains(QStringLiteral("--en")) && english.load(QStringLiteral(":/lang/trovina_en.qm")))
        app.installTranslator(&english);
    TabRDS page;
    page.resize(1100, 760);
    page.show();
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
