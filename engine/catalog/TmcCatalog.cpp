#include "TmcCatalog.h"

#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>

std::atomic<int> uiLanguageIndex{1};

namespace {

QMap<int, TMCEvent> eventMap;
QMultiMap<int, int> cancelMap;
QMap<int, QByteArrayList> suppInfoMap;
QByteArrayList locationHeaders;

constexpr int maxEventCode = 2047;   // 11 bits
constexpr int maxLocationCode = 65535;
constexpr int maxLocationCodeBytes = 5;

// The lines of a text file decoded as Latin-1, each without its line end
// and split at every ';'. A missing file gives no lines.
QList<QStringList> readFieldLines(const QString &path)
{
    QList<QStringList> lines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return lines;
    while (!file.atEnd()) {
        QString line = QString::fromLatin1(file.readLine());
        while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        lines.append(line.split(QLatin1Char(';')));
    }
    return lines;
}

// A decimal number with blanks around it; 0 when the field is no number.
int numberField(const QString &field)
{
    bool ok = false;
    const int v = field.trimmed().toInt(&ok);
    return ok ? v : 0;
}

// The first character of a field; 0 when the field is blank.
u8 charField(const QString &field)
{
    const QString t = field.trimmed();
    return t.isEmpty() ? 0 : u8(t.at(0).toLatin1());
}

// "D", "L", or the letter in brackets ("(L)") stored in lower case.
u8 durationField(const QString &field)
{
    const QString t = field.trimmed();
    if (t.size() == 3)
        return u8(t.at(1).toLower().toLatin1());
    return charField(t);
}

// Event files: shift 0 for the event list, 1 for the forecast list, which
// lacks one unused text column before the code.
void loadEvents(const QString &path, int shift)
{
    for (const QStringList &f : readFieldLines(path)) {
        if (f.size() < 14 - shift)
            continue;
        const int code = numberField(f.at(6 - shift));
        if (code < 1 || code > maxEventCode)
            continue;
        TMCEvent e;
        e.code = u16(code);
        e.line = u16(numberField(f.at(0)));
        e.english = f.at(1).toUtf8();
        e.german = f.at(2).toUtf8();
        e.nature = charField(f.at(7 - shift));
        const QString q = f.at(8 - shift).trimmed();
        e.quantifier = q.isEmpty() ? 255 : u8(numberField(q));
        e.durationType = durationField(f.at(9 - shift));
        e.directionality = u8(numberField(f.at(10 - shift)));
        e.urgency = charField(f.at(11 - shift));
        e.eventClass = u8(numberField(f.at(12 - shift)));
        e.references = f.at(13 - shift).toUtf8();
        eventMap.insert(code, e);
        if (e.nature == 'S' && e.durationType == 0)
            cancelMap.insert(e.eventClass, code);
    }
}

// Supplementary information: the code in column 3; the entry keeps the
// columns between the first and the last.
void loadSuppInfo(const QString &path)
{
    for (const QStringList &f : readFieldLines(path)) {
        if (f.size() < 4)
            continue;
        const int code = numberField(f.at(3));
        if (code == 0)
            continue;
        QByteArrayList texts;
        for (int i = 1; i < f.size() - 1; ++i)
            texts.append(f.at(i).toUtf8());
        suppInfoMap.insert(code, texts);
    }
}

// The number at the start of a location line's first field: blanks
// skipped, an optional sign, the digits up to the first other character.
// digits is false when there are none.
qint64 leadingNumber(const QByteArray &field, bool *digits)
{
    int i = 0;
    while (i < field.size() && (field.at(i) == ' ' || field.at(i) == '\t'))
        ++i;
    bool negative = false;
    if (i < field.size() && (field.at(i) == '-' || field.at(i) == '+'))
        negative = field.at(i++) == '-';
    qint64 v = 0;
    *digits = false;
    for (; i < field.size() && field.at(i) >= '0' && field.at(i) <= '9'; ++i) {
        v = v * 10 + (field.at(i) - '0');
        *digits = true;
    }
    return negative ? -v : v;
}

// Location table: one location per line, its code (1..65535) at the start
// of a first field of one to five bytes. A first line without such a number
// is the header with the column titles, however short its first title.
// Other lines without a code are reported and skipped; code 0 passes
// silently.
void loadLocations(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    QElapsedTimer clock;
    clock.start();
    qDebug("TMC: loading locations [%s]", qPrintable(path));
    QList<QByteArray> lines = file.readAll().split('\n');
    file.close();
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the content ended with a line end
    for (int n = 0; n < lines.size(); ++n) {
        QByteArray line = lines.at(n);
        if (line.endsWith('\r'))
            line.chop(1);
        const int k = line.indexOf(';');
        bool digits = false;
        const qint64 code = (k >= 1 && k <= maxLocationCodeBytes) ? leadingNumber(line.left(k), &digits) : 0;
        if (n == 0 && !digits) {
            locationHeaders = QString::fromUtf8(line).toLower().toUtf8().split(';');
        } else if (digits && code >= 1 && code <= maxLocationCode) {
            TMCLocation loc;
            loc.code = u16(code);
            loc.line = line;
            tmcLocationMap.insert(int(code), loc);
        } else if (!(k >= 1 && k <= maxLocationCodeBytes && code == 0)) {
            qDebug("TMC: skip %d [%s]", k, line.constData());
        }
    }
    qDebug("TMC: loaded in %d ms", int(clock.elapsed()));
}

} // namespace

const QMap<int, TMCEvent> &tmcEventMap = eventMap;
const QMultiMap<int, int> &tmcCancelMap = cancelMap;
const QMap<int, QByteArrayList> &tmcSuppInfoMap = suppInfoMap;
const QByteArrayList &tmcLocationHeaders = locationHeaders;
QMap<int, TMCLocation> tmcLocationMap;

bool tmcLoadCatalogues(const QString &dir)
{
    // Board threads read the maps without a lock: they are filled once.
    static std::atomic<bool> loaded{false};
    if (loaded.exchange(true))
        return false;
    const QDir lists(dir);
    loadEvents(lists.filePath(QStringLiteral("ECL401.csv")), 0);
    loadEvents(lists.filePath(QStringLiteral("forecast.csv")), 1);
    loadSuppInfo(lists.filePath(QStringLiteral("suppinfo.csv")));
    const QStringList tables = lists.entryList({QStringLiteral("LCL*.csv")}, QDir::Files, QDir::Name);
    if (!tables.isEmpty())
        loadLocations(lists.filePath(tables.last()));
    return true;
}

quint16 tmcCancelEvent(quint16 eventCode)
{
    const auto event = tmcEventMap.constFind(eventCode);
    if (event == tmcEventMap.constEnd())
        return 128;
    // constFind yields the value inserted last among equal keys.
    const auto cancel = tmcCancelMap.constFind(event->eventClass);
    return cancel == tmcCancelMap.constEnd() ? 128 : quint16(cancel.value());
}

TMCEvent tmcEventEntry(quint16 eventCode)
{
    return tmcEventMap.value(eventCode);
}
