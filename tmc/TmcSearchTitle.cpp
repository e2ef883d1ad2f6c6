#include "TmcSearchTitle.h"

QString tmcSearchTitle(const QString &title, const QString &count)
{
    const int bracket = title.indexOf(QStringLiteral(" ("));
    return (bracket < 0 ? title : title.left(bracket)) + QStringLiteral(" (") + count + QLatin1Char(')');
}
