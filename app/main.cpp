#include "AppIni.h"
#include "CommandLine.h"
#include "FMManager.h"
#include "InstanceLock.h"
#include "QuitOnSignal.h"
#include "Settings.h"
#include "WorkingCopy.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QSettings>
#include <QTranslator>

namespace {

const char usage[] =
    "Usage: trovina [-i ini] [project.fm]\n"
    "  -i ini       the application ini; a bare name lies in the per-user data\n"
    "               directory ($APPDATA/Pellrock/, else ~/Pellrock/);\n"
    "               default: Trovina.ini there\n"
    "  project.fm   the project to open; without it the working copy of the\n"
    "               last run is taken up again\n"
    "  -h, --help   this text\n";

} // namespace

int main(int argc, char *argv[])
{
    CommandLine options(QStringLiteral("trovina"), QString::fromLatin1(usage));
    options.addValue(QStringLiteral("-i"));
    options.setMaxPlain(1);
    // Help and refusals are answered before anything exists: no display, no
    // ini, no boards.
    if (options.parseEarly(argc, argv) != CommandLine::Outcome::Run)
        return options.report();

    QApplication app(argc, argv);
    // Qt's own options are gone now; whatever is left must be ours.
    if (options.parse(app.arguments()) != CommandLine::Outcome::Run)
        return options.report();
    QApplication::setApplicationName(QStringLiteral("Trovina"));
    // Kept by the key store, so that a full disk never costs the ini either:
    // it is written whole or not at all (used through QSettings, keys as
    // they stand).
    const QString ini = AppIni::path(app.arguments());
    Settings store(ini);
    QSettings &appIni = store;

    QTranslator english;
    const QString lang = appIni.value(QStringLiteral("Board/lang"), QStringLiteral("en")).toString().toLower();
    if (lang == QLatin1String("en") && english.load(QStringLiteral(":/lang/trovina_en.qm")))
        QApplication::installTranslator(&english);

    QuitOnSignal quitOnSignal;
    // One instance an ini: its working copy, boards and ports are its own.
    const InstanceLock instance(WorkingCopy::path(ini));
    if (instance.heldElsewhere()) {
        qWarning("MAN: another instance runs on %s", qPrintable(ini));
        QMessageBox::warning(nullptr, QStringLiteral("Trovina"),
                             QCoreApplication::translate("main", "Trovina läuft bereits mit der Einstellungsdatei\n%1")
                                 .arg(QDir::toNativeSeparators(ini)));
        return 1;
    }
    FMManager window(appIni, AppIni::project(app.arguments()));
    window.show();
    return app.exec();
}
