#include "CommandLine.h"

#include <cstdio>

namespace {

// The options QGuiApplication, QApplication and the X11 platform read
// themselves, with one or two dashes; the valued ones take the next argument.
const QSet<QString> &frameworkValued()
{
    static const QSet<QString> names{"platform", "platformpluginpath", "platformtheme", "plugin",
                                     "qwindowgeometry", "qwindowicon", "qwindowtitle", "session",
                                     "style", "stylesheet", "display", "geometry", "title", "name",
                                     "visual", "ncols", "im", "inputstyle"};
    return names;
}

// The valued options that Qt 5 also reads with their value after '='
// ("--style=fusion"); the others it reads only with the value as the next
// argument and leaves "--platform=offscreen" alone.
bool readsInlineValue(const QString &name)
{
    return name == QLatin1String("style") || name == QLatin1String("stylesheet");
}

const QSet<QString> &frameworkFlags()
{
    static const QSet<QString> names{"reverse", "widgetcount", "cmap", "nograb", "dograb", "sync", "testability"};
    return names;
}

// The framework's name of an option ("platform" for "-platform" and
// "--platform=x"), empty for an argument that is none.
QString frameworkName(const QString &arg, bool *inlineValue)
{
    const int dashes = arg.startsWith(QLatin1String("--")) ? 2 : arg.startsWith(QLatin1Char('-')) ? 1 : 0;
    if (dashes == 0)
        return QString();
    const int eq = arg.indexOf(QLatin1Char('='));
    *inlineValue = eq > 0;
    return arg.mid(dashes, eq > 0 ? eq - dashes : -1);
}

} // namespace

CommandLine::CommandLine(const QString &program, const QString &usage) : m_program(program), m_usage(usage)
{
    if (!m_usage.endsWith(QLatin1Char('\n')))
        m_usage += QLatin1Char('\n');
}

void CommandLine::addFlag(const QString &name)
{
    m_flags.insert(name);
}

void CommandLine::addValue(const QString &name)
{
    m_valued.insert(name);
}

void CommandLine::setMaxPlain(int count)
{
    m_maxPlain = count;
}

CommandLine::Outcome CommandLine::parse(const QStringList &arguments)
{
    m_error.clear();
    m_set.clear();
    m_values.clear();
    m_plain.clear();
    bool help = false;
    const auto refuse = [this](const QString &why) {
        if (m_error.isEmpty())
            m_error = why;
    };
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            help = true;
        } else if (m_flags.contains(arg)) {
            m_set.insert(arg);
        } else if (m_valued.contains(arg)) {
            if (i + 1 < arguments.size()) {
                m_set.insert(arg);
                m_values.insert(arg, arguments.at(++i));
            } else {
                refuse(QStringLiteral("option '%1' needs a value").arg(arg));
            }
        } else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            bool inlineValue = false;
            const QString name = m_framework ? frameworkName(arg, &inlineValue) : QString();
            if (name == QLatin1String("qmljsdebugger") || (inlineValue && readsInlineValue(name)))
                continue;
            if (inlineValue && frameworkValued().contains(name)) {
                const int eq = arg.indexOf(QLatin1Char('='));
                refuse(QStringLiteral("option '%1' takes its value as the next argument: %2 %3")
                           .arg(arg, arg.left(eq), arg.mid(eq + 1)));
                continue;
            }
            if (!inlineValue && frameworkFlags().contains(name))
                continue;
            if (!inlineValue && frameworkValued().contains(name)) {
                if (i + 1 < arguments.size())
                    ++i;
                else
                    refuse(QStringLiteral("option '%1' needs a value").arg(arg));
                continue;
            }
            refuse(QStringLiteral("unknown option '%1'").arg(arg));
        } else if (m_plain.size() < m_maxPlain) {
            m_plain << arg;
        } else {
            refuse(QStringLiteral("unexpected argument '%1'").arg(arg));
        }
    }
    m_outcome = help ? Outcome::Help : m_error.isEmpty() ? Outcome::Run : Outcome::Refused;
    return m_outcome;
}

CommandLine::Outcome CommandLine::parseEarly(int argc, char *argv[])
{
    m_framework = true;
    const Outcome outcome = parse(arguments(argc, argv));
    m_framework = false;
    return outcome;
}

bool CommandLine::isSet(const QString &name) const
{
    return m_set.contains(name);
}

QString CommandLine::value(const QString &name) const
{
    return m_values.value(name);
}

QStringList CommandLine::plain() const
{
    return m_plain;
}

QString CommandLine::error() const
{
    return m_error;
}

int CommandLine::report() const
{
    if (m_outcome == Outcome::Refused) {
        std::fprintf(stderr, "%s: %s\n%s", qPrintable(m_program), qPrintable(m_error), qPrintable(m_usage));
        std::fflush(stderr);
        return 2;
    }
    std::fputs(qPrintable(m_usage), stdout);
    std::fflush(stdout);
    return 0;
}

QStringList CommandLine::arguments(int argc, char *argv[])
{
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list << QString::fromLocal8Bit(argv[i]);
    return list;
}
