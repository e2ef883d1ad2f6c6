#include "RDSTexts.h"

#include "AFCodes.h"
#include "RDSCharset.h"

#include <QCoreApplication>

#include <cmath>

namespace {

// IEC 62106 programme type codes 0..31 (RDS, Europe).
// clang-format off
const char *const kPty[32] = {
    QT_TRANSLATE_NOOP("TabRDS", "0 No Program TYpe"),
    QT_TRANSLATE_NOOP("TabRDS", "1 Nachrichten"),
    QT_TRANSLATE_NOOP("TabRDS", "2 Aktuelle Info"),
    QT_TRANSLATE_NOOP("TabRDS", "3 Information / Service"),
    QT_TRANSLATE_NOOP("TabRDS", "4 Sport"),
    QT_TRANSLATE_NOOP("TabRDS", "5 Bildung"),
    QT_TRANSLATE_NOOP("TabRDS", "6 Hörspiel und Literatur"),
    QT_TRANSLATE_NOOP("TabRDS", "7 Kultur und Gesellschaft"),
    QT_TRANSLATE_NOOP("TabRDS", "8 Wissenschaft"),
    QT_TRANSLATE_NOOP("TabRDS", "9 Unterhaltung"),
    QT_TRANSLATE_NOOP("TabRDS", "10 Pop Music"),
    QT_TRANSLATE_NOOP("TabRDS", "11 Rock Music"),
    QT_TRANSLATE_NOOP("TabRDS", "12 Unterhaltungsmusik"),
    QT_TRANSLATE_NOOP("TabRDS", "13 Leichte Klassik"),
    QT_TRANSLATE_NOOP("TabRDS", "14 Ernste Klassik"),
    QT_TRANSLATE_NOOP("TabRDS", "15 Spezielle Musik"),
    QT_TRANSLATE_NOOP("TabRDS", "16 Wetter"),
    QT_TRANSLATE_NOOP("TabRDS", "17 Wirtschaft"),
    QT_TRANSLATE_NOOP("TabRDS", "18 Kinderprogramm"),
    QT_TRANSLATE_NOOP("TabRDS", "19 Soziales"),
    QT_TRANSLATE_NOOP("TabRDS", "20 Religion"),
    QT_TRANSLATE_NOOP("TabRDS", "21 Anrufsendung"),
    QT_TRANSLATE_NOOP("TabRDS", "22 Reiseinformation"),
    QT_TRANSLATE_NOOP("TabRDS", "23 Freizeit"),
    QT_TRANSLATE_NOOP("TabRDS", "24 Jazz Music"),
    QT_TRANSLATE_NOOP("TabRDS", "25 Country Music"),
    QT_TRANSLATE_NOOP("TabRDS", "26 National Music"),
    QT_TRANSLATE_NOOP("TabRDS", "27 Oldies Music"),
    QT_TRANSLATE_NOOP("TabRDS", "28 Folklore Music"),
    QT_TRANSLATE_NOOP("TabRDS", "29 Feature / Documentary"),
    QT_TRANSLATE_NOOP("TabRDS", "30 Alarm Test"),
    QT_TRANSLATE_NOOP("TabRDS", "31 Alarm"),
};

// RadioText+ content types 0..63 (IEC 62106 RT+ annex, content type codes);
// 54, 55 reserved, 56..58 private classes.
const char *const kContentTypes[64] = {
    "DUMMY_CLASS", "ITEM.TITLE", "ITEM.ALBUM", "ITEM.TRACKNUMBER", "ITEM.ARTIST", "ITEM.COMPOSITION",
    "ITEM.MOVEMENT", "ITEM.CONDUCTOR", "ITEM.COMPOSER", "ITEM.BAND", "ITEM.COMMENT", "ITEM.GENRE",
    "INFO.NEWS", "INFO.NEWS.LOCAL", "INFO.STOCKMARKET", "INFO.SPORT", "INFO.LOTTERY", "INFO.HOROSCOPE",
    "INFO.DAILY_DIVERSION", "INFO.HEALTH", "INFO.EVENT", "INFO.SCENE", "INFO.CINEMA", "INFO.STUPIDITY_MACHINE",
    "INFO.DATE_TIME", "INFO.WEATHER", "INFO.TRAFFIC", "INFO.ALARM", "INFO.ADVERTISEMENT", "INFO.URL",
    "INFO.OTHER", "STATIONNAME.SHORT", "STATIONNAME.LONG", "PROGRAMME.NOW", "PROGRAMME.NEXT",
    "PROGRAMME.PART", "PROGRAMME.HOST", "PROGRAMME.EDITORIAL_STAFF", "PROGRAMME.FREQUENCY",
    "PROGRAMME.HOMEPAGE", "PROGRAMME.SUBCHANNEL", "PHONE.HOTLINE", "PHONE.STUDIO", "PHONE.OTHER",
    "SMS.STUDIO", "SMS.OTHER", "EMAIL.HOTLINE", "EMAIL.STUDIO", "EMAIL.OTHER", "MMS.OTHER", "CHAT",
    "CHAT.CENTRE", "VOTE.QUESTION", "VOTE.CENTRE", "RFU", "RFU", "PRIVATE", "PRIVATE", "PRIVATE",
    "PLACE", "APPOINTMENT", "IDENTIFIER", "PURCHASE", "GET_DATA",
};
// clang-format on

// First LF value in 0.1 kHz; FM values lie below it.
constexpr qint32 kLfFirst = 1530;

QColor highlight = QColor(51, 153, 255).lighter(150);

} // namespace

QStringList ptyNames()
{
    QStringList names;
    for (const char *name : kPty)
        names << QCoreApplication::translate("TabRDS", name);
    return names;
}

QStringList rtPlusContentTypes()
{
    QStringList names;
    for (int i = 0; i < 64; ++i)
        names << QStringLiteral("%1 %2").arg(i).arg(QLatin1String(kContentTypes[i]));
    return names;
}

void convertRdsCharset(QString &text, bool keepRdsBytes)
{
    const QList<int> keep = rdsUnescape(text, 2);
    const QByteArray bytes = rdsE1Bytes(text, keep);
    if (keepRdsBytes) {
        text = QString::fromLatin1(bytes);
        return;
    }
    text.resize(bytes.size());
    for (int i = 0; i < bytes.size(); ++i)
        text[i] = rdsCharToUnicode(static_cast<u8>(bytes.at(i)));
}

QString hexWithSeparator(const QByteArray &bytes, QChar separator)
{
    QString out;
    out.reserve(bytes.size() * 3);
    for (int i = 0; i < bytes.size(); ++i) {
        if (i)
            out += separator;
        out += QStringLiteral("%1").arg(static_cast<u8>(bytes.at(i)), 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

QString afFrequencyText(qint32 value, bool withUnit)
{
    const QString number = QString::number(value / 10.0, 'f', 1);
    if (!withUnit)
        return number;
    return number + (value < kLfFirst ? QStringLiteral(" MHz") : QStringLiteral(" kHz"));
}

qint32 typedAfFrequency(const QString &text)
{
    QString number = text.trimmed().section(QLatin1Char(' '), 0, 0);
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double tenths = number.toDouble(&ok) * 10.0;
    if (!ok || !std::isfinite(tenths) || std::fabs(tenths) > 1e7)
        return 0;
    const long value = std::lround(tenths);
    // 101.15 MHz or 153.5 kHz lie between the steps of the codes.
    if (std::fabs(tenths - double(value)) > 1e-6 || !isAfFrequency(int(std::labs(value))))
        return 0;
    return qint32(value);
}

QColor warnColour()
{
    return QColor(255, 192, 192);
}

QColor groupHighlightColour()
{
    return highlight;
}

void setGroupHighlightColour(const QColor &colour)
{
    highlight = colour;
}
