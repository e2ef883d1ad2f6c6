#pragma once

#include "BoardIP.h"
#include "FMSettings.h"
#include "LinkTestSupport.h"
#include "SimBoardProcess.h"
#include "TempProject.h"

#include <QSharedPointer>
#include <QStringList>

namespace linktest {

// A board link with a project of `used` tone channels at 48 kHz, and the
// simulated board in a process of its own (options as for simboard).
struct ProcessRig
{
    ProcessRig(const QString &simboard, const QStringList &simOptions, int used);
    // The board's loopback address and port.
    BoardIP target() const;
    void connect() { link.board.connectTo(target()); }
    int state() const { return link.board.linkState(); }

    SimBoardProcess sim;
    testsupport::TempProject file;
    QSharedPointer<FMSettings> settings;
    Link link;
};

} // namespace linktest
