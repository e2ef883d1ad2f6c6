#include "EncoderFixtures.h"
#include "Pace.h"

#include <QTest>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

using namespace encfix;

namespace {

// A source whose RadioText expands its tag, sent in every slot of stream 0 and as an own group in stream 1.
RDSSource tagSource(const QString &tagText)
{
    RDSSource s = source();
    rate(s, 2, 60, 60);
    rate(s, 0, 30, 30);
    s.mode = 0x03;
    s.rta = "$0 on air";
    RTag t;
    t.type = 1;
    t.text = tagText;
    s.rttag = {t};
    // rtitm bit 3 clear: the tag's own text, not the song's title.
    s.rtitm = 0x01;
    return s;
}

// Runs fn in a board thread (std::thread, so that ThreadSanitizer checks it) until stop is set; the caller's
// part runs meanwhile and calls step() after each of its operations. The board thread takes at most two
// passes per step: looping freely, it could take the encoder's lock again each time it lets go and keep the
// caller out (the lock is not fair). False when the board thread has not ended within the bound (a hang): it
// is then left detached.
template <typename Board, typename Caller>
bool runAgainstBoard(Board board, Caller caller, int boundMs = 20000)
{
    std::atomic<bool> stop{false};
    std::promise<void> done;
    std::future<void> ended = done.get_future();
    auto pace = std::make_shared<testsupport::Pace>(2);
    std::thread t([&stop, &done, board, pace] {
        long taken = 0;
        while (!stop.load()) {
            pace->wait(taken);
            board();
        }
        done.set_value();
    });
    caller([&pace] { pace->step(); });
    stop = true;
    pace->release();
    if (ended.wait_for(std::chrono::milliseconds(boundMs)) != std::future_status::ready) {
        t.detach();
        return false;
    }
    t.join();
    return true;
}

} // namespace

// The board thread generates while other threads use the encoder's public operations; ThreadSanitizer sees
// the encoder's lock.
class TestEncoderThreads : public QObject
{
    Q_OBJECT

private slots:
    void settersWhileGenerating()
    {
        // The setters take the write lock, so another thread may hand over new settings while the board
        // thread generates on all four streams.
        RDSEncoder enc(1);
        RDSSource s = tagSource("Song");
        s.mode = 0x0F;
        rate(s, 14, 10);
        rate(s, 4, 1);
        EON e;
        e.pi = 0x4000;
        s.eon = {e};
        enc.setRDS(s, 95.8);
        std::atomic<int> made{0};
        const bool ended = runAgainstBoard(
            [&] {
                u8 g[4][13];
                enc.generate(g[0], g[1], g[2], g[3]);
                ++made;
            },
            [&](const auto &step) {
                for (int i = 0; i < 100000 && (i < 300 || made.load() < 300); ++i) {
                    s.ps = QString("PS%1").arg(i);
                    s.ta = u8(i & 1);
                    s.buc1 = 0;
                    enc.setRDS(s, 95.8);
                    e.ta = u8(i & 1);
                    enc.setEON({e}, 0);
                    enc.setSongInfo({{"Title", QString::number(i)}});
                    enc.setCT(QDateTime::currentDateTimeUtc());
                    TMCSource tmc;
                    tmc.used = (i & 2) != 0;
                    enc.setTMC(tmc);
                    step();
                }
            });
        QVERIFY(ended);
        QVERIFY(made.load() >= 300);
    }

    void tagExpansionWhileGenerating()
    {
        // The expansion cache is shared by generate and expandTags: another thread's expansion must not run
        // beside a slot in progress.
        RDSEncoder enc(1);
        enc.setRDS(tagSource("Song"), 95.8);
        std::atomic<int> made{0};
        int wrong = 0;
        const bool ended = runAgainstBoard(
            [&] {
                u8 g[4][13];
                enc.generate(g[0], g[1], g[2], g[3]);
                ++made;
            },
            [&](const auto &step) {
                for (int i = 0; i < 20000 && (i < 2000 || made.load() < 500); ++i) {
                    // A new text each time fills the cache and empties it again.
                    const QString text = QStringLiteral("$0 %1").arg(i);
                    if (enc.expandTags(text, 2).text != QStringLiteral("Song %1").arg(i))
                        ++wrong;
                    step();
                }
            });
        QVERIFY(ended);
        QCOMPARE(wrong, 0);
        QVERIFY(made.load() > 0);
    }

    void sourceCopyWhileSetting()
    {
        // A reader gets the whole source as it was before or after a setter, never a record that changes
        // under it.
        RDSEncoder enc(1);
        RDSSource s = source();
        rate(s, 0, 60);
        s.lps = s.ps;
        s.rta = s.ps;
        enc.setRDS(s, 95.8);
        std::atomic<int> torn{0};
        std::atomic<int> reads{0};
        const bool ended = runAgainstBoard(
            [&] {
                const RDSSource r = enc.source();
                if (r.ps != r.lps || r.rta != r.ps)
                    ++torn;
                ++reads;
            },
            [&](const auto &step) {
                for (int i = 0; i < 20000 && (i < 500 || reads.load() < 500); ++i) {
                    const QString text = QStringLiteral("PS%1").arg(i);
                    s.ps = text;
                    s.lps = text;
                    s.rta = text;
                    enc.setRDS(s, 95.8);
                    step();
                }
            });
        QVERIFY(ended);
        QCOMPARE(torn.load(), 0);
    }

    void groupLinesWhileSetting()
    {
        // The channel program codes lines of its RDS input in the board thread while new sources arrive: each
        // line takes the error settings of one source, so the group is either clean or inverted throughout.
        RDSEncoder enc(1);
        RDSSource clean = source();
        rate(clean, 0, 60);
        RDSSource inverting = clean;
        inverting.err = 0x80;
        inverting.ber = 100;
        enc.setRDS(clean, 95.8);
        u8 reference[13];
        QCOMPARE(enc.parseGroupLine(reference, "1234 5678 9abc def0"), 13);
        std::atomic<int> mixed{0};
        std::atomic<int> lines{0};
        const bool ended = runAgainstBoard(
            [&] {
                u8 g[13];
                if (enc.parseGroupLine(g, "1234 5678 9abc def0") != 13) {
                    ++mixed;
                    return;
                }
                int same = 0;
                for (int k = 0; k < 13; ++k)
                    same += g[k] == reference[k] ? 1 : 0;
                if (same != 13 && same != 0)
                    ++mixed;
                ++lines;
            },
            [&](const auto &step) {
                for (int i = 0; i < 20000 && (i < 500 || lines.load() < 500); ++i) {
                    enc.setRDS(i % 2 ? inverting : clean, 95.8);
                    step();
                }
            });
        QVERIFY(ended);
        QCOMPARE(mixed.load(), 0);
    }
};

QTEST_GUILESS_MAIN(TestEncoderThreads)
#include "tst_encoderthreads.moc"
