#include "BoardLiveness.h"

#include <QtTest>

// The board's signs of life as the link reads them, step by step.
class TestBoardLiveness : public QObject
{
    Q_OBJECT

private slots:
    void signs_data()
    {
        // Steps, 100 ms apart: T status tick with its request, U status tick
        // whose request was not written, . pump tick (a probe when one is
        // due); at no time: S status reply, A acknowledgement, L lock status.
        // Seen: p probe sent, q lock asked again at a tick, k lock asked
        // when heard again, R taken as rebooted.
        QTest::addColumn<bool>("handshake");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("seen");
        QTest::addColumn<bool>("inQuestion");
        QTest::newRow("answering") << false << "TS.TS.TS." << "" << false;
        QTest::newRow("one reply lost") << false << "T.S.TS." << "p" << false;
        QTest::newRow("three replies lost") << false << "T.T.S" << "pp" << false;
        QTest::newRow("four requests unanswered") << false << "T.T.TS" << "ppR" << false;
        QTest::newRow("four unanswered, then an ack") << false << "T.T.A" << "ppR" << false;
        QTest::newRow("slow board, acks only") << false << "TA.A.TA.A.TA.A.TS" << "" << false;
        QTest::newRow("requests not written") << false << "U.U.U.U.S" << "" << false;
        QTest::newRow("silence, lock asked") << true << "T.S" << "pk" << true;
        QTest::newRow("silence, lock answered") << true << "T.SL.TS." << "pk" << false;
        QTest::newRow("lock answer lost") << true << "T.S.TS.TSL" << "pkq" << false;
        QTest::newRow("lock never answered") << true << "T.S.TS.TS.TS.TS.TS." << "pkqq" << true;
        QTest::newRow("a new silence asks anew") << true << "T.S.TS.TS.TS.T.S" << "pkqqpk" << true;
        QTest::newRow("a tick without answer") << true << "TTS" << "k" << true;
        QTest::newRow("lock status first") << true << "T.L" << "p" << false;
        QTest::newRow("slow board with lock") << true << "TA.A.TA.A.TS" << "" << false;
    }

    void signs()
    {
        QFETCH(bool, handshake);
        QFETCH(QString, steps);
        QFETCH(QString, seen);
        QFETCH(bool, inQuestion);
        BoardLiveness live;
        live.reset();
        qint64 now = 1000;
        QString got;
        const auto heard = [&](BoardLiveness::Datagram kind) {
            const BoardLiveness::Sign sign = live.heard(kind, handshake);
            if (kind == BoardLiveness::Datagram::LockStatus)
                live.lockAnswered();
            got += sign == BoardLiveness::Sign::AskLock ? "k" : sign == BoardLiveness::Sign::Rebooted ? "R" : "";
        };
        for (const QChar step : steps) {
            switch (step.toLatin1()) {
            case 'T':
            case 'U':
                if (live.tick(handshake))
                    got += 'q';
                if (step == 'T')
                    live.requestSent(now);
                now += 100;
                break;
            case '.':
                if (live.probeDue(now)) {
                    live.silence(handshake);
                    live.requestSent(now);
                    got += 'p';
                }
                now += 100;
                break;
            case 'S':
                heard(BoardLiveness::Datagram::StatusReply);
                break;
            case 'L':
                heard(BoardLiveness::Datagram::LockStatus);
                break;
            default:
                heard(BoardLiveness::Datagram::Other);
                break;
            }
        }
        QCOMPARE(got, seen);
        QCOMPARE(live.lockInQuestion(), inQuestion);
    }
};

QTEST_GUILESS_MAIN(TestBoardLiveness)
#include "tst_boardliveness.moc"
