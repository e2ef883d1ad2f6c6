#pragma once

#include <QString>

// One RadioText+ tag definition of an RDS source, stored as
// "rds.N/rttag/M" = "type text".
struct RTag
{
    qint32 type = 0; // index into the RadioText+ content types
    QString text;

    QString toText() const { return QStringLiteral("%1 %2").arg(type).arg(text); }
    // type = the text before the first blank as a decimal number (0 when it
    // is not one), text = everything after that blank. A value without a
    // blank gives both from the whole value.
    static RTag fromText(const QString &value);

    bool operator==(const RTag &o) const { return type == o.type && text == o.text; }
    bool operator!=(const RTag &o) const { return !(*this == o); }
};
