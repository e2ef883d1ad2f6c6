#include "ProcessRig.h"

namespace linktest {

QByteArray toneProject(int used)
{
    QByteArray text = "[board]\nband=0\nattn=-5\n[audio.1]\ntype=0\nfrq1=1000\nfrq2=1000\nvol1=50\nvol2=50\n";
    for (int ch = 1; ch <= used; ++ch)
        text += "[channel." + QByteArray::number(ch) + "]\nused=1\nidaudio=1\nrate=48000\nfreq="
                + QByteArray::number(88.0 + ch * 0.4) + "\n";
    return text;
}

ProcessRig::ProcessRig(const QString &simboard, const QStringList &simOptions, int used)
    : sim(simboard, simOptions), file(toneProject(used))
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
