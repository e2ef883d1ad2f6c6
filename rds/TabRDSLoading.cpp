// TabRDS: the form loader, the mirror of slotChanged. Runs under the loading
// guard, so no control stores while it is filled.
#include "TabRDS.h"

#include "EONModel.h"
#include "FMSettings.h"
#include "ODAModel.h"
#include "RDSLogFiles.h"
#include "RDSTexts.h"

#include "ui_TabRDS0.h"
#include "ui_TabRDS2.h"
#include "ui_TabRDSAF.h"
#include "ui_TabRDSRT.h"
#include "ui_TabRDSUI.h"

#include <QSignalBlocker>

namespace {

QString hex4(unsigned value)
{
    return QStringLiteral("%1").arg(value & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper();
}

void setBits(u32 value, std::initializer_list<std::pair<QAbstractButton *, u32>> boxes)
{
    for (const auto &b : boxes)
        b.first->setChecked(value & b.second);
}

} // namespace

bool TabRDS::isOn(const QWidget *box)
{
    if (const auto *group = qobject_cast<const QGroupBox *>(box))
        return group->isChecked();
    const auto *button = qobject_cast<const QAbstractButton *>(box);
    return button && button->isChecked();
}

void TabRDS::setOn(QWidget *box, bool on)
{
    if (auto *group = qobject_cast<QGroupBox *>(box))
        group->setChecked(on);
    else if (auto *button = qobject_cast<QAbstractButton *>(box))
        button->setChecked(on);
}

int TabRDS::codecIndex(QComboBox *combo, const QByteArray &name)
{
    return qMax(0, combo->findText(QString::fromLatin1(name), Qt::MatchExactly));
}

void TabRDS::itemChanged(QTableWidgetItem *item)
{
    if (!project || !item) {
        current = 0; // an emptied list: nothing is shown and nothing stored
        return;
    }
    const int previous = current;
    current = item->data(Qt::UserRole).toInt();
    const bool wasLoading = loading;
    loading = true;
    shown = project->rds(current);
    loadBasic(shown);
    QTableWidget *tags = uiRT->tags;
    const int tagRow = tags->currentRow(), tagColumn = tags->currentColumn();
    loadRadioText(shown);
    // A reload of the same source keeps the current tag row (a row just
    // added stays current).
    if (current == previous && tagRow >= 0 && tagRow < tags->rowCount())
        tags->setCurrentCell(tagRow, tagColumn);
    loadRates(shown);
    const RDSSource &r = shown;
    uiAF->AFused->setChecked(r.afu & 1);
    setBits(r.afu, {{uiAF->AFauto, 2}, {uiAF->AFman, 4}});
    (r.afu & 8 ? uiAF->AFB : uiAF->AFA)->setChecked(true);
    setBits(r.mode, {{ui2->cbRun1, 2}, {ui2->cbRun2, 4}, {ui2->cbRun3, 8}, {ui2->cbDup1, 16},
                     {ui2->cbDup2, 32}, {ui2->cbDup3, 64}});
    eonModel->setList(r.eon);
    odaModel->setList(r.oda);
    ui->gLog->setChecked(r.fused);
    logFiles->setFiles(r.files);
    ui->LogView->clear();
    ui->Log->selectionModel()->clearSelection();
    ui->Log->setCurrentIndex(QModelIndex());
    schedule = r.gmin;
    selectGroup(selectedGroup);
    updateColor();
    updateAFs(false);
    fillTmcList(r.tmcsi);
    loadCodecs(r);
    readForm(formAtLoad);
    loading = wasLoading;
    showText();
}

void TabRDS::loadCodecs(const RDSSource &r)
{
    // The preview encodes with the codecs of the shown source.
    rtCodec = codecOrUtf8(QString::fromLatin1(r.crt));
    ertCodec = codecOrUtf8(QString::fromLatin1(r.enc));
}

void TabRDS::loadBasic(const RDSSource &r)
{
    Ui_TabRDS0 &f = *ui0;
    f.LPS->setText(r.lps);
    f.PS->setText(r.ps);
    f.PI->setText(hex4(r.pi));
    f.TP->setChecked(r.tp);
    f.TA->setChecked(r.ta);
    (r.ms ? f.Music : f.Speech)->setChecked(true);
    f.PTY->setCurrentIndex(r.pty & 31);
    setBits(r.dec, {{f.d0, 1}, {f.d1, 2}, {f.d2, 4}, {f.d3, 8}});
    f.endL->setValue(r.endl);
    f.forceL->setChecked(r.endx & 16);
    f.psscroll->setChecked(r.pss & 8);
    f.psrepeat->setValue((r.pss >> 4) + 1);
    f.psrate->setValue((r.pss & 7) + 1);
    f.zone->setValue(r.zone);
    f.mins->setValue(r.mins);
    // Day count 0 is "heute": the date box's special value at its minimum.
    f.date->setDate(r.days == 0 ? f.date->minimumDate() : QDate(1900, 3, 1).addDays(r.days));
    f.setdate->setChecked(r.date);
    f.Error->setCurrentIndex(qBound(0, r.err & 0x7F, f.Error->count() - 1));
    f.gError->setChecked(r.err & 128);
    f.BER->setValue(r.ber);
    setBits(r.fix, {{f.fixCRC, 1}, {f.fixGrp, 2}, {f.fixPI, 4}, {f.perGrp, 128}});
    f.burstn1->setValue(r.eoc1);
    f.burstn2->setValue(r.eoc2);
    f.burstn3->setValue(r.buc1);
    f.burstn4->setValue(r.buc2);
    f.bursttime1->setValue(r.eot1 * 0.1);
    f.bursttime2->setValue(r.eot2 * 0.1);
    f.bursttime3->setValue(r.but1 * 0.1);
    f.bursttime4->setValue(r.but2 * 0.1);
    f.PTYN1->setText(r.pn1);
    f.PTYN2->setText(r.pn2);
    f.rpty1->setValue(r.rp1);
    f.rpty2->setValue(r.rp2);
    f.forceGAP->setChecked(r.tmgap);
    f.B_PAG->setValue(r.page);
    f.C_ECC->setValue(r.slow & 0x7FFF);
    f.C_LA->setChecked(r.slow & 0x8000);
    f.D_PIN->setValue(r.pin);
    f.LPScode->setCurrentIndex(codecIndex(f.LPScode, r.clps));
    f.LPSBOM->setChecked(r.boml & 1);
}

void TabRDS::loadRadioText(const RDSSource &r)
{
    Ui_TabRDSRT &f = *uiRT;
    f.RTA->setText(r.rta);
    f.RTB->setText(r.rtb);
    f.RTC->setText(r.rtc);
    f.RTD->setText(r.rtd);
    f.rpA->setValue(r.rpa);
    f.rpB->setValue(r.rpb);
    f.rpC->setValue(r.rpc);
    f.rpD->setValue(r.rpd);
    f.endA->setValue(r.enda);
    f.endB->setValue(r.endb);
    f.endC->setValue(r.endc);
    f.endD->setValue(r.endd);
    setBits(r.endx, {{f.forceA, 1}, {f.forceB, 2}, {f.forceC, 4}, {f.forceD, 8}});
    f.pRTaid->setText(hex4(r.paid));
    f.eRTaid->setText(hex4(r.eaid));
    f.pRTbits->setText(hex4(r.rtbit));
    f.eRTflag->setChecked(r.rtbit & 0x2000);
    f.eRTbits->setText(hex4(r.ertb));
    f.eRTL->setChecked(r.ertb & 2);
    const int rtGroup = f.pRTgroup->findText(QStringLiteral("%1A").arg(r.rtgrp));
    if (rtGroup >= 0)
        f.pRTgroup->setCurrentIndex(rtGroup);
    const int ertGroup = f.eRTgroup->findText(QStringLiteral("%1A").arg(r.ertg));
    if (ertGroup >= 0)
        f.eRTgroup->setCurrentIndex(ertGroup);
    f.readID3->setChecked(r.rtitm & 8);
    f.itemTog->setCheckState(Qt::CheckState((r.rtitm >> 1) & 3));
    f.itemRun->setChecked(r.rtitm & 1);
    f.RTcode->setCurrentIndex(codecIndex(f.RTcode, r.crt));
    f.eRTcode->setCurrentIndex(codecIndex(f.eRTcode, r.enc));
    f.RTgroup->setCurrentIndex(qBound(0, int(r.rtxg), f.RTgroup->count() - 1));
    setBits(r.rtxt, {{f.sendRT, 1}, {f.sendRTe, 2}, {f.eRTBOM, 4}, {f.RTBOM, 8}, {f.flagAB, 16}});
    f.g3ert->setChecked(r.rtxt & 64);
    f.g3rtp->setChecked(r.rtxt & 128);
    f.tags->setRowCount(0);
    for (const RTag &tag : r.rttag)
        appendTagRow(tag);
}

void TabRDS::appendTagRow(const RTag &tag)
{
    QTableWidget *tags = uiRT->tags;
    const QSignalBlocker blocker(tags);
    const int row = tags->rowCount();
    tags->insertRow(row);
    auto *type = new QComboBox(tags);
    type->addItems(rtPlusContentTypes());
    type->setCurrentIndex(qBound(0, tag.type, type->count() - 1));
    connect(type, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &TabRDS::slotChanged);
    tags->setCellWidget(row, 0, type);
    tags->setItem(row, 1, new QTableWidgetItem(tag.text));
    tags->setVerticalHeaderItem(row, new QTableWidgetItem(QString::number(row)));
}

void TabRDS::loadRates(const RDSSource &r)
{
    rateRtPlusGroup = r.rtgrp;
    rateErtGroup = r.ertg;
    rateAnnounce = announcements();
    for (const RateControls &c : rateControls(r)) {
        const RDSGroupRate &e = r.gmin[c.entry];
        if (c.box)
            setOn(c.box, shownOn(c, e));
        if (c.rate)
            c.rate->setValue(shownRate(c, e));
        if (c.fill)
            c.fill->setChecked(e.rate[0] < 0);
    }
}

int TabRDS::shownRate(const RateControls &c, const RDSGroupRate &e) const
{
    if (!c.rate)
        return 0;
    return e.rate[0] ? qBound(c.rate->minimum(), qAbs(e.rate[0]), c.rate->maximum())
                     : rateStart.value(c.rate);
}

bool TabRDS::shownOn(const RateControls &c, const RDSGroupRate &e)
{
    return e.on && (!c.rate || e.rate[0]);
}

u8 TabRDS::announcements() const
{
    return u8((uiRT->g3ert->isChecked() ? 64 : 0) | (uiRT->g3rtp->isChecked() ? 128 : 0));
}

QList<TabRDS::RateControls> TabRDS::rateControls(const RDSSource &r) const
{
    const int rtPlus = r.rtgrp & 15, ert = r.ertg & 15;
    return {
        {0, ui0->group00, ui0->rate0, ui0->fill0},
        {1, ui0->group01, ui0->rate1, nullptr},
        {2, uiRT->sendRT, uiRT->rateRT, uiRT->fill2},
        {3, nullptr, ui0->rate3, nullptr},
        {4, ui0->group04, nullptr, nullptr},
        {8, ui0->group08, ui0->rate8, ui0->fill8},
        {10, ui0->group10, ui0->rate10, nullptr},
        {14, ui0->group14, ui0->rate14, ui0->fill14},
        {15, ui0->group15, ui0->rate15, ui0->fill15},
        {ert, uiRT->sendRTe, uiRT->rateRTe, uiRT->fillERT},
        {rtPlus, uiRT->gRTplus, uiRT->rateRTp, nullptr},
    };
}
