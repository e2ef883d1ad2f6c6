#pragma once

#include "Types.h"

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>

#include <atomic>

// One row of the RDS country table: a country or region with its ISO 3166-1
// code, extended country code, PI country digits, world areas and names.
// A plain value record, copyable and assignable.
struct ECC
{
    // World areas of `area`; a row carries every area it belongs to.
    enum Area : u8 {
        Europe = 0x01,
        Africa = 0x02,
        America = 0x04,
        NearEast = 0x08,
        Asia = 0x10,
        Australia = 0x20,
        Islands = 0x40,
    };

    QByteArray iso;  // ISO 3166-1 alpha-2, two upper-case letters ("AD")
    u8 ecc = 0;      // extended country code
    u8 area = 0;     // mask of Area bits
    QByteArray ci;   // PI country digits, upper-case hex characters ("D1")
    QString nameEN;
    QString nameDE;  // empty when the row has no German name

    // The name in the language that langGerman selects; the English name
    // stands in when the row has no German one.
    QString name() const;
    // True when the row lies in every area of the filter (0 selects all rows).
    bool inAreas(u8 filter) const { return (area & filter) == filter; }
};

Q_DECLARE_METATYPE(ECC)

// Language of looked-up country names: true = German. Starts true; the main
// window's language set-up changes it in the GUI thread.
extern std::atomic<bool> langGerman;

// Appends the 231 rows of the table to list, in table order.
void buildCountryList(QList<ECC> &list);

// The process-wide table. Built once, before its first reader, and constant
// afterwards: every thread may read it without a lock.
const QList<ECC> &countryList();

// Names of every row whose ecc equals code and whose ci holds digit, in table
// order, joined by "\n"; empty when none matches. digit is compared byte for
// byte (pass the PI's first hex digit in upper case).
QString countryNames(char digit, u16 code);
