// Location entries split on demand and their description texts.
#include "TmcCatalog.h"

#include <QCoreApplication>

namespace {
constexpr int interroadFirst = 0xFC00;
constexpr int interroadLast = 0xFFFC;
constexpr int shownFields = 9;
} // namespace

TMCLocation tmcParseLocation(const TMCLocation &entry)
{
    if (!entry.fields.isEmpty() || entry.line.isEmpty())
        return entry;
    TMCLocation parsed = entry;
    const QList<QByteArray> parts = entry.line.split(';');
    parsed.other = parts.mid(shownFields).join(' ').simplified();
    parsed.fields = parts.mid(0, shownFields);
    return parsed;
}

QString tmcLocationText(quint16 locationCode)
{
    if (locationCode >= interroadFirst && locationCode <= interroadLast)
        return QStringLiteral("Interroad CC=%1 LTN=%2")
            .arg(QString::number((locationCode >> 6) & 15, 16).toUpper())
            .arg(locationCode & 63);
    const auto it = tmcLocationMap.find(locationCode);
    if (it == tmcLocationMap.end())
        return QCoreApplication::translate("TMCPlaces", "Code nicht gefunden");
    *it = tmcParseLocation(*it); // split once, kept in the map
    const TMCLocation &loc = *it;
    const auto field = [&loc](int i) { return QString::fromUtf8(loc.fields.at(i)); };
    QString text;
    if (loc.fields.size() >= shownFields) {
        if (!loc.fields.at(5).isEmpty())
            text += field(5) + QLatin1Char(' ');
        if (!loc.fields.at(6).isEmpty())
            text += field(6);
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        for (int i : {3, 4, 1})
            if (!loc.fields.at(i).isEmpty())
                text += field(i) + QLatin1Char(' ');
        text += QStringLiteral("%1\nLoc: %2\nRef: %3 %4\n")
                    .arg(field(2), QString::number(locationCode), field(7), field(8));
    }
    return text + QLatin1Char('\n') + QString::fromUtf8(loc.other);
}
