// TabRDS: storing the form as the shown source, the group rates and the RDS2
// schedule, and the small editors (tags, EON, ODA, log files, country).
#include "TabRDS.h"

#include "EONModel.h"
#include "FMSettings.h"
#include "ODAModel.h"
#include "RDSCharset.h"
#include "RDSLogFiles.h"
#include "RDSTexts.h"

#include "ui_TabRDS0.h"
#include "ui_TabRDS2.h"
#include "ui_TabRDSAF.h"
#include "ui_TabRDSRT.h"
#include "ui_TabRDSUI.h"

#include <QCursor>
#include <QFileDialog>
#include <QTextCodec>
#include <QToolTip>

#include <algorithm>
#include <type_traits>

namespace {

constexpr int maxTags = 16;
constexpr int odaEntry = 3; // group-rate entries of 3A (announcements) and 8A (TMC)
constexpr int tmcEntry = 8;

u16 hexValue(const QString &text)
{
    bool ok = false;
    const uint v = text.trimmed().toUInt(&ok, 16);
    return ok ? u16(v) : 0;
}

u32 bitsOf(std::initializer_list<std::pair<const QAbstractButton *, u32>> boxes)
{
    u32 v = 0;
    for (const auto &b : boxes)
        if (b.first->isChecked())
            v |= b.second;
    return v;
}

// The group number of a combo text such as "11A".
u8 groupNumber(const QComboBox *combo)
{
    return u8(combo->currentText().remove(QLatin1Char('A')).toInt());
}

// Burst times in tenths of a second; the tolerance keeps 0.7 x 10 from
// truncating to 6.
u8 tenths(double seconds)
{
    return u8(int(seconds * 10.0 + 1e-6));
}

} // namespace

QTextCodec *TabRDS::codecOrUtf8(const QString &name)
{
    QTextCodec *codec = QTextCodec::codecForName(name.toLatin1());
    return codec ? codec : QTextCodec::codecForName("UTF-8");
}

QByteArray TabRDS::codecName(QComboBox *combo, const QByteArray &loaded)
{
    // A stored name that the combo shows by its fallback entry stays as stored.
    if (codecIndex(combo, loaded) == combo->currentIndex())
        return loaded;
    return combo->currentText().toLatin1();
}

void TabRDS::slotChanged()
{
    if (!project || !ui->sources->currentItem() || loading)
        return;
    const int id = ui->sources->currentItem()->data(Qt::UserRole).toInt();
    RDSSource r;
    readForm(r);
    formSideEffects(r);
    const RDSSource form = r;
    // Only what the user changed since the form was filled is taken from the
    // form: a store never reverts what another writer stored meanwhile, nor
    // a value or bit the controls cannot show.
    if (id == current)
        keepUntouched(r, formAtLoad, project->rds(id));
    project->setRds(id, r);
    shown = project->rds(id);
    formAtLoad = form;
    showText();
    updateAFs(true);
}

void TabRDS::keepUntouched(RDSSource &edited, const RDSSource &atLoad, const RDSSource &stored)
{
    // Whole values: a changed value replaces the stored one.
    const auto value = [](auto &e, const auto &l, const auto &s) {
        if (e == l)
            e = s;
    };
    // Bit fields: only the bits that changed replace the stored ones.
    const auto bits = [](auto &e, const auto &l, const auto &s) {
        const auto changed = e ^ l;
        e = std::remove_reference_t<decltype(e)>((s & ~changed) | (e & changed));
    };
    value(edited.lps, atLoad.lps, stored.lps);
    value(edited.ps, atLoad.ps, stored.ps);
    value(edited.pi, atLoad.pi, stored.pi);
    value(edited.tp, atLoad.tp, stored.tp);
    value(edited.ta, atLoad.ta, stored.ta);
    value(edited.ms, atLoad.ms, stored.ms);
    bits(edited.afu, atLoad.afu, stored.afu);
    value(edited.pty, atLoad.pty, stored.pty);
    bits(edited.dec, atLoad.dec, stored.dec);
    value(edited.rta, atLoad.rta, stored.rta);
    value(edited.rtb, atLoad.rtb, stored.rtb);
    value(edited.rtc, atLoad.rtc, stored.rtc);
    value(edited.rtd, atLoad.rtd, stored.rtd);
    value(edited.rttag, atLoad.rttag, stored.rttag);
    value(edited.rpa, atLoad.rpa, stored.rpa);
    value(edited.rpb, atLoad.rpb, stored.rpb);
    value(edited.rpc, atLoad.rpc, stored.rpc);
    value(edited.rpd, atLoad.rpd, stored.rpd);
    value(edited.enda, atLoad.enda, stored.enda);
    value(edited.endb, atLoad.endb, stored.endb);
    value(edited.endc, atLoad.endc, stored.endc);
    value(edited.endd, atLoad.endd, stored.endd);
    value(edited.endl, atLoad.endl, stored.endl);
    bits(edited.endx, atLoad.endx, stored.endx);
    value(edited.pss, atLoad.pss, stored.pss);
    value(edited.zone, atLoad.zone, stored.zone);
    value(edited.mins, atLoad.mins, stored.mins);
    value(edited.days, atLoad.days, stored.days);
    value(edited.date, atLoad.date, stored.date);
    bits(edited.err, atLoad.err, stored.err);
    value(edited.ber, atLoad.ber, stored.ber);
    bits(edited.fix, atLoad.fix, stored.fix);
    value(edited.eoc1, atLoad.eoc1, stored.eoc1);
    value(edited.eoc2, atLoad.eoc2, stored.eoc2);
    value(edited.buc1, atLoad.buc1, stored.buc1);
    value(edited.buc2, atLoad.buc2, stored.buc2);
    value(edited.eot1, atLoad.eot1, stored.eot1);
    value(edited.eot2, atLoad.eot2, stored.eot2);
    value(edited.but1, atLoad.but1, stored.but1);
    value(edited.but2, atLoad.but2, stored.but2);
    value(edited.pn1, atLoad.pn1, stored.pn1);
    value(edited.pn2, atLoad.pn2, stored.pn2);
    value(edited.rp1, atLoad.rp1, stored.rp1);
    value(edited.rp2, atLoad.rp2, stored.rp2);
    value(edited.tmcsi, atLoad.tmcsi, stored.tmcsi);
    value(edited.tmgap, atLoad.tmgap, stored.tmgap);
    value(edited.paid, atLoad.paid, stored.paid);
    value(edited.eaid, atLoad.eaid, stored.eaid);
    bits(edited.rtbit, atLoad.rtbit, stored.rtbit);
    value(edited.rtgrp, atLoad.rtgrp, stored.rtgrp);
    bits(edited.rtitm, atLoad.rtitm, stored.rtitm);
    value(edited.page, atLoad.page, stored.page);
    bits(edited.slow, atLoad.slow, stored.slow);
    value(edited.pin, atLoad.pin, stored.pin);
    bits(edited.mode, atLoad.mode, stored.mode);
    bits(edited.ertb, atLoad.ertb, stored.ertb);
    value(edited.crt, atLoad.crt, stored.crt);
    value(edited.enc, atLoad.enc, stored.enc);
    value(edited.clps, atLoad.clps, stored.clps);
    bits(edited.boml, atLoad.boml, stored.boml);
    value(edited.rtxg, atLoad.rtxg, stored.rtxg);
    bits(edited.rtxt, atLoad.rtxt, stored.rtxt);
    value(edited.ertg, atLoad.ertg, stored.ertg);
    value(edited.fused, atLoad.fused, stored.fused);
    value(edited.files, atLoad.files, stored.files);
}

void TabRDS::readForm(RDSSource &r) const
{
    Ui_TabRDS0 &b = *ui0;
    Ui_TabRDSRT &t = *uiRT;
    r.lps = b.LPS->text();
    r.ps = b.PS->text();
    r.pi = hexValue(b.PI->text());
    r.tp = b.TP->isChecked();
    r.ta = b.TA->isChecked();
    r.ms = b.Music->isChecked();
    r.afu = u8(bitsOf({{uiAF->AFauto, 2}, {uiAF->AFman, 4}, {uiAF->AFB, 8}}) | (uiAF->AFused->isChecked() ? 1 : 0));
    r.pty = u8(b.PTY->currentIndex());
    r.dec = u8(bitsOf({{b.d0, 1}, {b.d1, 2}, {b.d2, 4}, {b.d3, 8}}));
    readRtPlusTags(r.rta, r.rtb, r.rtc, r.rtd, r.rttag);
    r.rpa = u8(t.rpA->value());
    r.rpb = u8(t.rpB->value());
    r.rpc = u8(t.rpC->value());
    r.rpd = u8(t.rpD->value());
    r.enda = u8(t.endA->value());
    r.endb = u8(t.endB->value());
    r.endc = u8(t.endC->value());
    r.endd = u8(t.endD->value());
    r.endl = u8(b.endL->value());
    r.endx = u8(bitsOf({{t.forceA, 1}, {t.forceB, 2}, {t.forceC, 4}, {t.forceD, 8}, {b.forceL, 16}}));
    r.pss = u8((b.psrepeat->value() - 1) * 16 + (b.psrate->value() - 1) + (b.psscroll->isChecked() ? 8 : 0));
    r.zone = qint8(int(b.zone->value()));
    r.mins = b.mins->value();
    r.days = b.date->date() == b.date->minimumDate() ? 0 : RDSSource::daysSince1900(b.date->date());
    r.date = b.setdate->isChecked();
    r.err = u8(b.Error->currentIndex() + (b.gError->isChecked() ? 128 : 0));
    r.ber = u8(b.BER->value());
    r.fix = u8(bitsOf({{b.fixCRC, 1}, {b.fixGrp, 2}, {b.fixPI, 4}, {b.perGrp, 128}}));
    r.eoc1 = u8(b.burstn1->value());
    r.eoc2 = u8(b.burstn2->value());
    r.buc1 = u8(b.burstn3->value());
    r.buc2 = u8(b.burstn4->value());
    r.eot1 = tenths(b.bursttime1->value());
    r.eot2 = tenths(b.bursttime2->value());
    r.but1 = tenths(b.bursttime3->value());
    r.but2 = tenths(b.bursttime4->value());
    r.pn1 = b.PTYN1->text();
    r.pn2 = b.PTYN2->text();
    r.rp1 = u8(b.rpty1->value());
    r.rp2 = u8(b.rpty2->value());
    r.tmcsi = b.tmcSI->currentData().toInt();
    r.tmgap = b.forceGAP->isChecked();
    r.paid = hexValue(t.pRTaid->text());
    r.eaid = hexValue(t.eRTaid->text());
    r.rtbit = u16((hexValue(t.pRTbits->text()) & ~0x2000) | (t.eRTflag->isChecked() ? 0x2000 : 0));
    r.rtgrp = groupNumber(t.pRTgroup);
    r.rtitm = u8((t.itemRun->checkState() != Qt::Unchecked ? 1 : 0) + 2 * int(t.itemTog->checkState()) +
                 (t.readID3->checkState() != Qt::Unchecked ? 8 : 0));
    r.page = u8(b.B_PAG->value());
    r.slow = u16(b.C_ECC->value() + (b.C_LA->isChecked() ? 0x8000 : 0));
    r.pin = u16(b.D_PIN->value());
    r.mode = u8(1 + bitsOf({{ui2->cbRun1, 2}, {ui2->cbRun2, 4}, {ui2->cbRun3, 8}, {ui2->cbDup1, 16},
                            {ui2->cbDup2, 32}, {ui2->cbDup3, 64}}));
    r.crt = codecName(t.RTcode, shown.crt);
    r.enc = codecName(t.eRTcode, shown.enc);
    // Bit 0 announces UTF-8; a codec name kept as stored keeps the stored bit.
    const bool utf8 = r.enc == shown.enc ? shown.ertb & 1 : t.eRTcode->currentText() == QLatin1String("UTF-8");
    r.ertb = u16((hexValue(t.eRTbits->text()) & ~3) | (t.eRTL->isChecked() ? 2 : 0) | (utf8 ? 1 : 0));
    r.clps = codecName(b.LPScode, shown.clps);
    r.boml = b.LPSBOM->isChecked();
    r.rtxg = u8(t.RTgroup->currentIndex());
    r.rtxt = u8(bitsOf({{t.sendRT, 1}, {t.sendRTe, 2}, {t.eRTBOM, 4}, {t.RTBOM, 8}, {t.flagAB, 16}}) |
                (t.g3ert->isChecked() ? 64 : 0) | (t.g3rtp->isChecked() ? 128 : 0));
    r.ertg = groupNumber(t.eRTgroup);
    r.fused = ui->gLog->isChecked();
    r.files = logFiles->files();
}

void TabRDS::formSideEffects(const RDSSource &r)
{
    Ui_TabRDSRT &t = *uiRT;
    rtCodec = codecOrUtf8(t.RTcode->currentText());
    ertCodec = codecOrUtf8(t.eRTcode->currentText());
    if (r.ertb != 0x0001)
        t.eRTbits->setText(QStringLiteral("%1").arg(r.ertb, 4, 16, QLatin1Char('0')).toUpper());
    const bool same = t.pRTgroup->currentText() == t.eRTgroup->currentText();
    for (QComboBox *c : {t.pRTgroup, t.eRTgroup}) {
        QPalette p = defaultPalette;
        if (same)
            p.setColor(QPalette::Base, warnColour());
        c->setPalette(p);
    }
    const char *const tog[] = {QT_TR_NOOP("Item toggle bit: aus"),
                               QT_TR_NOOP("Item toggle bit: automatisch mit Audio ID3 Tag"),
                               QT_TR_NOOP("Item toggle bit: ein")};
    t.itemTog->setToolTip(tr(tog[qBound(0, int(t.itemTog->checkState()), 2)]));
    t.itemRun->setToolTip(t.itemRun->checkState() == Qt::Unchecked ? tr("Item running bit: aus")
                                                                  : tr("Item running bit: ein"));
    if (sender() == t.itemTog || sender() == t.itemRun)
        QToolTip::showText(QCursor::pos(), static_cast<QWidget *>(sender())->toolTip());
}

void TabRDS::readRtPlusTags(QString &a, QString &b, QString &c, QString &d, QList<RTag> &tags) const
{
    a = uiRT->RTA->text();
    b = uiRT->RTB->text();
    c = uiRT->RTC->text();
    d = uiRT->RTD->text();
    tags.clear();
    QTableWidget *table = uiRT->tags;
    for (int row = 0; row < table->rowCount() && tags.size() < maxTags; ++row) {
        RTag tag;
        if (auto *type = qobject_cast<QComboBox *>(table->cellWidget(row, 0)))
            tag.type = type->currentIndex();
        if (QTableWidgetItem *text = table->item(row, 1))
            tag.text = text->text();
        tags.append(tag);
    }
}

void TabRDS::rtxtChanged()
{
    if (uiRT->sendRT->isChecked() && uiRT->sendRTe->isChecked() && uiRT->gRTplus->isChecked())
        QToolTip::showText(QCursor::pos(), tr("Die RadioText+ Tags gelten nur für eine RadioText-Gruppe!"));
}

void TabRDS::saveECC(const ECC &country)
{
    QString pi = ui0->PI->text();
    if (!country.ci.isEmpty()) {
        const QChar first = pi.isEmpty() ? QChar() : pi.at(0).toUpper();
        if (pi.isEmpty())
            pi = QLatin1Char(country.ci.at(0)) + QStringLiteral("000");
        else if (!country.ci.toUpper().contains(first.toLatin1()))
            pi[0] = QLatin1Char(country.ci.at(0));
        ui0->PI->setText(pi);
    }
    ui0->C_ECC->setValue(country.ecc);
    slotChanged();
    findCountry();
}

void TabRDS::saveEON()
{
    if (!project || loading || current <= 0)
        return;
    QList<EON> list = eonModel->list();
    project->setEon(current, list);
    // The entries linked to a channel carry that channel's programme data,
    // whatever was typed: the table shows what was stored, also when no key
    // changed and no event comes back.
    eonModel->updateList(list);
}

void TabRDS::saveODA()
{
    if (!project || loading || current <= 0)
        return;
    project->setOda(current, odaModel->list());
}

void TabRDS::selectGroup(int id)
{
    if (id < 0 || id >= RDSGroupRate::count)
        return;
    selectedGroup = id;
    Ui_TabRDS2 &f = *ui2;
    QSpinBox *const g[4] = {f.g0, f.g1, f.g2, f.g3};
    QCheckBox *const fill[4] = {f.f0, f.f1, f.f2, f.f3};
    QLabel *const l[4] = {f.l0, f.l1, f.l2, f.l3};
    const RDSGroupRate &e = schedule[id];
    for (int s = 0; s < 4; ++s) {
        g[s]->setEnabled(true);
        fill[s]->setEnabled(true);
        const QSignalBlocker blocker(g[s]);
        g[s]->setValue(qAbs(e.rate[s]));
        fill[s]->setChecked(e.rate[s] < 0);
    }
    f.on->setEnabled(true);
    f.on->setChecked(e.on);
    for (int s = 1; s < 4; ++s) {
        QPalette p = l[0]->palette();
        if (e.rate[s] != 0) {
            l[s]->setAutoFillBackground(true);
            p.setColor(l[s]->backgroundRole(), groupHighlightColour());
        }
        l[s]->setPalette(p);
    }
    QPalette on = f.on->palette();
    on.setColor(f.on->backgroundRole(), QColor(e.on ? 0xD8F8D8 : 0xF0F0A8));
    f.on->setPalette(on);
}

void TabRDS::updateColor()
{
    for (int id = 0; id < RDSGroupRate::count; ++id) {
        if (!buttons[id])
            continue;
        const RDSGroupRate &e = schedule[id];
        QPalette p = defaultPalette;
        if (!e.allRatesZero())
            p.setColor(QPalette::Button, QColor(0xF0F0A8));
        if (e.on)
            p.setColor(QPalette::Button,
                       !e.rate[1] && !e.rate[2] && !e.rate[3] ? QColor(0xD8F8D8) : groupHighlightColour());
        buttons[id]->setPalette(p);
    }
}

void TabRDS::rds2Changed()
{
    if (!project || loading || current <= 0 || selectedGroup < 0)
        return;
    Ui_TabRDS2 &f = *ui2;
    QSpinBox *const g[4] = {f.g0, f.g1, f.g2, f.g3};
    QCheckBox *const fill[4] = {f.f0, f.f1, f.f2, f.f3};
    RDSGroupRate &e = schedule[selectedGroup];
    e.on = f.on->isChecked();
    for (int s = 0; s < 4; ++s)
        e.rate[s] = fill[s]->isChecked() ? -g[s]->value() : g[s]->value();
    rateChanged();
    selectGroup(selectedGroup);
}

void TabRDS::rateChanged()
{
    if (!project || loading || current <= 0)
        return;
    // The stream-0 controls of the tabs overwrite an entry only where they
    // differ from what the loader showed; so storing after loading writes
    // nothing, and the RDS2 schedule's own stream-0 value stays. A group
    // switched on is sent at the rate its box shows.
    RDSSource was = shown; // the groups of RT+ and eRT the rate controls stood for
    was.rtgrp = rateRtPlusGroup;
    was.ertg = rateErtGroup;
    const QList<RateControls> before = rateControls(was);
    RDSSource now = shown;
    now.rtgrp = groupNumber(uiRT->pRTgroup);
    now.ertg = groupNumber(uiRT->eRTgroup);
    const QList<RateControls> after = rateControls(now);
    bool announce = false; // TMC switched on: its receivers need its 3A announcement
    for (int i = 0; i < after.size(); ++i) {
        const RateControls &c = after.at(i);
        const int from = before.at(i).entry;
        bool switchedOn = false;
        const RDSGroupRate e = rateFromControls(c, shown.gmin[from], schedule[from], &switchedOn);
        announce = announce || (switchedOn && c.entry == tmcEntry);
        if (from != c.entry) {
            // RT+ or eRT moved to another group: the entry moves with it.
            schedule[from] = RDSGroupRate();
        }
        schedule[c.entry] = e;
    }
    // 3A has no switch of its own: TMC or an announcement switched on sends
    // it, at the rate its box shows where it had none.
    const u8 announcing = announcements();
    if (announce || (announcing & ~rateAnnounce)) {
        RDSGroupRate &oda = schedule[odaEntry];
        oda.on = 1;
        if (!oda.rate[0])
            oda.rate[0] = ui0->rate3->value();
    }
    project->setGroupRates(current, schedule);
    shown.gmin = schedule;
    rateRtPlusGroup = now.rtgrp;
    rateErtGroup = now.ertg;
    rateAnnounce = announcing;
    updateColor();
}

RDSGroupRate TabRDS::rateFromControls(const RateControls &c, const RDSGroupRate &loaded, RDSGroupRate e,
                                      bool *switchedOn) const
{
    const bool rateMoved = c.rate && c.rate->value() != shownRate(c, loaded);
    const bool fillMoved = c.fill && c.fill->isChecked() != (loaded.rate[0] < 0);
    const bool switched = c.box && isOn(c.box) != shownOn(c, loaded);
    if (switched)
        e.on = isOn(c.box);
    else if (!c.box && rateMoved)
        e.on = 1; // 3A has no switch of its own: a rate set by hand sends it
    *switchedOn = switched && e.on;
    // A group switched on without a rate takes the one its box shows.
    if (rateMoved || fillMoved || (*switchedOn && c.rate && !e.rate[0])) {
        const int mag = c.rate ? c.rate->value() : qAbs(e.rate[0]);
        e.rate[0] = c.fill && c.fill->isChecked() ? -mag : mag;
    }
    return e;
}

void TabRDS::findCountry()
{
    const QString pi = ui0->PI->text();
    QString tip = tr("Program Identification with\nCountry Identifier (First Digit)");
    if (!pi.isEmpty()) {
        const QString names =
            countryNames(pi.at(0).toUpper().toLatin1(), u16(ui0->C_ECC->value() & 0xFF));
        if (!names.isEmpty())
            tip += QLatin1Char('\n') + names;
    }
    ui0->PI->setToolTip(tip);
}

void TabRDS::calcPS()
{
    QString text = ui0->PS->text();
    const QList<int> escapes = rdsUnescape(text, 2);
    bool fits = true;
    for (int i = 0; i < text.size() && fits; ++i)
        fits = escapes.contains(i) || text.at(i) == QLatin1Char('?') || rdsCharFromUnicode(text.at(i)) != '?';
    ui0->CPS->setValue(text.size());
    markField(ui0->PS, !fits);
}

void TabRDS::calcLPS()
{
    bool ok = true;
    const QByteArray bytes =
        encodeText(codecOrUtf8(ui0->LPScode->currentText()), ui0->LPS->text(), &ok, ui0->LPSBOM->isChecked());
    const int count = bytes.size() + (ui0->forceL->isChecked() ? 1 : 0);
    ui0->CLPS->setValue(qMin(count, ui0->CLPS->maximum()));
    markField(ui0->LPS, !ok || count > 32);
}

void TabRDS::markField(QWidget *w, bool warn)
{
    QPalette p = defaultPalette;
    if (warn)
        p.setColor(QPalette::Base, warnColour());
    w->setPalette(p);
}

void TabRDS::addTag()
{
    if (uiRT->tags->rowCount() >= maxTags)
        return;
    appendTagRow(RTag());
    uiRT->tags->setCurrentCell(uiRT->tags->rowCount() - 1, 1);
    slotChanged();
}

void TabRDS::delTag()
{
    QTableWidget *tags = uiRT->tags;
    QList<int> rows;
    for (QTableWidgetItem *item : tags->selectedItems())
        if (!rows.contains(item->row()))
            rows.append(item->row());
    const QModelIndexList widgets = tags->selectionModel()->selectedIndexes();
    for (const QModelIndex &index : widgets)
        if (!rows.contains(index.row()))
            rows.append(index.row());
    if (rows.isEmpty())
        return;
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    {
        const QSignalBlocker blocker(tags);
        for (int row : qAsConst(rows))
            tags->removeRow(row);
        for (int row = 0; row < tags->rowCount(); ++row)
            tags->setVerticalHeaderItem(row, new QTableWidgetItem(QString::number(row)));
    }
    slotChanged();
}

void TabRDS::addEON()
{
    if (loading || current <= 0)
        return;
    eonModel->insertRows(eonModel->rowCount(), 1);
    saveEON();
}

void TabRDS::delEON()
{
    removeSelectedRows(ui0->EON, eonModel);
    saveEON();
}

void TabRDS::addODA()
{
    if (loading || current <= 0)
        return;
    odaModel->insertRows(odaModel->rowCount(), 1);
    saveODA();
}

void TabRDS::delODA()
{
    removeSelectedRows(ui2->ODA, odaModel);
    saveODA();
}

void TabRDS::removeSelectedRows(QAbstractItemView *view, QAbstractItemModel *model)
{
    if (loading || current <= 0 || !view->selectionModel())
        return;
    QList<int> rows;
    for (const QModelIndex &index : view->selectionModel()->selectedIndexes())
        if (!rows.contains(index.row()))
            rows.append(index.row());
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int row : qAsConst(rows))
        model->removeRows(row, 1);
}

void TabRDS::addLog()
{
    if (!project)
        return;
    const QStringList files = QFileDialog::getOpenFileNames(this, tr("RDS-Log Dateien hinzufügen"), lastLogPath,
                                                            tr("Log Dateien (*.txt *.log);;Alle Dateien (*)"));
    if (files.isEmpty())
        return;
    lastLogPath = files.first();
    logFiles->addFiles(files);
}

void TabRDS::delLog()
{
    if (!project)
        return;
    QList<int> rows;
    for (const QModelIndex &index : ui->Log->selectionModel()->selectedIndexes())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int row : qAsConst(rows))
        logFiles->removeRows(row, 1);
}
