// The German texts that explain event codes, durations, quantifiers and
// supplementary information.
#include "TmcCatalog.h"

#include <QCoreApplication>
#include <QTime>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("TMCEvents", text);
}

// Duration texts (ISO 14819-2): [type L][forecast][value 1..7].
const char *const durationTexts[2][2][7] = {
    {{QT_TRANSLATE_NOOP("TMCEvents", "für min. 15 Minuten"), QT_TRANSLATE_NOOP("TMCEvents", "für min. 30 Minuten"),
      QT_TRANSLATE_NOOP("TMCEvents", "für min. eine Stunde"), QT_TRANSLATE_NOOP("TMCEvents", "für min. 2 Stunden"),
      QT_TRANSLATE_NOOP("TMCEvents", "für min. 3 Stunden"), QT_TRANSLATE_NOOP("TMCEvents", "für min. 4 Stunden"),
      QT_TRANSLATE_NOOP("TMCEvents", "für den ganzen Tag")},
     {QT_TRANSLATE_NOOP("TMCEvents", "innerhalb von 15 Minuten"),
      QT_TRANSLATE_NOOP("TMCEvents", "innerhalb von 30 Minuten"),
      QT_TRANSLATE_NOOP("TMCEvents", "innerhalb einer Stunde"), QT_TRANSLATE_NOOP("TMCEvents", "innerhalb von 2 Stunden"),
      QT_TRANSLATE_NOOP("TMCEvents", "innerhalb von 3 Stunden"),
      QT_TRANSLATE_NOOP("TMCEvents", "innerhalb von 4 Stunden"), QT_TRANSLATE_NOOP("TMCEvents", "im Laufe des Tages")}},
    {{QT_TRANSLATE_NOOP("TMCEvents", "für die nächsten Stunden"), QT_TRANSLATE_NOOP("TMCEvents", "für den ganzen Tag"),
      QT_TRANSLATE_NOOP("TMCEvents", "bis morgen Abend"), QT_TRANSLATE_NOOP("TMCEvents", "für die restliche Woche"),
      QT_TRANSLATE_NOOP("TMCEvents", "bis Ende nächster Woche"), QT_TRANSLATE_NOOP("TMCEvents", "bis zum Montagsende"),
      QT_TRANSLATE_NOOP("TMCEvents", "für lange Zeit")},
     {QT_TRANSLATE_NOOP("TMCEvents", "in den nächsten Stunden"), QT_TRANSLATE_NOOP("TMCEvents", "im Laufe des Tages"),
      QT_TRANSLATE_NOOP("TMCEvents", "Morgen"), QT_TRANSLATE_NOOP("TMCEvents", "Übermorgen"),
      QT_TRANSLATE_NOOP("TMCEvents", "dieses Wochenende"), QT_TRANSLATE_NOOP("TMCEvents", "im Laufe der Woche"),
      QT_TRANSLATE_NOOP("TMCEvents", "nächste Woche")}}};

QString number(double v)
{
    return QString::number(v, 'g', 6);
}

// Quantifier values (ISO 14819-1) as text, by quantifier type.
QString quantity(int type, int v)
{
    switch (type) {
    case 0: return QString::number(v == 0 ? 36 : v <= 28 ? v : 2 * v - 28);
    case 1: return QString::number(v == 0 ? 1000 : v <= 4 ? v : v <= 14 ? (v - 4) * 10 : (v - 12) * 50);
    case 2: return QStringLiteral("%1 m").arg(10 * v);
    case 3: return QStringLiteral("%1 %").arg(5 * v);
    case 4: return QStringLiteral("%1 km/h").arg(5 * v);
    case 5:
        if (v == 0)
            return QStringLiteral("72 hours");
        if (v <= 10)
            return QStringLiteral("%1 min").arg(5 * v);
        return QStringLiteral("%1 hours").arg(v <= 22 ? v - 10 : (v - 20) * 6);
    case 6: return QStringLiteral("%1 °C").arg(v - 51);
    case 7: return QTime(0, 0).addSecs((v - 1) * 600).toString(QStringLiteral("hh:mm"));
    case 8:
    case 9:
        return QString::fromLatin1(type == 8 ? "%1 t" : "%1 m").arg(number(v <= 100 ? v / 10.0 : (v - 100) * 0.5 + 10));
    case 10: return QStringLiteral("%1 mm").arg(v);
    case 11: return QStringLiteral("%1 MHz").arg(number(87.5 + v / 10.0));
    case 12: return QStringLiteral("%1 kHz").arg(v < 16 ? 144 + 9 * v : 387 + 9 * v);
    default: return QString();
    }
}

} // namespace

QString tmcEventText(quint16 eventCode)
{
    const auto it = tmcEventMap.constFind(eventCode);
    if (it == tmcEventMap.constEnd())
        return tr("Code nicht gefunden");
    const TMCEvent &e = *it;
    QString text = tr("%1\n%2\nZeile: %3 / C: %4")
                       .arg(QString::fromUtf8(e.german), QString::fromUtf8(e.english), QString::number(e.line),
                            QString::number(e.eventClass));
    if (e.quantifier != 255)
        text += QStringLiteral(" / Q: %1 (%2-bits)").arg(e.quantifier).arg(e.quantifier <= 5 ? 5 : 8);
    if (!e.references.isEmpty())
        text += QLatin1Char('\n') + tr("Referenz:") + QLatin1Char(' ') + QString::fromUtf8(e.references);
    if (e.durationType == 'L' || e.durationType == 'l')
        text += QStringLiteral("\nT: ") + tr("länger anhaltend");
    if (e.directionality == 2)
        text += QStringLiteral("\nD: ") + tr("beide Richtungen");
    if (e.nature == 'F')
        text += QStringLiteral("\nN: ") + tr("Vorhersage");
    else if (e.nature == 'S')
        text += QStringLiteral("\nN: ") + tr("Stille Meldung");
    if (e.urgency == 'U')
        text += QStringLiteral("\nU: ") + tr("Wichtig!");
    else if (e.urgency == 'X')
        text += QStringLiteral("\nU: ") + tr("Sehr wichtig!");
    const auto cancel = tmcCancelMap.constFind(e.eventClass);
    text += QLatin1Char('\n') + tr("Aufheben: %1").arg(cancel == tmcCancelMap.constEnd() ? 0 : cancel.value());
    return text;
}

QString tmcDurationText(quint16 eventCode, quint8 duration)
{
    const auto it = tmcEventMap.constFind(eventCode);
    if (it == tmcEventMap.constEnd())
        return QString();
    const int type = it->durationType | 0x20; // lower case
    const int v = duration & 7;
    if (v == 0 || (type != 'd' && type != 'l'))
        return tr("Unbekannt");
    return tr(durationTexts[type == 'l'][it->nature == 'F'][v - 1]);
}

QString tmcQuantifierText(quint16 eventCode, quint8 value)
{
    const auto it = tmcEventMap.constFind(eventCode);
    if (it == tmcEventMap.constEnd())
        return QString();
    return quantity(it->quantifier, value);
}

QString tmcSuppInfoText(quint16 code)
{
    const auto it = tmcSuppInfoMap.constFind(code);
    if (it == tmcSuppInfoMap.constEnd())
        return QString();
    const int index = uiLanguageIndex.load();
    return index >= 0 && index < it->size() ? QString::fromUtf8(it->at(index)) : QString();
}
