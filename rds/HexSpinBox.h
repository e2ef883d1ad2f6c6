#pragma once

#include <QSpinBox>

// A spin box that shows its value in upper-case hexadecimal ("E0"); input is
// taken in either case and shown in upper case. Used by the forms for codes
// and end characters.
class HexSpinBox : public QSpinBox
{
    Q_OBJECT

public:
    explicit HexSpinBox(QWidget *parent = nullptr);

protected:
    QString textFromValue(int value) const override;
    // Typed letters turn upper case at once, as in the masked hex fields.
    QValidator::State validate(QString &input, int &pos) const override;
};
