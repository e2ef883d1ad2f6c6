#pragma once

#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

// The command line of one of our programs: options with or without a value,
// up to a given number of plain arguments (those not starting with '-') and
// the help option ("-h", "--help"). Anything else is refused by name.
//
// A widget program parses twice: once before its application object exists
// (parseEarly), so that help and refusals need no display and start nothing, and once after, on the arguments the application object
// left (Qt's own options such as "-platform" are gone by then).
//
// Pure: no state outside the object; any thread.
class CommandLine
{
public:
    enum class Outcome {
        Run,     // everything known
        Help,    // help asked for, wherever it stands
        Refused, // an unknown option, a missing value or a plain argument too many
    };

    // usage: what --help prints, its first line beginning "Usage: <program>".
    CommandLine(const QString &program, const QString &usage);

    void addFlag(const QString &name);
    // An option that takes the argument after it as its value.
    void addValue(const QString &name);
    void setMaxPlain(int count);

    // arguments: the program's own name first, as QCoreApplication::arguments.
    Outcome parse(const QStringList &arguments);
    // The parse before the application object exists: argv as it stands,
    // the options the widget framework reads itself ("-platform offscreen",
    // "--style=fusion", "-reverse", ...) taken too. A form the framework
    // would not read ("--platform=offscreen") is refused by name.
    Outcome parseEarly(int argc, char *argv[]);
    bool isSet(const QString &name) const;
    QString value(const QString &name) const;
    QStringList plain() const;
    // Why parse refused, naming the argument ("unknown option '--x'").
    QString error() const;

    // After Help: prints the usage to the standard output and returns 0.
    // After Refused: prints "<program>: <error>" and the usage to the error
    // output and returns 2.
    int report() const;

    // argv as QCoreApplication would read it, for the parse before it exists.
    static QStringList arguments(int argc, char *argv[]);

private:
    QString m_program;
    QString m_usage;
    QSet<QString> m_flags;
    QSet<QString> m_valued;
    int m_maxPlain = 0;
    bool m_framework = false;

    Outcome m_outcome = Outcome::Run;
    QString m_error;
    QSet<QString> m_set;
    QMap<QString, QString> m_values;
    QStringList m_plain;
};
