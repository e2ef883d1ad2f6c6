#include "ClampedValue.h"

#include "RecordText.h"

#include <algorithm>
#include <cmath>

namespace ClampedValue {

qint64 toInt(const QVariant &value, qint64 fallback, qint64 lo, qint64 hi)
{
    const QString text = RecordText::text(value).trimmed();
    qint64 result = fallback;
    bool ok = false;
    const qint64 whole = text.toLongLong(&ok);
    if (ok) {
        result = whole;
    } else {
        const double d = text.toDouble(&ok);
        if (ok && std::isfinite(d)) {
            // Also whole numbers too long for 64 bits.
            const double rounded = std::floor(d + 0.5);
            if (rounded <= double(lo))
                result = lo;
            else if (rounded >= double(hi))
                result = hi;
            else
                result = qint64(rounded);
        }
    }
    return std::clamp(result, lo, hi);
}

double toDouble(const QVariant &value, double fallback)
{
    bool ok = false;
    const double d = RecordText::text(value).trimmed().toDouble(&ok);
    return ok && std::isfinite(d) ? d : fallback;
}

} // namespace ClampedValue
