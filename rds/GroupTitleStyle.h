#pragma once

#include <QProxyStyle>

// The style of the group boxes whose titles carry a measured rate: the
// application's style, except that a title's label area is as wide as the
// title is drawn. Some styles measure the title by the ink of its glyphs,
// which can be narrower than the text laid out, and then cut off its last
// characters (the closing parenthesis of the rate). GUI thread.
class GroupTitleStyle : public QProxyStyle
{
    Q_OBJECT

public:
    GroupTitleStyle();

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex *option, SubControl sub,
                         const QWidget *widget) const override;
};
