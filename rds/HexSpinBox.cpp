#include "HexSpinBox.h"

HexSpinBox::HexSpinBox(QWidget *parent) : QSpinBox(parent)
{
    setDisplayIntegerBase(16);
}

QString HexSpinBox::textFromValue(int value) const
{
    return QSpinBox::textFromValue(value).toUpper();
}

QValidator::State HexSpinBox::validate(QString &input, int &pos) const
{
    input = input.toUpper();
    return QSpinBox::validate(input, pos);
}
