#include "GroupTitleStyle.h"

#include <QStyleOptionGroupBox>

GroupTitleStyle::GroupTitleStyle() = default;

QRect GroupTitleStyle::subControlRect(ComplexControl control, const QStyleOptionComplex *option,
                                      SubControl sub, const QWidget *widget) const
{
    QRect rect = QProxyStyle::subControlRect(control, option, sub, widget);
    const auto *box = qstyleoption_cast<const QStyleOptionGroupBox *>(option);
    if (control == CC_GroupBox && sub == SC_GroupBoxLabel && box && !rect.isEmpty()) {
        // The label's text is drawn with its mnemonic ("&&" shows as "&").
        const int laidOut = box->fontMetrics.size(Qt::TextShowMnemonic, box->text).width() + 2;
        rect.setWidth(qMax(rect.width(), laidOut));
    }
    return rect;
}
