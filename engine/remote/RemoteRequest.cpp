#include "RemoteRequest.h"

#include "Settings.h"

bool RemoteRequest::takesFileName(const QString &command)
{
    static const char *const names[] = {"DIR", "LIST", "LS", "CD", "NEW", "LOAD", "SAVE"};
    for (const char *n : names) {
        if (command == QLatin1String(n))
            return true;
    }
    return false;
}

RemoteRequest RemoteRequest::parse(const QString &line)
{
    RemoteRequest r;
    const QString text = line.trimmed();
    const int blank = text.indexOf(QLatin1Char(' '));
    r.command = (blank < 0 ? text : text.left(blank)).trimmed().toUpper();
    r.arguments = blank < 0 ? QString() : text.mid(blank + 1).trimmed();

    const int open = r.arguments.indexOf(QLatin1Char('"'));
    const int close = open < 0 ? -1 : r.arguments.indexOf(QLatin1Char('"'), open + 1);
    const int sep = r.arguments.indexOf(QLatin1Char(' '));
    if (close > open) {
        r.key = r.arguments.mid(open + 1, close - open - 1);
        r.value = r.arguments.mid(close + 1).trimmed();
    } else if (sep >= 0) {
        r.key = r.arguments.left(sep).trimmed();
        r.value = r.arguments.mid(sep + 1).trimmed();
    } else {
        r.key = r.arguments;
    }

    if (r.value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        r.value = QStringLiteral("1");
    else if (r.value.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        r.value = QStringLiteral("0");

    if (!takesFileName(r.command))
        r.key = Settings::normalizeKey(r.key);
    r.displayKey = QString(r.key).replace(QLatin1Char('/'), QLatin1Char('.'));
    return r;
}
