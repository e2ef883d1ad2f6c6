#pragma once

#include "EON.h"
#include "RDSAFEntry.h"
#include "RDSCustomGroup.h"
#include "RDSGroupRate.h"
#include "RTag.h"
#include "Types.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <array>

class RecordReader;

// Everything the RDS encoder needs to generate the RDS and RDS2 groups
// (IEC 62106) of the channels that link to one source: identification,
// flags, texts, AF lists, EON entries, raw (ODA) groups, group rates, clock
// time, error injection and group-file replay. Source N lives in the INI
// group "rds.N". A plain value: the project model keeps one per id and
// every reader, the encoders included, works on its own copy.
struct RDSSource
{
    // The initialisers are the values of a freshly constructed record; the
    // loader puts different values in for some keys missing from the file
    // (see readScalars).
    bool used = true;
    QString name;
    QString lps;             // long programme service name
    QString ps;              // programme service name
    u16 pi = 0xCAFE;         // programme identification
    u8 tp = 1;               // tp, ta, ms: bits 0 or 1, stored as booleans or numbers
    u8 ta = 0;
    u8 ms = 1;               // music/speech
    u8 pty = 10;
    u8 dec = 9;              // decoder identification: 1 stereo, 2 artificial head, 4 compressed, 8 dynamic PTY
    QString rta;             // RadioText A (group 2)
    QString rtb;             // RadioText B (group 2)
    QString rtc;             // enhanced RadioText C
    QString rtd;             // enhanced RadioText D
    QString pn1;             // programme type name 1 (up to 8 characters)
    QString pn2;
    qint32 tmcsi = 0;        // id of the TMC source sent with this one, 0 none
    u8 tmgap = 0;            // force the TMC group gap
    u8 mode = 0x71;          // RDS2 streams: bits 0..3 on; 0x10/0x20/0x40 streams 1..3 copy stream 0
    u8 rtgrp = 7;            // group type carrying RadioText+
    u16 rtbit = 0;           // RadioText+ message bits
    u8 rtitm = 11;           // RadioText+ item bits
    QByteArray enc;          // text codec of enhanced RadioText
    QByteArray crt;          // text codec of standard RadioText
    QByteArray clps;         // text codec of the long PS
    u8 boml = 0;             // bit 0: byte-order mark before the long PS
    u8 rtxt = 8;             // 1 RT, 2 eRT, 4 BOM eRT, 8 BOM RT, 16 toggle A/B, 64 eRT in 3A, 128 RT+ in 3A
    u8 rtxg = 0;             // RadioText group version: 0 2A, 1 2B, 2 both
    u8 ertg = 9;             // group type carrying enhanced RadioText
    u16 ertb = 1;            // enhanced RadioText message bits
    u16 paid = 0x4BD7;       // RadioText+ application identifier
    u16 eaid = 0x6552;       // enhanced RadioText application identifier
    u8 page = 0;             // group 1A radio paging code (5 bits)
    u16 slow = 0x00E0;       // group 1A slow labelling code
    u16 pin = 0;             // group 1A programme item number
    u8 pss = 0x31;           // PS scrolling: bits 0-2 rate, bit 3 scroll, bits 4-7 repeats - 1
    u8 afu = 0;              // AF: 1 send, 2 automatic list, 4 manual list, 8 method B
    u8 rpa = 4;              // repeat counts of RadioText A..D and PTYN 1, 2
    u8 rpb = 0;
    u8 rpc = 4;
    u8 rpd = 0;
    u8 rp1 = 8;
    u8 rp2 = 8;
    u8 enda = 13;            // end characters of RadioText A..D and the long PS
    u8 endb = 13;
    u8 endc = 13;
    u8 endd = 13;
    u8 endl = 13;
    u8 endx = 15;            // append the end character: bits 0-3 RadioText A-D, bit 4 long PS
    qint8 zone = 2;          // local time offset of group 4A in half hours (signed; 2 = UTC+1)
    qint32 mins = 0;         // minutes added to the clock time of group 4A
    u32 days = 42003;        // fixed date of group 4A, days since 1 March 1900 (42003 = 1 March 2015)
    u8 date = 0;             // 0 today, 1 the fixed date in days
    u8 err = 0;              // error injection mode and switch
    u8 ber = 2;              // error injection bit error rate, percent
    u8 fix = 0;              // error injection exceptions
    u8 buc1 = 8;             // 15B burst on TA on / off: groups and duration in 0.1 s
    u8 buc2 = 0;
    u8 but1 = 10;
    u8 but2 = 0;
    u8 eoc1 = 8;             // 14B burst on EON TA on / off: groups and duration in 0.1 s
    u8 eoc2 = 0;
    u8 eot1 = 10;
    u8 eot2 = 0;
    QList<EON> eon;
    QList<RDSCustomGroup> oda;
    QList<RTag> rttag;
    QList<RDSAFEntry> af;    // automatic list, computed from the channels; never stored
    QList<RDSAFEntry> afs;   // manual list
    QList<u16> afCodes;      // AF code words for the encoder, two 8-bit codes each, first in the high byte
    QList<qint32> afr;       // regional list (method B)
    std::array<RDSGroupRate, RDSGroupRate::count> gmin{}; // group rates per group type and stream
    bool fused = false;      // replay group files instead of encoding
    QStringList files;       // the group files to replay

    // Rebuilds afCodes for the tuning frequency in 100 kHz; the number of
    // distinct AF codes including the tuning frequency. Defined with the
    // group builders.
    int compileAF(int tuneValue);

    // The four test texts A..D (which = 0..3): the RadioText defaults of a
    // source whose keys are missing, and the texts of a new source.
    static QString testText(int which);
    // Days from 1 March 1900 to date (the date form of group 4A).
    static u32 daysSince1900(const QDate &date);
    // "RDS-N": the name, PS and long PS of a source whose keys are missing.
    static QString defaultName(int n) { return QStringLiteral("RDS-%1").arg(n); }
    // PI of source N when its key is missing.
    static u16 defaultPi(int n) { return static_cast<u16>(0xD310u + static_cast<unsigned>(n)); }

    // True when the group holds keys of its own (not only sub-groups).
    static bool hasOwnKeys(const RecordReader &in);

    // Reads the stored fields of source n from its group; af and afCodes are
    // left as they are. gminConverted is the project's "board/gmin" mark:
    // while it is false, bare rate keys hold group spacings and are
    // converted. Each converted bare key is appended to rewrites as
    // (key relative to the group, new value), to be written straight back.
    void readFrom(int n, const RecordReader &in, bool gminConverted,
                  QList<QPair<QString, QVariant>> *rewrites = nullptr);

    // The steps of readFrom.
    void readScalars(int n, const RecordReader &in);
    void readGroupRates(const RecordReader &in, bool gminConverted, QList<QPair<QString, QVariant>> *rewrites);
    void readAfLists(const RecordReader &in);    // afr, then afs (needs afr)
    void readTags(const RecordReader &in);       // "rttag/M", by number
    void readEon(const RecordReader &in);        // "eon/M", "eon/M/ps", "eon/M/af", by number
    void readOda(const RecordReader &in);        // "oda/M", by number

    // The scalar keys (relative to the group) with their stored values, in
    // the order in which the RDS editor's save stores them. Numbers are
    // decimal texts, pi is hexadecimal, the codec names are byte arrays and
    // fused is "true" or "false". used, name and files are not included.
    QList<QPair<QString, QVariant>> scalarValues() const;
};
