// The RDS page bound to a project: the source list, the keys each control
// writes and the groups they put on air, loading without writing, and the AF
// tab.
#include "../engine/rds/EncoderFixtures.h"
#include "BoundedWait.h"
#include "EONModel.h"
#include "FMSettings.h"
#include "RecordingObserver.h"
#include "TabRDS.h"
#include "TempProject.h"

#include <QtTest>
#include <QtWidgets>

using namespace testsupport;

class TstRdsPageBinding : public QObject
{
    Q_OBJECT

    TempProject *file = nullptr;
    QSharedPointer<FMSettings> project;
    TabRDS *page = nullptr;
    RecordingObserver *obs = nullptr;
    template <class T = QWidget> T *w(const char *name) { return page->findChild<T *>(QLatin1String(name)); }
    QStringList settle()
    {
        QCoreApplication::processEvents();
        return obs->take();
    }
    void open(const QByteArray &content)
    {
        file = new TempProject(content);
        project.reset(new FMSettings(file->path()));
        page = new TabRDS;
        obs = new RecordingObserver;
        project->registerKey(QStringLiteral("rds"), obs);
        page->setSettings(project);
        // The first store writes every key the file lacks.
        emit w<QLineEdit>("PS")->editingFinished();
        settle();
    }

private slots:
    void cleanup()
    {
        project->unregisterObserver(obs);
        delete obs;
        delete std::exchange(page, nullptr);
        project.reset();
        delete file;
    }

    void sourceListFollowsProject()
    {
        open("[rds.1]\nname=One\n[rds.3]\nname=Three\n[rds.7]\nname=Seven\n");
        auto *sources = w<QTableWidget>("sources");
        QCOMPARE(sources->rowCount(), 3);
        QCOMPARE(sources->currentItem()->text(), QStringLiteral("Seven"));
        const int id = project->addRds();
        QVERIFY(waitUntil([&] { return sources->rowCount() == 4; }));
        QCOMPARE(sources->currentItem()->data(Qt::UserRole).toInt(), id);
        project->setRdsName(3, QStringLiteral("Drei"));
        QVERIFY(waitUntil([&] { return sources->item(1, 0)->text() == QLatin1String("Drei"); }));
        project->setRdsUsed(id);
        QVERIFY(waitUntil([&] { return sources->rowCount() == 3; }));
        QCOMPARE(sources->currentItem()->text(), QStringLiteral("Seven"));
        page->selectSource(1, 3);
        QCOMPARE(sources->currentItem()->text(), QStringLiteral("One"));
        QCOMPARE(w<QTabWidget>("tabs")->currentIndex(), 3);
    }

    void emptiedListWritesNothing()
    {
        open("[rds.1]\nname=One\n");
        QVERIFY(w("gBasic")->isEnabled());
        project->setRdsUsed(1);
        QVERIFY(waitUntil([&] { return w<QTableWidget>("sources")->rowCount() == 0; }));
        settle();
        w<QCheckBox>("TP")->click();
        w<QSpinBox>("rate0")->setValue(99);
        QCOMPARE(settle(), QStringList());
        QVERIFY(!w("gBasic")->isEnabled() && w("gCount")->isEnabled());
    }

    void eachControlWritesItsKey()
    {
        // value invalid: a click; else the new value; onAir: the group type then on air at its stored rate
        const auto row = [this](const char *control, const QVariant &value, const QStringList &keys,
                                int onAir = -1) {
            if (page)
                cleanup();
            open("[rds.1]\nname=One\ngmin\\7=1 -40 0 0 0\n"); // RT+ fills the slots others leave
            QWidget *c = w(control);
            QVERIFY2(c, control);
            if (auto *b = qobject_cast<QAbstractButton *>(c); b && !value.isValid())
                b->toggle(), emit b->clicked(b->isChecked()); // also inside an unchecked box
            else if (auto *g = qobject_cast<QGroupBox *>(c))
                g->setChecked(value.toBool());
            else if (auto *e = qobject_cast<QLineEdit *>(c))
                e->setText(value.toString()), emit e->editingFinished();
            else if (auto *b = qobject_cast<QComboBox *>(c))
                b->setCurrentIndex(value.toInt());
            else if (auto *d = qobject_cast<QDoubleSpinBox *>(c))
                d->setValue(value.toDouble());
            else
                qobject_cast<QSpinBox *>(c)->setValue(value.toInt());
            QCOMPARE(QStringList(control) + settle(), QStringList(control) + keys);
            if (onAir < 0)
                return;
            RDSEncoder encoder(1); // groups of the type a minute, decoded from two minutes of slots
            encoder.setRDS(project->rds(1), 95.0);
            const int rate = project->rds(1).gmin[onAir].rate[0], n = 1370;
            const QRegularExpression type(QStringLiteral("^\\S+ %1[0-7]").arg(onAir, 0, 16).toUpper());
            const double perMinute = encfix::run(encoder, n).filter(type).size() / (n * 104 / 1187.5 / 60);
            QVERIFY2(rate > 0 && qAbs(perMinute - rate) <= 1 + rate / 50.0, control);
        };
        const QVariant click;
        // clang-format off
        row("TP", click, {"rds.1/tp=0"}); row("TA", click, {"rds.1/ta=1"}); row("Speech", click, {"rds.1/ms=0"});
        row("d3", click, {"rds.1/dec=1"}); row("PTY", 5, {"rds.1/pty=5"}); row("PI", "D123", {"rds.1/pi=d123"});
        row("PS", "HALLO", {"rds.1/ps=HALLO"}); row("psscroll", click, {"rds.1/pss=57"});
        row("zone", -3.0, {"rds.1/zone=-3"}); row("BER", 5, {"rds.1/ber=5"}); row("gError", true, {"rds.1/err=128"});
        row("fixPI", click, {"rds.1/fix=4"}); row("burstn3", 5, {"rds.1/buc1=5"}); row("bursttime2", 0.7, {"rds.1/eot2=7"});
        row("C_LA", click, {"rds.1/slow=32992"}); row("forceGAP", click, {"rds.1/tmgap=1"});
        row("setdate", click, {"rds.1/date=1"}); row("mins", 30, {"rds.1/mins=30"});
        row("RTA", "Text A", {"rds.1/rta=Text A"}); row("forceB", click, {"rds.1/endx=29"});
        row("eRTflag", click, {"rds.1/rtbit=8192"}); row("itemTog", click, {"rds.1/rtitm=9"});
        row("pRTgroup", 4, {"rds.1/rtgrp=11", "rds.1/gmin/7=<null>", "rds.1/gmin/11=1 -40 0 0 0"});
        row("RTcode", 1, {"rds.1/crt=UTF-8"}); row("RTgroup", 2, {"rds.1/rtxg=2"});
        row("sendRTe", click, {"rds.1/rtxt=10", "rds.1/gmin/9=1 150 0 0 0"}, 9);
        row("AFA", click, {"rds.1/afu=2"});
        row("cbRun2", click, {"rds.1/mode=5"}); row("gLog", true, {"rds.1/fused=true"});
        row("group00", true, {"rds.1/gmin/0=1 180 0 0 0"}); row("rate8", 20, {"rds.1/gmin/8=0 20 0 0 0"});
        row("fill14", click, {"rds.1/gmin/14=0 -120 0 0 0"});
        // Switched on, a group without a rate takes the one its box shows; TMC and the announcements send 3A.
        row("group15", true, {"rds.1/gmin/15=1 180 0 0 0"}, 15);
        row("g3ert", true, {"rds.1/rtxt=72", "rds.1/gmin/3=1 12 0 0 0"}, 3);
        row("group08", true, {"rds.1/gmin/3=1 12 0 0 0", "rds.1/gmin/8=1 180 0 0 0"});
        // clang-format on
    }

    void loadingThenSavingWritesNothing()
    {
        open("[rds.1]\nname=One\ndays=0\npss=255\nrtitm=3\nertb=2\nenc=\nrtgrp=11\neot1=7\n"
             "gmin\\0=1 -180 0 0 0\ngmin\\11=1 30 5 0 0\ngmin\\4=1 0 0 0 0\ngmin\\15=1 0 0 0 0\n"
             "[rds.2]\nname=Two\n");
        page->selectSource(1, -1);
        QCOMPARE(w<QDateEdit>("date")->text(), QStringLiteral("heute"));
        const QMap<QString, QString> before = file->fileGroup(*project, QStringLiteral("rds.1"));
        emit w<QLineEdit>("PS")->editingFinished();
        emit w<QSpinBox>("rate0")->valueChanged(w<QSpinBox>("rate0")->value());
        settle();
        const QMap<QString, QString> after = file->fileGroup(*project, QStringLiteral("rds.1"));
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            QCOMPARE(after.value(it.key()), it.value());
        emit w<QLineEdit>("PS")->editingFinished();
        QCOMPARE(settle(), QStringList());
        QCOMPARE(w<QSpinBox>("rate0")->value(), 180);
        QVERIFY(w<QCheckBox>("fill0")->isChecked());
        // 4A needs no rate; 15A without one sends nothing.
        QVERIFY(w<QGroupBox>("group04")->isChecked() && !w<QGroupBox>("group15")->isChecked());
        QCOMPARE(w<QCheckBox>("itemTog")->checkState(), Qt::PartiallyChecked);
    }

    void otherWriterUpdatesForm()
    {
        open("[rds.1]\nname=One\n");
        QCOMPARE(project->set(QStringLiteral("rds.1.ps"), QStringLiteral("OTHER"), true), 0);
        QVERIFY(waitUntil([&] { return w<QLineEdit>("PS")->text() == QLatin1String("OTHER"); }));
        QCOMPARE(settle(), QStringList{"rds.1/ps=OTHER"});
        QCOMPARE(project->set(QStringLiteral("rds.1.pi"), QStringLiteral("d555"), true), 0);
        QVERIFY(waitUntil([&] { return w<QLineEdit>("PI")->text() == QLatin1String("D555"); }));
    }

    void storeKeepsWhatItDidNotChange()
    {
        // sendRT shows whether group 2A is on; "rtxt" keeps its own bits until the box is switched.
        open("[rds.1]\nname=One\nrtxt=138\nrpa=0\ngmin\\2=1 120 0 0 0\n");
        QCOMPARE(int(project->rds(1).rtxt), 138);
        QVERIFY(w<QCheckBox>("sendRT")->isChecked() && !w<QCheckBox>("sendRTe")->isChecked());
        // Another writer, then an unrelated edit: only the edit is stored.
        RDSSource other = project->rds(1);
        other.rtxt = 139 | 32;
        project->setRds(1, other);
        settle();
        w<QCheckBox>("TA")->click();
        QCOMPARE(settle(), QStringList{"rds.1/ta=1"});
        QCOMPARE(int(project->rds(1).rtxt), 139 | 32);
        QCOMPARE(int(project->rds(1).rpa), 0); // below what rpA can show
        w<QCheckBox>("sendRT")->click();
        QCOMPARE(int(project->rds(1).rtxt), 138 | 32);
        QCOMPARE(int(project->rds(1).gmin[2].on), 0);
        // Another writer moves every field the page stores, unheard of by the page: a TA click keeps them.
        settle();
        const auto was = project->rds(1).scalarValues();
        for (const auto &kv : was) {
            const QString t = kv.second.toString();
            bool number = false;
            const qlonglong n = t.toLongLong(&number);
            const QString moved = number ? QString::number(n ^ 1) : t == "false" ? "true" : t + 'X';
            project->setValue("rds.1/" + kv.first, moved, true);
        }
        const auto moved = project->loadRds(1).scalarValues();
        w<QCheckBox>("TA")->click();
        const auto after = project->rds(1).scalarValues();
        for (int i = 0; i < was.size(); ++i)
            QVERIFY2(moved[i] != was[i] && (after[i] == moved[i] || was[i].first == "ta"),
                     qPrintable(was[i].first));
    }

    void eonAfCell()
    {
        // Typed into the AF cell's editor: a decimal comma is a point, and 101.1 MHz goes on air (14A
        // variant 4: one frequency, code 136); a number that is no frequency is marked and not stored.
        open("[rds.1]\nname=One\ngmin\\14=1 60 0 0 0\neon\\0=0 d312 10 1 0 0\n");
        auto *view = w<QTableView>("EON");
        const QModelIndex af = view->model()->index(0, EONModel::AF);
        const auto type = [&](const char *text) {
            std::unique_ptr<QWidget> editor(view->itemDelegate()->createEditor(view, {}, af));
            QTest::keyClicks(editor.get(), QLatin1String(text));
            view->itemDelegate()->setModelData(editor.get(), view->model(), af);
            settle();
        };
        type("101,1");
        QCOMPARE(afListText(project->rds(1).eon.value(0).af), QStringLiteral("1011"));
        RDSEncoder encoder(1);
        encoder.setRDS(project->rds(1), 95.0);
        QVERIFY(!encfix::run(encoder, 100).filter(QRegularExpression("^\\S+ E..4 E188 ")).isEmpty());
        type("120");
        QCOMPARE(afListText(project->rds(1).eon.value(0).af) + ' ' + af.data(Qt::ToolTipRole).toString(),
                 QStringLiteral("1011 keine Frequenz: nicht gespeichert"));
    }

    void linkedEonShowsStored()
    {
        open("[channel.2]\nused=1\nidrds=2\n[rds.1]\nname=One\neon\\0=2 d312 10 1 0 0\n"
             "[rds.2]\nname=Two\nps=TROVINA2\n");
        page->selectSource(1, -1);
        settle();
        QAbstractItemModel *eon = w<QTableView>("EON")->model();
        for (const char *typed : {"ZWEITER", "DRITTER"}) { // the second store changes no key
            QVERIFY(eon->setData(eon->index(0, 2), QString::fromLatin1(typed)));
            settle();
            QCOMPARE(project->rds(1).eon.value(0).ps, QStringLiteral("TROVINA2"));
            QCOMPARE(eon->index(0, 2).data().toString(), QStringLiteral("TROVINA2"));
        }
        // Another writer empties the list: the table follows.
        QList<EON> none;
        project->setEon(1, none);
        settle();
        QCOMPARE(eon->rowCount(), 0);
    }

    void previewUsesShownCodecs()
    {
        // The eRT byte count of "AB": 2 in UTF-8, 4 in UTF-16LE, whichever source was stored last.
        open("[rds.1]\nname=One\nrtc=AB\nenc=UTF-8\n[rds.2]\nname=Two\nrtc=AB\nenc=UTF-16LE\n");
        auto *count = w<QSpinBox>("CtextC");
        QCOMPARE(count->value(), 4);
        page->selectSource(1, -1);
        QCOMPARE(count->value(), 2);
        page->selectSource(2, -1);
        QCOMPARE(count->value(), 4);
    }

    void deletingWithFocusInAnEdit()
    {
        open("[rds.1]\nname=One\n");
        page->show();
        QApplication::setActiveWindow(page);
        auto *pi = w<QLineEdit>("PI");
        pi->setFocus();
        QVERIFY(waitUntil([&] { return pi->hasFocus(); }));
        pi->setText(QStringLiteral("D999"));
        delete std::exchange(page, nullptr); // the focus leaves PI on the way
        QCOMPARE(int(project->rds(1).pi), 0xD311);
    }

    void readableAtWindowWidth()
    {
        // The main window's default width leaves the page about 1085 pixels; the desktop's font is the
        // 9-point font X11 gives Qt (the offscreen platform's is larger).
        const QFont font = QApplication::font();
        QFont desktop = font;
        desktop.setPointSize(9);
        QApplication::setFont(desktop);
        const auto restore = qScopeGuard([font] { QApplication::setFont(font); });
        open("[rds.1]\nname=One\nafu=13\nafs=1004 1012 1045 1079 -958 1021\nafr=1012\n"
             "eon\\0=0 d312 29 1 0 0\neon\\0\\ps=ZWEITER\neon\\0\\af=1004 1012 1045 1079\n");
        QCOMPARE(page->minimumSizeHint().width() <= 1085, true);
        page->resize(1085, 720);
        page->show();
        auto *tabs = w<QTabWidget>("tabs");
        for (const char *name : {"EON", "AFsend", "AFmtab", "AFatab", "pTable", "sources"}) {
            auto *view = w<QTableView>(name);
            for (int t = 0; t < tabs->count(); ++t)
                if (tabs->widget(t)->isAncestorOf(view))
                    tabs->setCurrentIndex(t);
            QVERIFY(waitUntil([&] { return view->isVisible(); }));
            QCoreApplication::processEvents();
            QAbstractItemModel *m = view->model();
            const QFontMetrics cells(view->font()), heads(view->horizontalHeader()->font());
            const int last = m->columnCount() - 1;
            const auto inSight = [&] {
                return view->columnViewportPosition(last) + view->columnWidth(last) <=
                       view->viewport()->width() + 1;
            };
            QVERIFY2(waitUntil(inSight, 1000), name);
            for (int c = 0; c <= last; ++c) {
                QStringList texts{m->headerData(c, Qt::Horizontal).toString()};
                for (int r = 0; r < m->rowCount(); ++r)
                    texts << m->index(r, c).data().toString();
                for (int i = 0; i < texts.size(); ++i) {
                    // Each word within its column, the lines it wraps to within the row.
                    const QString where = QStringLiteral("%1 %2 %3").arg(name).arg(c).arg(texts.at(i));
                    for (const QString &word : texts.at(i).split(QLatin1Char(' '), Qt::SkipEmptyParts))
                        QVERIFY2((i ? cells : heads).horizontalAdvance(word) + 6 <= view->columnWidth(c),
                                 qPrintable(where));
                    const QRect wrapped = cells.boundingRect(QRect(0, 0, view->columnWidth(c) - 6, 1000),
                                                             Qt::TextWordWrap, texts.at(i));
                    QVERIFY2(i == 0 || wrapped.height() <= view->rowHeight(i - 1), qPrintable(where));
                }
            }
        }
    }

    void tagsAndTmcLink()
    {
        open("[rds.1]\nname=One\ntmcsi=2\nrttag\\0=1 Song\nrttag\\1=4 "
             "Band\n[tmc.1]\nname=T1\n[tmc.2]\nname=T2\n");
        auto *tags = w<QTableWidget>("tags");
        QCOMPARE(tags->rowCount(), 2);
        w<QGroupBox>("gRTplus")->setChecked(true);
        settle();
        tags->selectRow(0);
        w<QPushButton>("delTag")->click();
        QVERIFY(settle().contains(QStringLiteral("rds.1/rttag=")));
        QCOMPARE(project->rds(1).rttag.size(), 1);
        for (int i = 0; i < 20; ++i)
            w<QPushButton>("addTag")->click();
        QCOMPARE(tags->rowCount(), 16);
        settle(); // the reloads that follow the stores
        QCOMPARE(tags->rowCount(), 16);
        QCOMPARE(tags->currentRow(), 15);
        tags->item(10, 1)->setText(QStringLiteral("X"));
        w<QLineEdit>("RTA")->setText(QStringLiteral("$0 $a$A $G"));
        QCOMPARE(w<QPlainTextEdit>("plainA")->toPlainText(), QStringLiteral("Band XX $G"));
        auto *tmc = w<QComboBox>("tmcSI");
        QCOMPARE(tmc->currentText(), QStringLiteral("T2"));
        project->setTmcUsed(2);
        QVERIFY(waitUntil([&] { return tmc->count() == 2; }));
        QCOMPARE(tmc->currentIndex(), 0);
    }

    void afTab()
    {
        QString afs;
        for (int f = 0; f < 26; ++f)
            afs += QString::number(880 + 5 * f) + QLatin1Char(' ');
        open("[channel.1]\nused=1\nfreq=95.0\nidrds=1\n[channel.2]\nused=1\nfreq=99.0\nidrds=2\n"
             "[rds.1]\nname=One\npi=d100\nafu=7\nafs=-900 " +
             afs.toLatin1() + "\n[rds.2]\nname=Two\npi=d100\n");
        page->selectSource(1, 1);
        auto *manual = w<QTableWidget>("AFmtab");
        QCOMPARE(manual->rowCount(), 27);
        QCOMPARE(manual->item(0, 0)->text(), QStringLiteral("Start"));
        auto *autoTable = w<QTableView>("AFatab");
        project->setBoardCount(2);
        project->updateAF(true);
        QVERIFY(waitUntil([&] { return autoTable->model()->rowCount() == 2; }));
        QVERIFY(w<QTableView>("AFsend")->model()->rowCount() > 13);
        // Regional marks toggle; a list start cannot be made regional.
        emit autoTable->doubleClicked(autoTable->model()->index(1, 1));
        QCOMPARE(project->rds(1).afr, QList<qint32>{990});
        emit manual->doubleClicked(manual->model()->index(0, 0));
        QCOMPARE(project->rds(1).afr, QList<qint32>{990});
        // A typed negative frequency starts a list with its absolute value.
        manual->item(1, 1)->setText(QStringLiteral("-88.1"));
        QCOMPARE(project->rds(1).afs.at(1).freq, 881);
        QCOMPARE(int(project->rds(1).afs.at(1).mark), int(RDSAFEntry::listStart));
        // A decimal comma is a decimal point; a text that is no frequency is marked and stores nothing.
        w<QPushButton>("BaddAF")->click();
        manual->item(manual->rowCount() - 1, 1)->setText(QStringLiteral("99,5"));
        QCOMPARE(project->rds(1).afs.last().freq, 995);
        w<QPushButton>("BaddAF")->click();
        const int rows = manual->rowCount();
        QTableWidgetItem *typo = manual->item(rows - 1, 1);
        typo->setText(QStringLiteral("9x"));
        QCOMPARE(project->rds(1).afs.size(), rows - 1);
        QCOMPARE(typo->background().color(), QColor(255, 192, 192));
        typo->setText(QStringLiteral("120")); // a number, but no FM, LF or MF frequency
        QCOMPARE(project->rds(1).afs.size(), rows - 1);
        QCOMPARE(typo->background().color(), QColor(255, 192, 192));
        manual->item(0, 1)->setText(QStringLiteral("?"));
        QCOMPARE(project->rds(1).afs.first().freq, 900); // an entry keeps its stored value
        settle();
        // Method A with more than 25 frequencies: the hint follows a store.
        w<QCheckBox>("TA")->click();
        QVERIFY(waitUntil([] { return QToolTip::text().contains(QLatin1String("Verfahren B")); }, 2000));
    }
};

QTEST_MAIN(TstRdsPageBinding)
#include "tst_rdspagebinding.moc"
