#include "FMSettings.h"
#include "RDSLogRecord.h"
#include "RecordingObserver.h"
#include "TempProject.h"

#include <QTest>

using testsupport::RecordingObserver;
using testsupport::TempProject;

namespace {

QStringList texts(const QList<RecordingObserver::Record> &records)
{
    QStringList out;
    for (const auto &r : records)
        out.append(r.key + QLatin1Char('=') + r.value.toString());
    return out;
}

SongInfo song(const QString &file, quint32 rate)
{
    SongInfo s;
    s.file = file;
    s.sampleRate = rate;
    return s;
}

} // namespace

class TestStatusRecords : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void channelStatus();
    void playInfo();
    void songInfos();
    void rdsMonitorRecord();
    void nothingReachesTheFile();

private:
    TempProject *file = nullptr;
    FMSettings *project = nullptr;
    RecordingObserver *all = nullptr;
    QByteArray fileBefore;

    QStringList take()
    {
        all->flush();
        const QStringList out = texts(all->records());
        all->clear();
        return out;
    }
};

void TestStatusRecords::init()
{
    file = new TempProject("[board]\ngmin=1\nband=0\nattn=0\n[channel.1]\nused=1\n");
    fileBefore = file->read();
    project = new FMSettings(file->path());
    all = new RecordingObserver("all");
    project->registerKey("*", all);
}

void TestStatusRecords::cleanup()
{
    project->unregisterObserver(all);
    delete all;
    delete project;
    delete file;
}

void TestStatusRecords::channelStatus()
{
    ChannelStatus s;
    s.pcmFill = 4096;
    s.rdsFill = 12;
    s.flags = 0x101;
    s.level = -12.5;
    s.pcmRate = 44100.5;
    s.rdsRate = 74.0;

    project->setChannelStatus(0, s);
    project->setChannelStatus(97, s);
    QCOMPARE(take(), QStringList());
    QCOMPARE(project->channelStatus(0), ChannelStatus());

    project->setChannelStatus(7, s);
    QCOMPARE(take(), (QStringList{"chstatus.7="}));
    QCOMPARE(project->channelStatus(7), s);
    QCOMPARE(project->channelStatus(8), ChannelStatus());
    project->setChannelStatus(96, s);
    QCOMPARE(take(), (QStringList{"chstatus.96="}));
}

void TestStatusRecords::playInfo()
{
    project->setPlayInfo(3, song("/m/a.mp3", 44100));
    QCOMPARE(take(), (QStringList{"chinfo.3/playrate=44100", "chinfo.3/playing=/m/a.mp3"}));
    QCOMPARE(project->songInfo(3).file, QStringLiteral("/m/a.mp3"));

    project->setPlayInfo(3, song("/m/b.mp3", 48000));
    QCOMPARE(take(), (QStringList{"chinfo.3/playrate=48000", "chinfo.3/playing=/m/b.mp3"}));

    // The same song again, even with another play position: nothing.
    SongInfo b = song("/m/b.mp3", 48000);
    b.position = 500;
    project->setPlayInfo(3, b);
    QCOMPARE(take(), QStringList());
    QCOMPARE(project->songInfo(3).position, 500);

    // Same rate, other file: only the playing key.
    project->setPlayInfo(3, song("/m/c.mp3", 48000));
    QCOMPARE(take(), (QStringList{"chinfo.3/playing=/m/c.mp3"}));

    // Stopped: the entry goes, the playing key carries an empty text.
    project->setPlayInfo(3, SongInfo());
    QCOMPARE(take(), (QStringList{"chinfo.3/playrate=0", "chinfo.3/playing="}));
    QCOMPARE(project->songInfo(3), SongInfo());

    project->setPlayInfo(0, song("/m/a.mp3", 44100));
    QCOMPARE(take(), QStringList());
}

void TestStatusRecords::songInfos()
{
    SongInfo first = song("/m/a.mp3", 44100);
    first.tags.insert("Title", "Old");
    SongInfo second = song("/m/a.mp3", 44100);
    second.tags.insert("Title", "New");
    project->setSongInfo({first, song("/m/b.flac", 96000), second});
    QCOMPARE(take(), (QStringList{"songinfo="}));
    const QMap<QString, SongInfo> infos = project->songInfos();
    QCOMPARE(infos.size(), 2);
    QCOMPARE(infos.value("/m/a.mp3").tags.value("Title"), QStringLiteral("New"));
    QCOMPARE(infos.value("/m/b.flac").sampleRate, quint32(96000));
}

void TestStatusRecords::rdsMonitorRecord()
{
    const u8 group[13] = {0xD3, 0x11, 0x2C, 0x05, 0x40, 0x00, 0x00, 0x55, 0xAA, 0x01, 0x02, 0x03, 0xFF};
    project->notifyRdsLog(12, 2, 0, 0, QTime(12, 0, 0, 1), group);
    all->flush();
    const auto records = all->records();
    all->clear();
    QCOMPARE(records.size(), 1);
    QCOMPARE(records.at(0).key, QStringLiteral("chinfo.12/rdslog/2"));
    const QByteArray bytes = records.at(0).value.toByteArray();
    QCOMPARE(bytes.size(), 17);
    QCOMPARE(bytes.left(13), QByteArray(reinterpret_cast<const char *>(group), 13));
    QCOMPARE(bytes.mid(13), QByteArray::fromHex("012e9302")); // 43 200 001 ms

    RDSLogRecord back;
    QVERIFY(RDSLogRecord::fromBytes(bytes, &back));
    QCOMPARE(back.ms, u32(43200001));
    QVERIFY(!RDSLogRecord::fromBytes(bytes.left(16), &back));
    QCOMPARE(RDSLogRecord::msOfDay(QTime(23, 59, 59, 999)), u32(86399999));
    QCOMPARE(RDSLogRecord::msOfDay(QTime()), u32(0));

    // No group bytes: nothing to send.
    project->notifyRdsLog(12, 2, 0, 0, QTime(1, 0), nullptr);
    QCOMPARE(take(), QStringList());
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
    QCOMPARE(take().size(), 5);
    project->sync();
    QCOMPARE(file->read(), fileBefore);
    QVERIFY(!project->dirty);
    QVERIFY(!project->contains("chstatus.1"));
    QVERIFY(!project->contains("chinfo.1/playing"));
}

QTEST_GUILESS_MAIN(TestStatusRecords)
#include "tst_statusrecords.moc"
