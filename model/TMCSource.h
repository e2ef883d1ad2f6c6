#pragma once

#include "TMCMessage.h"
#include "Types.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

#include <array>

class RecordReader;

// What the RDS encoder needs to send RDS-TMC (ISO 14819-1) on the channels
// whose RDS source names this one: the 3A system information, encryption
// parameters (ISO 14819-6), service provider name and the messages. Source
// N lives in the INI group "tmc.N". A plain value: readers work on copies.
struct TMCSource
{
    static constexpr int keyCount = 32; // entries of the service key table

    // The initialisers are the values of a freshly constructed record; the
    // loader puts different values in for some keys missing from the file.
    bool used = false;
    QString name;
    QString spn;      // service provider name
    u8 flag = 9;      // bits 0, 3, 4, 5: announce 3A variant 0..3; bit 1 encryption; bit 2 key table
    u8 rate = 15;     // "ENCID rate": least seconds between two encryption administration groups
    u16 aid = 0xCD46; // application identifier (block D of 3A)
    u8 rpt = 3;       // sends of each group
    u8 enc = 31;      // encryption identifier, index into skt
    u16 va0 = 0x0047; // 3A variant 0 (location table number in bits 11..6)
    u16 va1 = 0x400D; // 3A variant 1 (service id in bits 11..6, table country code in bits 3..0)
    u16 va2 = 0x80E0; // 3A variant 2 (table extended country code in bits 7..0)
    u16 va3 = 0xC000; // 3A variant 3
    std::array<u16, keyCount> skt{}; // service key table
    QList<TMCMessage> messages;      // in sending order

    // "TMC-N": the name of a source whose key is missing.
    static QString defaultName(int n) { return QStringLiteral("TMC-%1").arg(n); }

    // Derived keys written with the record and never read back.
    int ltn() const { return (va0 >> 6) & 0x3F; }  // location table number
    int sid() const { return (va1 >> 6) & 0x3F; }  // service identifier
    bool writesLtcc() const { return (va0 & 0x10) == 0; }
    QString ltccText() const { return QString::number(va1 & 0x0F, 16); }
    QString lteccText() const { return QStringLiteral("%1").arg(va2 & 0xFF, 2, 16, QLatin1Char('0')); }

    // "skt": the 32 entries in lower-case hexadecimal, single blanks.
    QString sktText() const;
    // Reads "skt": part k (split at single blanks, empty parts kept) into
    // skt[k] for as many parts as there are, at most 32; a part that is not
    // a hexadecimal number reads 0; the other entries keep their values.
    void readSkt(const QString &text);

    // Reads the stored fields of source n from its group: the scalar keys
    // with their defaults for missing keys, "skt" (entries it lacks read 0),
    // and the messages "0", "1", ... up to the first missing index.
    void readFrom(int n, const RecordReader &in);

    // Keys (relative to the group) and stored values of the record, in the
    // order in which the TMC editor's save stores them: the scalar fields,
    // then the derived keys ("ltcc" only while bit 4 of va0 is clear), then
    // rpt and enc. Numbers are decimal texts. used, name, skt and the
    // messages are not included.
    QList<QPair<QString, QVariant>> scalarValues() const;
};
