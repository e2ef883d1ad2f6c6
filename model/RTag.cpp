#include "RTag.h"

#include "RecordText.h"

RTag RTag::fromText(const QString &value)
{
    RTag t;
    const int blank = value.indexOf(QLatin1Char(' '));
    if (blank < 0) {
        t.type = static_cast<qint32>(RecordText::dec(value));
        t.text = value;
    } else {
        t.type = static_cast<qint32>(RecordText::dec(value.left(blank)));
        t.text = value.mid(blank + 1);
    }
    return t;
}
