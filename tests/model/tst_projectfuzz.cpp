// Hand-edited project files (seeded random mutations of a valid base) and hostile SET/ADD/DEL commands: load,
// read, command, save, load again. The sanitizers catch crashes; the test checks the codes, the time of every
// call, what a reload gives back, which groups commands create, and memory.
#include "FMSettings.h"
#include "KeyCheck.h"
#include "TempProject.h"

#include <QElapsedTimer>
#include <QtTest>

#include <sys/resource.h>

#include <memory>
#include <random>

using testsupport::TempProject;

namespace {

// Seeded random numbers (std::mt19937 gives the same sequence everywhere).
class Rng
{
public:
    explicit Rng(quint32 seed) : gen(seed) {}
    quint32 next() { return gen(); }
    int below(int n) { return n <= 0 ? 0 : int(gen() % quint32(n)); }
    bool chance(int percent) { return below(100) < percent; }
    template <typename T>
    const T &pick(const QList<T> &list) { return list.at(below(list.size())); }
    template <typename T, size_t N>
    const T &pick(const T (&array)[N]) { return array[below(int(N))]; }

private:
    std::mt19937 gen;
};

const char kBaseProject[] =
    "[board]\nband=0\nattn=-3\n"
    "[channel.1]\nused=1\nfreq=95.8\ngain=-6\nvolm=40\ndevi=75\nemph=1\nrate=44100\nauto=0\naof=150\n"
    "att=dB\nidaudio=1\nidrds=1\n"
    "[channel.2]\nused=1\nfreq=101.1\nidaudio=2\nidrds=2\n[channel.5]\nused=true\nfreq=95.8\nidrds=1\nmono=1\n"
    "[channel.24]\nused=0\nfreq=88\nidrds=3\n[channel.49]\nused=1\nfreq=88.9\nidrds=2\nidaudio=3\n"
    "[channel.96]\nused=1\nfreq=107.9\nidrds=3\n"
    "[audio.1]\nused=1\ntype=0\nname=Sinus\nfrq1=440\nfrq2=880\nvol1=40\nvol2=40\ntime=6\n"
    "[audio.2]\ntype=2\nfile=playlist.1\nname=List\n[audio.3]\nused=0\ntype=1\ntime=12\nfrq1=100\nfrq2=10000\n"
    "[playlist.1]\nname=Morning\n0=/music/a.mp3\n1=/music/b.flac\n2=/music/c.ogg\n"
    "[playlist.2]\n0=/x.wav\n2=/y.wav\nx=junk\n"
    "[rds.1]\nname=One\nps=ONE\nlps=Long One\npi=d311\nrta=Hello#0AWorld\nrtb=B text\nafs=958 -1012 1034\n"
    "afr=1034\nafu=7\ntmcsi=1\nzone=-2\ndays=42003\nenc=UTF-8\nfiles=a.rds, b.rds\nmode=3\n"
    "eon\\0=2 d312 10 1 0 ab\neon\\0\\ps=TWO\neon\\0\\af=1011 958\neon\\1=5 d311 10 1 0 0\neon\\1\\ps=FIVE\n"
    "oda\\0=2000 0 0 0 400 400 400 400 10 0 0 0 1\noda\\1=3000 1 2 3 400 400 400 400 0 5 0 0 0\n"
    "rttag\\0=1 Title\nrttag\\1=4 Artist\ngmin\\0=1 60 0 0 0\ngmin\\2=1 20 0 0 0\ngmin4=1 10 0 0 0\n3=50\n"
    "[rds.2]\nname=Two\npi=d312\nps=TWO\ngmin\\11=0 5 5 5 5\n2=12\neon\\0=96 d313 3 0 0 0\n"
    "[rds.3]\nused=false\nname=Three\n"
    "[tmc.1]\nname=TMC-1\nspn=SPN-1\nflag=9\nrate=10\naid=52550\nva0=71\nva1=16397\nrpt=3\nenc=31\n"
    "skt=0 0 a5 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 ffff\n"
    "0=1 8 101 200 1 5 7\n1=2 0 1500 77\n2=3 0 102 1 1\n[tmc.2]\nname=T2\n"
    "[events.1]\nrepeat=true\nexpand=105 203\n"
    "0=2000 rds.1.ps NEWS\n1=500 channel.2.freq 99.1\n2=500 audio.3.file a.mp3\n3=1500\n";

// Values for project files and for commands.
QByteArray junkValue(Rng &rng)
{
    static const char *const fixed[] = {
        "", "0", "-1", "yes", "95.8", "d311", "0xffffffffffffffff", "99999999999999999999", "2147483648",
        "-2147483649", "1e308", "nan", "-inf", "1,2,3", "\"unterminated", "a\\b", "\xff\xfe\x80" "abc",
        "@ByteArray(\\xff)", "@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x3junk)", "=", ";comment", "[x]",
        "1 2 3 4 5 6", "958 1011", "1 0 100 1 1", "2000 0 0 0 400 400 400 400 0 0 0 0 1", "1 60 0 0 0",
        "  1  2  ", "+5", "7.0", "108.0000001", "--5", "--8000000000000000", "1e300", "-1e300",
        "@Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)", "x, \"@Variant(\\0\\0\\0\\xb\\x7f\\xff\\xff\\xff)\"",
    };
    QByteArray out;
    switch (rng.below(8)) {
    case 0: // a long text
        return QByteArray(1000 + rng.below(60000), 'A' + char(rng.below(26)));
    case 1: // a long list of numbers
        for (int i = 100 + rng.below(5000); i > 0; --i)
            out += QByteArray::number(int(rng.next() % 40000) - 20000) + ' ';
        return out;
    case 2: // raw bytes, no line ends
        for (int i = 1 + rng.below(40); i > 0; --i)
            out += char(rng.below(256));
        return out.replace('\n', 'n').replace('\r', 'r');
    case 3:
        return QByteArray::number(qint64(rng.next()) * (rng.chance(50) ? 1 : -1) * qint64(rng.below(100000)));
    default:
        return QByteArray(rng.pick(fixed));
    }
}

QByteArray randomGroupName(Rng &rng)
{
    static const char *const sections[] = {"channel", "audio", "playlist", "rds", "tmc", "events", "RDS", "x"};
    static const char *const indices[] = {"0", "1", "2", "96", "97", "-1", "01", "99999999999", "2147483647",
                                          "x", "1.2", "", " 1", "1,3", "1-3"};
    QByteArray name = rng.pick(sections);
    if (rng.chance(90))
        name += QByteArray(".") + rng.pick(indices);
    return name;
}

QByteArray randomListKey(Rng &rng)
{
    static const char *const lists[] = {"", "eon\\", "oda\\", "rttag\\", "gmin\\", "gmin"};
    static const char *const items[] = {"0", "1", "7", "31", "32", "512", "-1", "01", "99999999999", " 3"};
    QByteArray key = QByteArray(rng.pick(lists)) + rng.pick(items);
    if (rng.chance(20))
        key += rng.chance(50) ? "\\ps" : "\\af";
    return key;
}

// One random change of a project file, line by line.
void mutate(QList<QByteArray> &lines, Rng &rng)
{
    if (lines.isEmpty()) {
        lines.append("[" + randomGroupName(rng) + "]");
        return;
    }
    const int at = rng.below(lines.size());
    QByteArray &line = lines[at];
    const bool header = line.startsWith('[');
    const int eq = line.indexOf('=');
    switch (rng.below(10)) {
    case 0:
    case 1:
    case 2: // a random value in a key
        line = (eq > 0 ? line.left(eq) : line) + "=" + junkValue(rng);
        break;
    case 3: // a random group name
        if (header)
            line = "[" + randomGroupName(rng) + "]";
        else
            lines.insert(at, "[" + randomGroupName(rng) + "]");
        break;
    case 4: // a random numbered list key
        lines.insert(at + (header ? 1 : 0), randomListKey(rng) + "=" + junkValue(rng));
        break;
    case 5: // truncated line
        line.truncate(rng.below(line.size() + 1));
        break;
    case 6: // key in another case
        if (eq > 0)
            line = line.left(eq).toUpper() + line.mid(eq);
        break;
    case 7: // a line twice, or another line moved here
        lines.insert(at, lines.at(rng.below(lines.size())));
        break;
    case 8:
        lines.removeAt(at);
        break;
    default: // raw bytes
        lines.insert(at, junkValue(rng));
        break;
    }
}

QByteArray mutatedProject(Rng &rng)
{
    QList<QByteArray> lines = QByteArray(kBaseProject).split('\n');
    if (rng.chance(50))
        lines.insert(1, "gmin=1");
    for (int i = 1 + rng.below(12); i > 0; --i)
        mutate(lines, rng);
    QByteArray file = lines.join('\n');
    if (rng.chance(10))
        file.truncate(rng.below(file.size() + 1)); // cut anywhere, also inside a line
    return file;
}

// A concrete key from a generic key of the descriptor table: the record index goes after the section, a list
// family gets an item number or none.
QString randomKey(Rng &rng, const QStringList &generic)
{
    static const char *const odd[] = {"", ".", "/", "*", "channel..freq", "/channel.1/freq", "tmc.1/*",
                                      "rds.1.eon.*", "channel.1", "rds.1//ps", "Board.Band"};
    if (rng.chance(5))
        return QString::fromLatin1(rng.pick(odd));
    static const char *const patterns[] = {"1", "2", "1,3,5-7", "0", "97", "-3", "1-999999", "99999999999",
                                           "01", "1-", "-", "x", "5-3", "1,,2", "-2147483648", "90-200", ""};
    static const char *const items[] = {"0", "1", "3", "31", "32", "512", "-1", "01", "99999999999", "*", ""};
    QString g = rng.pick(generic);
    // Lists more often: ADD and DEL only work on them.
    KeyDesc desc;
    for (int i = 0; i < 10 && rng.chance(40) && !(FMSettings::keyDesc(g, desc) && desc.isList()); ++i)
        g = rng.pick(generic);
    const int dot = g.indexOf(QLatin1Char('.'));
    if (dot < 0 || g.startsWith(QLatin1String("board.")))
        return g;
    QString key = g.left(dot) + QLatin1Char('.') + QLatin1String(rng.pick(patterns));
    QString rest = g.mid(dot + 1);
    const bool family = rest.isEmpty() || rest.endsWith(QLatin1Char('.'));
    if (family)
        rest.chop(rest.isEmpty() ? 0 : 1);
    if (!rest.isEmpty())
        key += QLatin1Char('.') + rest;
    if (family && rng.chance(60))
        key += QLatin1Char('.') + QLatin1String(rng.pick(items));
    if (rng.chance(30))
        key.replace(rng.chance(50) ? QLatin1Char('.') : QLatin1Char('/'), QLatin1Char('/'));
    if (rng.chance(10))
        key = key.toUpper();
    return key;
}

// Generous: a sanitizer build of a slow machine; a walk over a huge index range would take far longer.
constexpr qint64 kPerCallMs = 5000;

long maxRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The fields of an RDS source that are read from its own keys (EON entries take PI, PS, PTY, TP and TA from
// the source of their channel, and the automatic AF list comes from the channels; neither is in the file).
QStringList storedRdsFields(const RDSSource &s)
{
    QStringList out{QString::number(s.used), s.name};
    for (const auto &kv : s.scalarValues())
        out << kv.first + QLatin1Char('=') + kv.second.toString();
    out << s.files.join(QLatin1Char('|')) << afListText(s.afs) << afrText(s.afr);
    for (const RTag &t : s.rttag)
        out << QStringLiteral("tag %1 %2").arg(t.type).arg(t.text);
    for (const EON &e : s.eon)
        out << QStringLiteral("eon %1 %2 %3").arg(e.channel).arg(e.link).arg(afListText(e.af));
    for (const RDSCustomGroup &o : s.oda)
        out << QStringLiteral("oda ") + o.toText();
    for (const RDSGroupRate &r : s.gmin)
        out << QStringLiteral("gmin ") + r.toText();
    return out;
}

QStringList tmcFields(const TMCSource &t)
{
    QStringList out{QString::number(t.used), t.name, t.sktText()};
    for (const auto &kv : t.scalarValues())
        out << kv.first + QLatin1Char('=') + kv.second.toString();
    for (const TMCMessage &m : t.messages)
        out << m.toText();
    return out;
}

// The records as the model holds them and the event roll, in comparable text form.
QMap<QString, QStringList> records(FMSettings &fms)
{
    QMap<QString, QStringList> out;
    QStringList &channels = out[QStringLiteral("channels")];
    for (int ch = 1; ch <= 96; ++ch) {
        const ChannelRecord r = fms.channelInfo(ch);
        channels << QStringList{QString::number(r.used), QString::number(r.mute), QString::number(r.mono),
                                QString::number(r.freq, 'g', 17), QString::number(r.gain), QString::number(r.volm),
                                QString::number(r.idaudio), QString::number(r.idrds), r.att}
                        .join(QLatin1Char(' '));
    }
    const QMap<int, RDSSource> sources = fms.rdsMap();
    for (auto it = sources.cbegin(); it != sources.cend(); ++it)
        out.insert(QStringLiteral("rds.%1").arg(it.key()), storedRdsFields(*it));
    const QMap<int, TMCSource> tmcs = fms.tmcMap();
    for (auto it = tmcs.cbegin(); it != tmcs.cend(); ++it)
        out.insert(QStringLiteral("tmc.%1").arg(it.key()), tmcFields(*it));
    const QMap<int, AudioSource> audios = fms.audioMap();
    for (auto it = audios.cbegin(); it != audios.cend(); ++it) {
        out.insert(QStringLiteral("audio.%1").arg(it.key()),
                   {QString::number(it->used), QString::number(it->type), QString::number(it->time),
                    QString::number(it->frq1), QString::number(it->frq2), QString::number(it->vol1),
                    QString::number(it->vol2), it->file, it->name});
    }
    for (int id = 1; id <= 4; ++id)
        out.insert(QStringLiteral("playlist.%1").arg(id), fms.playlistFiles(id));
    QSet<int> expanded;
    bool repeat = false;
    QStringList &roll = out[QStringLiteral("roll")];
    for (const Event &e : fms.loadRoll(QStringLiteral("events.1"), expanded, repeat))
        roll << e.toStored();
    QList<int> lines = expanded.values();
    std::sort(lines.begin(), lines.end());
    for (int line : lines)
        roll << QString::number(line);
    roll << QString::number(repeat);
    return out;
}

// Every read of the model: channels, sources, playlists, the roll, listings, the automatic AF lists and the
// distances.
void readEverything(FMSettings &fms)
{
    for (int ch = 0; ch <= 97; ++ch)
        fms.channelInfo(ch);
    fms.setBoardCount(4);
    fms.updateAF(true);
    fms.broadcastDistances();
    for (int id : fms.rdsMap().keys() + QList<int>{0, -1})
        fms.rds(id);
    for (int id : fms.tmcMap().keys())
        fms.tmc(id);
    fms.audioNames();
    for (int id = -1; id <= 4; ++id)
        fms.playlistFiles(id);
}

// Random commands, each added to log: every call within its time, every code one of the known ones.
void runCommands(FMSettings &fms, Rng &rng, const QStringList &generic, QStringList &log)
{
    QElapsedTimer clock;
    for (int c = 20 + rng.below(40); c > 0; --c) {
        const QString key = randomKey(rng, generic);
        const QString value = QString::fromUtf8(junkValue(rng));
        const int op = rng.below(100);
        clock.start();
        const int code = op < 55 ? fms.set(key, value, true) : op < 75 ? fms.add(key, value) : op < 92 ? fms.del(key) : 0;
        if (op >= 92)
            fms.listKeys(key);
        const char *const name = op < 55 ? "SET" : op < 75 ? "ADD" : op < 92 ? "DEL" : "LIST";
        log << QStringLiteral("%1 [%2] [%3] -> %4").arg(QLatin1String(name), key.left(80), value.left(80)).arg(code);
        QVERIFY2(clock.elapsed() < kPerCallMs, qPrintable(log.last()));
        QVERIFY2(code >= 0 && code <= KeyCheck::FollowsLink && fms.errorText(code) != QLatin1String("unknown error"),
                 qPrintable(log.last()));
    }
}

// One project: load, read, command, save, load again: the same records.
void runProject(const QByteArray &content, quint32 seed, const QStringList &generic)
{
    Rng rng(seed);
    TempProject project(content);
    auto fms = std::make_unique<FMSettings>(project.path());
    readEverything(*fms);
    QStringList log;
    runCommands(*fms, rng, generic, log);
    if (QTest::currentTestFailed())
        return;
    // The event roll, saved again by the roll editor half of the time.
    QSet<int> expanded;
    bool repeat = false;
    const QList<Event> roll = fms->loadRoll(QStringLiteral("events.1"), expanded, repeat);
    if (rng.chance(50))
        fms->setRoll(QStringLiteral("events.1"), roll, expanded, repeat);
    QVERIFY(fms->sync());
    const QMap<QString, QStringList> before = records(*fms);
    fms.reset();
    QElapsedTimer clock;
    clock.start();
    FMSettings again(project.path());
    QVERIFY2(clock.elapsed() < kPerCallMs, "loading again took too long");
    const QMap<QString, QStringList> after = records(again);
    QCOMPARE(after.keys(), before.keys());
    for (auto it = before.cbegin(); it != before.cend(); ++it) // the first differing record, by name
        QCOMPARE(it.key() + ": " + after.value(it.key()).join(QLatin1Char('|')).left(2000),
                 it.key() + ": " + it.value().join(QLatin1Char('|')).left(2000));
    readEverything(again);
}

void quietDebug(QtMsgType type, const QMessageLogContext &, const QString &msg)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        fprintf(stderr, "%s\n", qPrintable(msg));
}

} // namespace

class TestProjectFuzz : public QObject
{
    Q_OBJECT

    QtMessageHandler previousHandler = nullptr;

private slots:
    void initTestCase()
    {
        previousHandler = qInstallMessageHandler(quietDebug);
        FMSettings::buildKeyTable();
    }
    void cleanupTestCase() { qInstallMessageHandler(previousHandler); }

    // The unchanged base project survives the whole run too.
    void baseProject() { runProject(kBaseProject, 1, FMSettings::keyTableKeys()); }

    void mutatedProjects()
    {
        const QStringList generic = FMSettings::keyTableKeys();
        QVERIFY(generic.size() > 100);
        const long rssBefore = maxRssKb();
        QElapsedTimer total;
        total.start();
        int runs = 0;
        // For a longer search by hand: PROJECTFUZZ_SECONDS and PROJECTFUZZ_FIRST_SEED.
        const bool byHand = qEnvironmentVariableIsSet("PROJECTFUZZ_SECONDS");
        const qint64 budgetMs = byHand ? qEnvironmentVariableIntValue("PROJECTFUZZ_SECONDS") * 1000LL : 14000;
        const quint32 first = quint32(qMax(1, qEnvironmentVariableIntValue("PROJECTFUZZ_FIRST_SEED")));
        const quint32 last = byHand ? first + 1000000 : first + 399;
        for (quint32 seed = first; seed <= last && total.elapsed() < budgetMs; ++seed, ++runs) {
            Rng rng(seed * 7919u);
            runProject(mutatedProject(rng), seed, generic);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("project of seed %1 (PROJECTFUZZ_FIRST_SEED=%1 repeats it)").arg(seed)));
        }
        QVERIFY(runs >= 20);
        // No command or file made the model allocate for a huge index or count.
        const long grownMb = (maxRssKb() - rssBefore) / 1024;
        QVERIFY2(grownMb < 1024, qPrintable(QStringLiteral("memory grew by %1 MB").arg(grownMb)));
    }
};

QTEST_GUILESS_MAIN(TestProjectFuzz)
#include "tst_projectfuzz.moc"
