#include "FMSettings.h"

#include "RecordText.h"

#include <QStringList>

#include <cmath>

namespace {

bool hasRow(const QString &genericKey)
{
    KeyDesc unused;
    return FMSettings::keyDesc(genericKey, unused);
}

QString generalNumber(double v)
{
    return QString::number(v, 'g', 6);
}

// One bound of a range as help lines and error texts show it: a whole
// number in full ("1048575", not the rounded "1.04858e+06"), any other in
// the general form.
QString boundText(const KeyDesc &desc, double v)
{
    if (desc.elementType() == KeyDesc::Hex)
        return QString::number(qRound64(v), 16);
    if (std::trunc(v) == v && std::fabs(v) < 1e15)
        return QString::number(static_cast<qint64>(v));
    return generalNumber(v);
}

QString elementName(const KeyDesc &desc)
{
    switch (desc.elementType()) {
    case KeyDesc::Integer:
        return desc.min == 0.0 && desc.max == 1.0 ? QStringLiteral("bool") : QStringLiteral("integer");
    case KeyDesc::Double:
        return QStringLiteral("double");
    case KeyDesc::String:
        return QStringLiteral("string");
    case KeyDesc::IdLink:
        return QStringLiteral("id link");
    case KeyDesc::Hex:
        return QStringLiteral("hexadecimal");
    default:
        return QString();
    }
}

} // namespace

QString FMSettings::genericKey(const QString &key)
{
    QString folded = key;
    folded.replace(QLatin1Char('/'), QLatin1Char('.'));
    folded = folded.toLower();

    // Fold out the source, channel and item numbers that are followed by a
    // further segment; the last segment stays.
    const QStringList segments = folded.split(QLatin1Char('.'));
    QStringList kept;
    for (int i = 0; i < segments.size(); ++i) {
        const bool last = i == segments.size() - 1;
        if (i > 0 && !last && RecordText::isWholeNumber(segments.at(i)))
            continue;
        kept.append(segments.at(i));
    }
    const QString result = kept.join(QLatin1Char('.'));

    if (hasRow(result))
        return result;
    // A whole list names its item family ("rds.1/eon" -> "rds.eon.").
    const QString family = result + QLatin1Char('.');
    if (hasRow(family))
        return family;
    // An item of a list family ("tmc.1/5" -> "tmc.").
    const int dot = result.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0 && RecordText::isWholeNumber(result.mid(dot + 1))) {
        const QString head = result.left(dot + 1);
        if (hasRow(head))
            return head;
    }
    return result;
}

QString FMSettings::describeKey(const QString &key)
{
    KeyDesc desc;
    if (!keyDesc(genericKey(key), desc))
        return QString();

    QString line = desc.description;
    if (desc.hasRange())
        line += QStringLiteral(" [%1..%2]").arg(boundText(desc, desc.min), boundText(desc, desc.max));
    if (!desc.unit.isEmpty())
        line += QLatin1Char(' ') + desc.unit;
    if (desc.type != KeyDesc::None) {
        line += QLatin1String(" (");
        if (desc.isList()) {
            line += QLatin1String("list of ");
            if (!desc.hasRange() && desc.step != 0.0)
                line += generalNumber(desc.step) + QLatin1Char(' ');
        }
        line += elementName(desc) + QLatin1Char(')');
    }
    return line;
}

bool FMSettings::selectKeyDesc(const QString &genericKey)
{
    return keyDesc(genericKey, currentDesc);
}

QString FMSettings::errorText(int code) const
{
    switch (code) {
    case 0:
        return QStringLiteral("no error occurred");
    case 1:
        return QStringLiteral("key is unknown");
    case 2:
        return QStringLiteral("data out of range [%1..%2]")
            .arg(boundText(currentDesc, currentDesc.min), boundText(currentDesc, currentDesc.max));
    case 3:
        return QStringLiteral("data did not change");
    case 4:
        return QStringLiteral("expecting %1 values").arg(generalNumber(currentDesc.step));
    case 5:
        return QStringLiteral("is not a list or list item");
    case 6:
        return QStringLiteral("is not set");
    case 7:
        return QStringLiteral("use ADD to insert list items");
    case 8:
        return QStringLiteral("needs an entry number 0..%1").arg(RDSGroupRate::count - 1);
    case 9:
        return QStringLiteral("is taken from the linked channel");
    default:
        return QStringLiteral("unknown error");
    }
}
