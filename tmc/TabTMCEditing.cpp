// TabTMC: loading the selected source into the controls and storing every
// edit: system information, encryption, messages and labels.
#include "TabTMC.h"

#include "FMSettings.h"
#include "TMCLblModel.h"
#include "TMCMsgModel.h"
#include "TmcCatalog.h"

#include "ui_TabTMCUI.h"

namespace
{

// Four upper-case hexadecimal digits with leading zeros.
QString hex4(uint value)
{
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper();
}

// A hexadecimal field; 0 when it cannot be read.
uint hexField(const QLineEdit *edit)
{
    return edit->text().toUInt(nullptr, 16);
}

} // namespace

void TabTMC::itemChanged(QTableWidgetItem *item)
{
    if (!project || !item)
        return;
    current = item->data(Qt::UserRole).toInt();
    source = project->tmc(current);
    busy = true;
    const QString aid = hex4(source.aid);
    int aidIndex = ui->AID->findText(aid, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (aidIndex < 0) {
        ui->AID->addItem(aid);
        aidIndex = ui->AID->count() - 1;
    }
    ui->gEnc->setChecked(source.flag & 0x02);
    ui->key->setChecked(source.flag & 0x04);
    ui->variant0->setChecked(source.flag & 0x01);
    ui->variant1->setChecked(source.flag & 0x08);
    ui->variant2->setChecked(source.flag & 0x10);
    ui->variant3->setChecked(source.flag & 0x20);
    ui->var0->setText(hex4(source.va0));
    ui->var1->setText(hex4(source.va1));
    ui->var2->setText(hex4(source.va2));
    ui->var3->setText(hex4(source.va3));
    ui->SPN->setText(source.spn);
    const u16 va0 = source.va0, va1 = source.va1;
    ui->LTN->setValue((va0 >> 6) & 63);
    ui->AFI->setChecked(va0 & 0x20);
    ui->M->setChecked(va0 & 0x10);
    ui->I->setChecked(va0 & 0x08);
    ui->N->setChecked(va0 & 0x04);
    ui->R->setChecked(va0 & 0x02);
    ui->U->setChecked(va0 & 0x01);
    ui->SID->setValue((va1 >> 6) & 63);
    ui->GAP->setCurrentIndex((va1 >> 12) & 3);
    ui->ta->setCurrentIndex((va1 >> 4) & 3);
    ui->tw->setCurrentIndex((va1 >> 2) & 3);
    ui->td->setCurrentIndex(va1 & 3);
    const bool timeWheel = va0 & 0x10;
    for (QWidget *w : {ui->ta, ui->tw, ui->td})
        w->setEnabled(timeWheel);
    ui->LTCC->setEnabled(!timeWheel);
    ui->AID->setCurrentIndex(aidIndex);
    ui->LTCC->setValue(va1 & 15);
    ui->LTECC->setValue(source.va2 & 255);
    ui->encid->setValue(source.enc);
    ui->repeat->setValue(source.rpt);
    ui->rate->setValue(source.rate);
    msgModel()->setSource(source);
    if (source.enc < TMCSource::keyCount)
        showServiceKey(source.skt[source.enc]);
    showMessage();
    busy = false;
}

void TabTMC::slotChanged()
{
    const int n = currentItemSource();
    if (busy || !project || n < 1)
        return;
    source.flag = u8((ui->variant0->isChecked() ? 0x01 : 0) | (ui->gEnc->isChecked() ? 0x02 : 0) |
                     (ui->key->isChecked() ? 0x04 : 0) | (ui->variant1->isChecked() ? 0x08 : 0) |
                     (ui->variant2->isChecked() ? 0x10 : 0) | (ui->variant3->isChecked() ? 0x20 : 0));
    source.spn = ui->SPN->text();
    // A typed identifier that is not a 16-bit hexadecimal number changes nothing.
    bool ok = false;
    const uint aid = ui->AID->currentText().trimmed().toUInt(&ok, 16);
    if (ok && aid <= 0xFFFF)
        source.aid = u16(aid);
    uint va0 = source.va0 & 0x3000;
    uint va1 = (source.va1 & 0x3FFF) | 0x4000;
    uint va2 = (source.va2 & 0x3FFF) | 0x8000;
    const uint va3 = source.va3 | 0xC000;
    const bool timeWheel = ui->M->isChecked();
    va0 |= (ui->AFI->isChecked() ? 0x20 : 0) | (timeWheel ? 0x10 : 0) | (ui->I->isChecked() ? 0x08 : 0) |
           (ui->N->isChecked() ? 0x04 : 0) | (ui->R->isChecked() ? 0x02 : 0) |
           (ui->U->isChecked() ? 0x01 : 0);
    if (timeWheel)
        va1 = 0x4000 | uint(ui->ta->currentIndex() & 3) << 4 | uint(ui->tw->currentIndex() & 3) << 2 |
              uint(ui->td->currentIndex() & 3);
    else
        va1 = (va1 & 0xC030) | uint(ui->LTCC->value() & 15);
    va0 |= uint(ui->LTN->value() & 63) << 6;
    va1 |= uint(ui->SID->value() & 63) << 6 | uint(ui->GAP->currentIndex() & 3) << 12;
    va2 = (va2 & 0xFF00) | uint(ui->LTECC->value() & 255);
    source.va0 = u16(va0);
    source.va1 = u16(va1);
    source.va2 = u16(va2);
    source.va3 = u16(va3);
    source.rate = u8(edited(ui->rate, source.rate));
    source.rpt = u8(edited(ui->repeat, source.rpt));
    source.enc = u8(edited(ui->encid, source.enc));
    // The project's own list: a message added meanwhile (remote control)
    // must survive this store.
    source.messages = project->tmc(n).messages;
    project->setTmc(n, source);
}

int TabTMC::edited(const QSpinBox *box, int stored)
{
    // A box shows a stored value beyond its range as its nearest end.
    return box->value() == qBound(box->minimum(), stored, box->maximum()) ? stored : box->value();
}

void TabTMC::varxChanged()
{
    const int n = currentItemSource();
    if (busy || !project || n < 1)
        return;
    source.va0 = u16(hexField(ui->var0) & 0x3FFF);
    source.va1 = u16((hexField(ui->var1) & 0x3FFF) | 0x4000);
    source.va2 = u16((hexField(ui->var2) & 0x3FFF) | 0x8000);
    source.va3 = u16(hexField(ui->var3) | 0xC000);
    ui->var0->setText(hex4(source.va0));
    ui->var1->setText(hex4(source.va1));
    ui->var2->setText(hex4(source.va2));
    ui->var3->setText(hex4(source.va3));
    source.messages = project->tmc(n).messages;
    project->setTmc(n, source);
}

void TabTMC::encChanged()
{
    if (busy)
        return;
    busy = true;
    const int enc = ui->encid->value();
    if (enc < TMCSource::keyCount)
        showServiceKey(source.skt[size_t(enc)]);
    busy = false;
    slotChanged();
}

void TabTMC::keyChanged()
{
    const int n = currentItemSource();
    if (busy || !project || n < 1)
        return;
    const int enc = ui->encid->value();
    const u16 word = u16(((ui->rotate->value() << 12 | ui->shift->value() << 8) & 0xFFFF) + ui->xor->value());
    if (enc >= TMCSource::keyCount)
        return;
    source.skt[size_t(enc)] = word;
    project->setTmcKey(n, u8(enc), word);
}

void TabTMC::showServiceKey(u16 word)
{
    const bool was = busy;
    busy = true;
    ui->rotate->setValue(word >> 12);
    ui->shift->setValue((word >> 8) & 15);
    ui->xor->setValue(word & 255);
    busy = was;
}

void TabTMC::saveECC(const ECC &country)
{
    busy = true;
    // The spin box shows lower-case digits, the country table upper case.
    const QString ltcc = ui->LTCC->text().left(1);
    const QString digits = QString::fromLatin1(country.ci);
    if (!digits.isEmpty() && !digits.contains(ltcc, Qt::CaseInsensitive))
        ui->LTCC->setValue(digits.left(1).toInt(nullptr, 16));
    ui->LTECC->setValue(country.ecc);
    busy = false;
    slotChanged();
}

// ---- Messages

void TabTMC::rowChanged(const QModelIndex &index)
{
    msgModel()->setCurrent(index.row());
    showMessage();
}

void TabTMC::setMessage(int row, const TMCMessage &message)
{
    if (project && current > 0)
        project->setTmcMessage(current, row, message);
    // A code dropped on another row edits that row: it becomes the current
    // message, so that the editor's next edit goes where it shows.
    if (row != msgModel()->currentRow() && row >= 0 && row < msgModel()->rowCount())
        ui->messages->setCurrentIndex(msgModel()->index(row, 1));
    showMessage();
}

void TabTMC::showMessage()
{
    TMCLblModel *labels = lblModel();
    const int row = msgModel()->currentRow();
    if (row < 0) {
        ui->gEdit->setEnabled(false);
        ui->text1->clear();
        ui->text2->clear();
        labels->setLabels({}, 0);
    } else {
        const TMCMessage m = msgModel()->get(row);
        ui->gEdit->setEnabled(true);
        QString event = tmcEventText(m.event);
        if (m.labels.isEmpty() && m.duration != 0) {
            const QString duration = tmcDurationText(m.event, m.duration);
            if (!duration.isEmpty())
                event += QLatin1Char('\n') + duration;
        }
        ui->text1->setPlainText(event);
        ui->text2->setPlainText(tmcLocationText(m.location));
        labels->setLabels(m.labels, m.event);
        const bool was = busy;
        busy = true;
        ui->duration->setValue(m.duration);
        ui->diversion->setChecked(m.flags & 0x10);
        ui->direction->setChecked(m.flags & 0x08);
        ui->extent->setValue(m.flags & 0x07);
        busy = was;
    }
    enableDurationFields();
}

void TabTMC::enableDurationFields()
{
    // With labels the duration is given by label 0 and the diversion bit
    // carries the label flag.
    const bool plain = lblModel()->rowCount() == 0;
    ui->duration->setEnabled(plain);
    ui->diversion->setEnabled(plain);
}

void TabTMC::dataChanged()
{
    if (busy)
        return;
    const int row = msgModel()->currentRow();
    if (row < 0)
        return;
    TMCMessage m = msgModel()->get(row);
    m.duration = u8(ui->duration->value());
    m.flags = u8((ui->extent->value() & 7) | (ui->direction->isChecked() ? 0x08 : 0) |
                 (ui->diversion->isChecked() ? 0x10 : 0));
    msgModel()->setDurationFlags(row, m.duration, m.flags);
    if (project && current > 0)
        project->setTmcMessage(current, row, m);
    showMessage();
}

void TabTMC::takeStoredMessages()
{
    source.messages = project->tmc(current).messages;
    msgModel()->setSource(source);
    showMessage();
}

void TabTMC::addMessage()
{
    if (!project || current < 1)
        return;
    // Appended to the project's list as it stands, which may already hold
    // a message the table has not heard of yet.
    takeStoredMessages();
    const TMCMessage message;
    const int row = msgModel()->add(message) - 1;
    project->setTmcMessage(current, row, message);
}

void TabTMC::delMessage()
{
    if (!project || current < 1)
        return;
    QList<int> rows = selectedRows(ui->messages->selectionModel()->selectedIndexes());
    if (rows.isEmpty())
        return;
    if (rows.size() > 1 && !askDelete(tr("Meldungen löschen?"), tr("%1 Meldungen löschen?").arg(rows.size())))
        return;
    // The renumbering below rewrites the whole list: it must start from the
    // project's list, or a message another writer added meanwhile is lost.
    takeStoredMessages();
    rows = selectedRows(ui->messages->selectionModel()->selectedIndexes());
    if (rows.isEmpty())
        return;
    msgModel()->remove(rows);
    // Renumbering: the remaining messages first, then the tail goes.
    const int count = msgModel()->rowCount();
    for (int i = 0; i < count; ++i)
        project->setTmcMessage(current, i, msgModel()->get(i));
    project->removeTmcMessage(current, count);
    showMessage();
}

// ---- Labels of the current message

void TabTMC::addInfo(u32 word)
{
    if (msgModel()->currentRow() < 0)
        return;
    lblModel()->add(word);
    enableDurationFields();
    infoChanged();
}

void TabTMC::delInfo()
{
    const QList<int> rows = selectedRows(ui->labels->selectionModel()->selectedIndexes());
    if (rows.isEmpty())
        return;
    if (rows.size() > 1 && !askDelete(tr("Labels löschen?"), tr("%1 Labels löschen?").arg(rows.size())))
        return;
    lblModel()->remove(rows);
    enableDurationFields();
}

void TabTMC::infoChanged()
{
    const int row = msgModel()->currentRow();
    if (row < 0)
        return;
    msgModel()->setLabels(row, lblModel()->labels());
    if (project && current > 0)
        project->setTmcMessage(current, row, msgModel()->get(row));
    showMessage();
}
