#include "TmcTestLists.h"

#include <QDir>
#include <QFile>

namespace testsupport {

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

bool writeTmcTestLists(const QString &dir, int extraLocations)
{
    // Event files are Latin-1, with classes 1 (101 D, 102 and 103 silent), 2 (104
    // forecast, type "(L)"), 3 (106, the forecast file wins), 4 (107 silent, type
    // L), 5 (108, last line without line end). The location table is UTF-8.
    const QString events = QStringLiteral(
        "Zeile;English;Deutsch;a;b;c;Code;N;Q;T;D;U;C;Ref\n"
        "1;queue;Stau;;;;101;;0;D;1;;1;R1\r\n"
        "2;closed;gesperrt;;;;102;S;; ;2;X;1;\n"
        "3;blocked;blockiert;;;;103;S;;;;;1;\n"
        "4;fog;Nebel;;;;104;F;5;(L);2;U;2;\n"
        "5;short;kurz;;;;105;;;\n"
        "6;wrapped;groß;;;;65637;;;;;;1;\n"
        "7;old;alt;;;;106;;;;;;3;old\n"
        "8;ice;Glätte;;;;107;S;;L;;;4;\n"
        "9;last;Ende;;;;108;;12;D;;;5;end");
    const QString forecast = QStringLiteral("20;new;neu;;;106;F;7;L;;;3;fc\n");
    const QString supp = QStringLiteral("x;heavy;schwer;55;y\nx;only4;nur4;56\nx;zero;null;0;y\n");
    QByteArray locations = QByteArrayLiteral(
        "LCD;CID;TABCD;CLASS;TCD;STCD;FIRSTNAME;SECONDNAME;ROA;extra1;extra2;extra3\n"
        "12;a;b;c;d;e;f;g;h;X  Y ;Z\n"
        "13;K\xc3\xb6ln S\xc3\xbc" "d\n"
        "1234567;too long\n"
        "70000;too big\n"
        "0;zero\n"
        "65533;high\n"
        "64835;interroad\n");
    for (int i = 0; i < extraLocations; ++i)
        locations += QByteArray::number(20000 + i) + ";gen\n";
    locations += "99;last";
    const QDir d(dir);
    return writeFile(d.filePath(QStringLiteral("ECL401.csv")), events.toLatin1()) &&
           writeFile(d.filePath(QStringLiteral("forecast.csv")), forecast.toLatin1()) &&
           writeFile(d.filePath(QStringLiteral("suppinfo.csv")), supp.toLatin1()) &&
           writeFile(d.filePath(QStringLiteral("LCL1.csv")), "1;earlier file\n") &&
           writeFile(d.filePath(QStringLiteral("LCL2.csv")), locations);
}

} // namespace testsupport
