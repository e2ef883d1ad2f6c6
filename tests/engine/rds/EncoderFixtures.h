#pragma once

// Sources and a group decoder for the RDS encoder tests. Header only, included by the encoder tests.

#include "RDSCoding.h"
#include "RDSEncoder.h"
#include "RDSSource.h"

#include <QString>
#include <QStringList>

namespace encfix {

// Block B bits 10..5 of the test sources: TP 1, PTY 10.
constexpr u16 tpPty = 0x0540;

// "AAAA BBBB CCCC DDDD" of a coded group; a block with a wrong checkword (or wrong offset word) shows as
// "----", as common RDS decoders print it.
inline QString hex(const u8 *out)
{
    const RDSBlocks b = unpackGroup(out);
    QStringList parts;
    for (int k = 0; k < 4; ++k)
        parts << (rdsBlockValid(b, k) ? QString::asprintf("%04X", b.info[k]) : QString("----"));
    return parts.join(' ');
}

// A source with every group off and plain settings: PI 1234, PS "TROVINA1", TP 1, PTY 10, MS 1, DI 9, TA 0,
// the RDS character set, only stream 0.
inline RDSSource source()
{
    RDSSource s;
    s.pi = 0x1234;
    s.ps = "TROVINA1";
    s.tp = 1;
    s.ta = 0;
    s.ms = 1;
    s.pty = 10;
    s.dec = 9;
    s.crt = "";
    s.rtxt = 0;
    s.mode = 0x01;
    s.afu = 0;
    for (RDSGroupRate &r : s.gmin)
        r = RDSGroupRate();
    return s;
}

inline void rate(RDSSource &s, int entry, int r0, int r1 = 0, int r2 = 0, int r3 = 0)
{
    s.gmin[entry].on = 1;
    s.gmin[entry].rate[0] = r0;
    s.gmin[entry].rate[1] = r1;
    s.gmin[entry].rate[2] = r2;
    s.gmin[entry].rate[3] = r3;
}

// n groups of stream 0 through generate.
inline QStringList run(RDSEncoder &enc, int n)
{
    QStringList l;
    u8 g[13];
    for (int i = 0; i < n; ++i) {
        enc.generate(g, nullptr, nullptr, nullptr);
        l << hex(g);
    }
    return l;
}

using Builder = void (RDSEncoder::*)(u8 *, int);

// n groups from one builder called directly.
inline QStringList build(RDSEncoder &enc, Builder f, int n, int stream = 0)
{
    QStringList l;
    u8 g[13];
    for (int i = 0; i < n; ++i) {
        (enc.*f)(g, stream);
        l << hex(g);
    }
    return l;
}

inline QString build(RDSEncoder &enc, Builder f)
{
    return build(enc, f, 1).first();
}

inline QString w(u16 a, u16 b, u16 c, u16 d)
{
    return QString::asprintf("%04X %04X %04X %04X", a, b, c, d);
}

// A group of the test source: PI 1234, TP 1 and PTY 10 added to block B.
inline QString grp(u16 b, u16 c, u16 d)
{
    return w(0x1234, b | tpPty, c, d);
}

// Block B of the test source as the hex line shows it.
inline QString bx(u16 b)
{
    return QString::asprintf("%04X", b | tpPty);
}

inline u16 chars(const char *two)
{
    return u16((u8(two[0]) << 8) | u8(two[1]));
}

} // namespace encfix
