#include "HexSpinBox.h"

HexSpinBox::HexSpinBox(QWidget *parent) : QSpinBox(parent)
{
    setDisplayIntegerBase(16);
}

QString HexSpinBox::textFromValue(int value) const
{
    return QSpinBox::textFromValue(value).toUpper();
}
