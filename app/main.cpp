#include "AppIni.h"
#include "FMManager.h"
#include "QuitOnSignal.h"

#include <QApplication>
#include <QSettings>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trovina"));
    QSettings appIni(AppIni::path(app.arguments()), QSettings::IniFormat);

    QTranslator english;
    const QString lang = appIni.value(QStringLiteral("Board/lang"), QStringLiteral("en")).toString().toLower();
    if (lang == QLatin1String("en") && english.load(QStringLiteral(":/lang/trovina_en.qm")))
        QApplication::installTranslator(&english);

    QuitOnSignal quitOnSignal;
    FMManager window(appIni, AppIni::project(app.arguments()));
    window.show();
    return app.exec();
}
