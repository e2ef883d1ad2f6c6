#include "FMSettings.h"
#include "KeyWatch.h"
#include "RDSLogRecord.h"
#include "TempProject.h"

#include <QTest>

#include <memory>

using testsupport::KeyWatch;
using testsupport::TempProject;

namespace {

SongInfo song(const QString &file, quint32 rate)
{
    SongInfo s;
    s.file = file;
    s.sampleRate = rate;
    return s;
}

const QByteArray projectText = "[board]\ngmin=1\nband=0\nattn=0\n[channel.1]\nused=1\n";

} // namespace

// Every status record is broadcast only, to an observer of "*" here.
class TestStatusRecords : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        file = std::make_unique<TempProject>(projectText);
        project = std::make_unique<FMSettings>(file->path());
        all = std::make_unique<KeyWatch>(*project, "*");
    }
    void cleanup()
    {
        all.reset();
        project.reset();
        file.reset();
    }
    void playInfo();
    void rdsMonitorRecord();
    void nothingReachesTheFile();

private:
    std::unique_ptr<TempProject> file;
    std::unique_ptr<FMSettings> project;
    std::unique_ptr<KeyWatch> all;
};

void TestStatusRecords::playInfo()
{
    SongInfo moved = song("/m/b.mp3", 48000);
    moved.position = 500;
    const std::pair<SongInfo, QStringList> steps[] = {
        {song("/m/a.mp3", 44100), {"chinfo.3/playrate=44100", "chinfo.3/playing=/m/a.mp3"}},
        {song("/m/b.mp3", 48000), {"chinfo.3/playrate=48000", "chinfo.3/playing=/m/b.mp3"}},
        // The same song again, even with another play position: nothing.
        {moved, {}},
        // Same rate, other file: only the playing key.
        {song("/m/c.mp3", 48000), {"chinfo.3/playing=/m/c.mp3"}},
        // Stopped: the entry goes, the playing key carries an empty text.
        {SongInfo(), {"chinfo.3/playrate=0", "chinfo.3/playing="}},
    };
    for (const auto &st : steps) {
        project->setPlayInfo(3, st.first);
        QCOMPARE(all->take(), st.second);
        QCOMPARE(project->songInfo(3), st.first);
    }
    project->setPlayInfo(0, song("/m/a.mp3", 44100));
    QCOMPARE(all->take(), QStringList());
}

void TestStatusRecords::rdsMonitorRecord()
{
    testsupport::RecordingObserver log("rdslog");
    project->registerKey("chinfo.12/rdslog/2", &log);
    const u8 group[13] = {0xD3, 0x11, 0x2C, 0x05, 0x40, 0x00, 0x00, 0x55, 0xAA, 0x01, 0x02, 0x03, 0xFF};
    project->notifyRdsLog(12, 2, 0, 0, QTime(12, 0, 0, 1), group);
    QVERIFY(log.flush());
    project->unregisterObserver(&log);
    QCOMPARE(log.keys(), QStringList{"chinfo.12/rdslog/2"});
    // The 13 group bytes, then the milliseconds of the day: 43 200 001 ms.
    const QByteArray bytes = log.records().at(0).value.toByteArray();
    QCOMPARE(bytes, QByteArray(reinterpret_cast<const char *>(group), 13) + QByteArray::fromHex("012e9302"));

    RDSLogRecord back;
    QVERIFY(RDSLogRecord::fromBytes(bytes, &back));
    QCOMPARE(back.ms, u32(43200001));
    QVERIFY(!RDSLogRecord::fromBytes(bytes.left(16), &back));

    // No group bytes: nothing to send.
    all->take();
    project->notifyRdsLog(12, 2, 0, 0, QTime(1, 0), nullptr);
    QCOMPARE(all->take(), QStringList());
}

void TestStatusRecords::nothingReachesTheFile()
{
    ChannelStatus s;
    s.flags = 1;
    project->setChannelStatus(1, s);
    project->setPlayInfo(1, song("/m/a.mp3", 44100));
    project->setSongInfo({song("/m/a.mp3", 44100)});
    const u8 group[13] = {};
    project->notifyRdsLog(1, 1, 0, 0, QTime(8, 0), group);
    QCOMPARE(all->take().size(), 5);
    project->sync();
    QCOMPARE(file->read(), projectText);
    QVERIFY(!project->dirty);
    QVERIFY(!project->contains("chstatus.1"));
    QVERIFY(!project->contains("chinfo.1/playing"));
}

QTEST_GUILESS_MAIN(TestStatusRecords)
#include "tst_statusrecords.moc"
