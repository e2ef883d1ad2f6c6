#include "ProcessRig.h"

namespace linktest {

ProcessRig::ProcessRig(const QString &simboard, const QStringList &simOptions, int used)
    : sim(simboard, simOptions), file(testsupport::toneProject(used))
{
    settings = QSharedPointer<FMSettings>::create(file.path());
    link.board.setSettings(settings);
}

BoardIP ProcessRig::target() const
{
    BoardIP ip;
    ip.ip = 0x7F000001;
    ip.port = sim.port();
    ip.mac[5] = 1;
    return ip;
}

} // namespace linktest
