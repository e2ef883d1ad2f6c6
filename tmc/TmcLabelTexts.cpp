#include "TmcLabelTexts.h"

const QStringList &tmcLabelNames()
{
    static const QStringList names = {
        QStringLiteral("0 Duration"),
        QStringLiteral("1 Control code"),
        QStringLiteral("2 Length of route affected"),
        QStringLiteral("3 Speed limit advice"),
        QStringLiteral("4 Quantifier 5-bits"),
        QStringLiteral("5 Quantifier 8-bits"),
        QStringLiteral("6 Supplementary info code"),
        QStringLiteral("7 Explicit start time"),
        QStringLiteral("8 Explicit stop time"),
        QStringLiteral("9 Additional event"),
        QStringLiteral("A Diversion instruction"),
        QStringLiteral("B Destination"),
        QStringLiteral("C Res. / Precise Location"),
        QStringLiteral("D Cross link problem source"),
        QStringLiteral("E Separator"),
        QStringLiteral("F Reserved"),
    };
    return names;
}

const QStringList &tmcControlCodeTexts()
{
    static const QStringList texts = {
        QStringLiteral("increase urgency by 1"), QStringLiteral("reduce urgency by 1"),
        QStringLiteral("directionality changed"), QStringLiteral("dynamic <-> longer"),
        QStringLiteral("spoken <-> unspoken"), QStringLiteral("diversion bit set"),
        QStringLiteral("increase extent by 8"), QStringLiteral("increase extent by 16"),
    };
    return texts;
}
