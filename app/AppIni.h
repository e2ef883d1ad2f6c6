#pragma once

#include "BoardIP.h"

#include <QString>
#include <QStringList>

class QSettings;

// The application ini: where it lives and what the program reads from it
// besides plain values. Groups: "Board" (board addresses, language,
// reference oscillator), "Last" (project name, unsaved flag), "Main"
// (window state) and "Remote" (ports and the remote directory).
//
// Board addresses: "Board/addr1" .. "Board/addr4" hold "IPv4:port" of the
// board of link 0 .. 3 ("192.168.1.21:21520"); a missing or malformed value
// leaves that link unconnected. "Board/mac1" .. "Board/mac4" may give the
// board's MAC ("00:50:C2:5B:00:01"), whose last two bytes are the box
// number in the log lines.
//
// GUI thread only.
class AppIni
{
public:
    static constexpr int boardCount = 4;

    // The ini path from the command line: "-i name" names it; a bare name
    // (no directory part) lies in the per-user data directory, any other
    // path is taken as given. Default: "Trovina.ini" in that directory.
    static QString path(const QStringList &arguments);

    // The project named on the command line: the first argument after the
    // program that is neither "-i" nor its name; empty when there is none.
    static QString project(const QStringList &arguments);

    // The address of board link `board` (0..3); a null BoardIP when the
    // ini names none or a malformed one.
    static BoardIP boardAddress(const QSettings &ini, int board);
    // Parses "IPv4:port" and an optional MAC text; false when malformed.
    static bool parseBoardAddress(const QString &address, const QString &mac, BoardIP *out);
};
