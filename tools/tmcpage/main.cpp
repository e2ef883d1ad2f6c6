// Shows the TMC editor page on its own, with the project given (or none);
// with --grab it saves a picture of the page and quits. The catalogues are
// read from "lists" of the working directory, as the program does.
// Usage: tmcpage [--en] [--project file.fm] [--source n] [--message row] [--grab file.png]
#include "CommandLine.h"
#include "FMSettings.h"
#include "TMCTable.h"
#include "TabTMC.h"

#include <QApplication>
#include <QTranslator>

namespace
{

QString option(const QStringList &args, const char *name)
{
    const int at = args.indexOf(QLatin1String(name));
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : QString();
}

const char usage[] =
    "Usage: tmcpage [--en] [--project file.fm] [--source n] [--message row] [--grab file.png]\n"
    "  --en               English texts\n"
    "  --project file.fm  the project whose TMC sources the page shows\n"
    "  --source n         shows that TMC source\n"
    "  --message row      makes that message row current\n"
    "  --grab file.png    saves a picture of the page and quits\n"
    "  -h, --help         this text\n";

} // namespace

int main(int argc, char *argv[])
{
    CommandLine options(QStringLiteral("tmcpage"), QString::fromLatin1(usage));
    options.addFlag(QStringLiteral("--en"));
    for (const char *name : {"--project", "--source", "--message", "--grab"})
        options.addValue(QLatin1String(name));
    if (options.parseEarly(argc, argv) != CommandLine::Outcome::Run)
        return options.report();
    QApplication app(argc, argv);
    if (options.parse(app.arguments()) != CommandLine::Outcome::Run)
        return options.report();
    const QStringList args = app.arguments();
    QTranslator english;
    if (args.contains(QStringLiteral("--en")) && english.load(QStringLiteral(":/lang/trovina_en.qm")))
        app.installTranslator(&english);
    TabTMC page;
    QSharedPointer<FMSettings> project;
    const QString file = option(args, "--project");
    if (!file.isEmpty()) {
        project.reset(new FMSettings(file));
        page.setSettings(project);
    }
    if (!option(args, "--source").isEmpty())
        page.selectSource(option(args, "--source").toInt());
    if (!option(args, "--message").isEmpty()) {
        auto *messages = page.findChild<TMCTable *>(QStringLiteral("messages"));
        messages->setCurrentIndex(messages->model()->index(option(args, "--message").toInt(), 0));
    }
    page.resize(1100, 700);
    page.show();
    const QString grab = option(args, "--grab");
    if (grab.isEmpty())
        return app.exec();
    app.processEvents();
    return page.grab().save(grab) ? 0 : 1;
}
