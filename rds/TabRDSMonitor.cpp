// TabRDS: the monitor of the groups the channels send, its statistics, the
// decoded panel and the log files.
#include "TabRDS.h"

#include "AFCodes.h"
#include "AFTableSend.h"
#include "FMSettings.h"
#include "RDSCharset.h"
#include "RDSCoding.h"
#include "RDSDecoder.h"
#include "RDSLogFiles.h"
#include "RDSLogRecord.h"
#include "RDSTexts.h"

#include "ui_TabRDS0.h"
#include "ui_TabRDSRT.h"
#include "ui_TabRDSUI.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QFileDialog>
#include <QSaveFile>
#include <QTextCodec>
#include <QToolTip>

#include <cmath>

namespace {

constexpr int maxChannel = 96;
constexpr int previewBytes = 7776;
constexpr int previewLineRest = 666;

// The shares kept for combined titles: 0A, 0B, 2A, 2B.
int shareSlot(int code)
{
    switch (code) {
    case 0: return 0;
    case 1: return 1;
    case 4: return 2;
    case 5: return 3;
    default: return -1;
    }
}

QString htmlText(const QString &text)
{
    return text.toHtmlEscaped().replace(QLatin1Char(' '), QStringLiteral("&nbsp;"));
}

} // namespace

int TabRDS::shownChannel() const
{
    return qMax(0, ui->stat->currentIndex());
}

int TabRDS::lineOptions() const
{
    int o = 0;
    const std::pair<QCheckBox *, int> boxes[] = {
        {ui->sTime, RDSDecoder::LineTime}, {ui->sRaw, RDSDecoder::LineRaw},
        {ui->sGroup, RDSDecoder::LineGroup}, {ui->sPTY, RDSDecoder::LinePty},
        {ui->sTP, RDSDecoder::LineTpTa}, {ui->sDI, RDSDecoder::LineInterpret},
        {ui->sCRC, RDSDecoder::LineCrc}};
    for (const auto &b : boxes)
        if (b.first->isChecked())
            o |= b.second;
    return o;
}

void TabRDS::logRdsGroup(int channel, const QByteArray &value)
{
    if (channel < 1 || channel > maxChannel)
        return;
    const bool shown = channel == shownChannel();
    if (value.startsWith('#')) {
        if (shown)
            ui->pLog->appendPlainText(QString::fromUtf8(value));
        return;
    }
    if (value.size() != RDSLogRecord::size || !decoder->decode(channel, value) || !shown)
        return;
    const RDSDecoder::Stats last = decoder->lastGroup(channel);
    // Another programme on the channel (a new source, a log file, an edited
    // PI): nothing of the old one may stay beside it.
    if (receiver.isNewProgramme(last.block, last.errors))
        resetDecodedPanel();
    if (receiver.take(last.block, last.errors))
        showDecoded();
    const QModelIndexList picked = ui->pTable->selectionModel()->selectedIndexes();
    if (!picked.isEmpty()) {
        const int code = last.block[1] >> 11;
        bool wanted = false;
        for (const QModelIndex &row : picked)
            wanted = wanted || decoder->groupAt(row.row()) == code;
        if (!wanted)
            return;
    }
    ui->pLog->appendPlainText(RDSDecoder::monitorLine(value, lineOptions()));
}

QTextCodec *TabRDS::sourceCodec(QByteArray RDSSource::*name) const
{
    // A codec named by the shown channel's source; UTF-8 without one.
    const int channel = shownChannel();
    if (!project || channel <= 0)
        return QTextCodec::codecForName("UTF-8");
    return codecOrUtf8(QString::fromLatin1(project->rds(project->channelInfo(channel).idrds).*name));
}

QTextCodec *TabRDS::ertDecodeCodec() const
{
    // The codec the shown channel's source encodes eRT with, unless the 3A
    // announcement says otherwise: its bit 0 is UTF-8, clear UCS-2.
    QTextCodec *codec = sourceCodec(&RDSSource::enc);
    if (receiver.ertBits < 0)
        return codec;
    const bool utf8 = codec->mibEnum() == 106;
    if (receiver.ertBits & 1)
        return utf8 ? codec : QTextCodec::codecForName("UTF-8");
    return utf8 ? QTextCodec::codecForName("UTF-16LE") : codec;
}

QString TabRDS::ertText() const
{
    // Up to the first NUL character: a UTF-16 text holds zero bytes within.
    QString text = ertDecodeCodec()->toUnicode(receiver.ert);
    const int end = text.indexOf(QChar(0));
    if (end >= 0)
        text.truncate(end);
    return text;
}

QString TabRDS::lpsText() const
{
    // Encoded with the long-PS codec of the channel's source (UTF-8 when it
    // names none), ended by a NUL or the end character 0x0D.
    QString text = sourceCodec(&RDSSource::clps)->toUnicode(receiver.lps);
    for (QChar end : {QChar(0), QChar(0x0D)}) {
        const int at = text.indexOf(end);
        if (at >= 0)
            text.truncate(at);
    }
    return text;
}

QString TabRDS::decodedText(const QByteArray &bytes, bool e1) const
{
    const int index = ui->cbDecode->currentIndex();
    if (e1 && index <= 0) {
        QString s;
        s.reserve(bytes.size());
        for (char c : bytes)
            s += rdsCharToUnicode(u8(c));
        return s;
    }
    QTextCodec *codec = index > 0 ? codecOrUtf8(ui->cbDecode->currentText()) : QTextCodec::codecForName("UTF-8");
    QByteArray b = bytes;
    const int end = b.indexOf('\0');
    if (end >= 0)
        b.truncate(end);
    return codec->toUnicode(b);
}

void TabRDS::showDecoded()
{
    const RDSReceiver &r = receiver;
    if (r.pi >= 0)
        ui->lPI->setText(QStringLiteral("%1").arg(r.pi, 4, 16, QLatin1Char('0')).toUpper());
    if (r.pty >= 0)
        ui->lPTY->setText(ui0->PTY->itemText(r.pty));
    for (QCheckBox *box : {ui->cbTP, ui->cbTA}) {
        const bool on = box == ui->cbTP ? r.tp : r.ta;
        if (box->isChecked() != on)
            box->setChecked(on);
        if (box == ui->cbTP || r.seenTA)
            box->setPalette(defaultPalette);
    }
    QString db;
    for (int d = 3; d >= 0; --d)
        db += !(r.diSeen & (1 << d)) ? QLatin1Char('-') : (r.di & (1 << d) ? QLatin1Char('1') : QLatin1Char('0'));
    ui->lDB->setText(QStringLiteral("DI %1 %2").arg(db, r.music ? QStringLiteral("M") : QStringLiteral("S")));
    ui->lPS->setText(decodedText(r.ps, true));
    ui->lPTYN->setText(decodedText(r.ptyn, true));
    ui->lLPS->setText(lpsText());
    ui->lAF->setText(afListText());
    setDecodeCodec(ertDecodeCodec());
    const QString coloured = showRtText();
    if (tRtHtml != coloured) {
        tRtHtml = coloured;
        ui->tRT->setHtml(coloured);
    }
}

QString TabRDS::afListText() const
{
    // Method B: the list of the channel's own frequency once it was received.
    RDSReceiver::AFList list = receiver.afList;
    const int channel = shownChannel();
    if (list.methodB && project && channel > 0) {
        const u16 own = freqToAF(int(std::lround(project->channelInfo(channel).freq * 10.0)));
        list = receiver.methodBLists.value(own, list);
    }
    if (list.count < 0)
        return QString();
    const auto text = [](int code) { return AFTableSend::codeText(u8(code & 0xFF), code & 0x100); };
    QStringList af;
    for (int i = 0; i < list.codes.size(); ++i) {
        const QString f = text(list.codes.at(i));
        // Regional variants on the highlight, as in the AF tab's tables.
        af << (list.regional.value(i) ? QStringLiteral("<span style=\"background-color:%1\">%2</span>")
                                            .arg(groupHighlightColour().name(), f)
                                      : f);
    }
    const QString head = list.methodB ? QStringLiteral("AF #%1 B %2:").arg(list.count).arg(text(list.tuning))
                                      : QStringLiteral("AF #%1:").arg(list.count);
    return QStringLiteral("<b>%1</b> %2").arg(head, af.join(QLatin1Char(' ')));
}

QString TabRDS::showRtText() const
{
    const int mode = displayMode & 7;
    const bool variant = displayMode & 8;
    if (mode == 4) {
        QStringList lines;
        const QStringList names = rtPlusContentTypes();
        const QString text = receiver.rtPlusOnERT ? ertText() : decodedText(receiver.rt, true);
        for (const RDSReceiver::RTPlusItem &item : receiver.rtPlus)
            lines << QStringLiteral("%1: %2").arg(htmlText(names.value(item.type)),
                                                  htmlText(text.mid(item.start, item.length)));
        return lines.join(QStringLiteral("<br>"));
    }
    const QByteArray &bytes = mode == 2 ? receiver.ert : receiver.rt;
    if (variant)
        return hexWithSeparator(bytes, QLatin1Char(' '));
    return rtToHtml(mode == 2 ? ertText() : decodedText(bytes, true),
                    mode == 2 ? receiver.rtPlusOnERT : !receiver.rtPlusOnERT);
}

QString TabRDS::rtToHtml(const QString &text, bool withItems) const
{
    // The RadioText up to its end character; RT+ items on a highlight.
    QString t = text;
    const int end = t.indexOf(QChar(0x0D));
    if (end >= 0)
        t.truncate(end);
    QVector<bool> marked(t.size(), false);
    if (withItems)
        for (const RDSReceiver::RTPlusItem &item : receiver.rtPlus)
            for (int i = item.start; i < item.start + item.length && i < t.size(); ++i)
                marked[i] = true;
    QString html;
    bool open = false;
    for (int i = 0; i < t.size(); ++i) {
        if (marked[i] != open) {
            html += marked[i] ? QStringLiteral("<span style=\"background-color:%1\">").arg(groupHighlightColour().name())
                              : QStringLiteral("</span>");
            open = marked[i];
        }
        html += htmlText(QString(t.at(i)));
    }
    if (open)
        html += QStringLiteral("</span>");
    return html;
}

void TabRDS::setDecodeCodec(QTextCodec *codec)
{
    if (!codec || codec == decodeCodec)
        return;
    decodeCodec = codec;
    qDebug() << "dec: " << codec->name();
    ui->tRT->setToolTip(QString::fromLatin1(codec->name()));
}

void TabRDS::setLog(int channel)
{
    clearRateTitles();
    if (channel > 0)
        ui->pLog->appendPlainText(QStringLiteral("# Kanal %1").arg(channel)); // a log-file line, never translated
    ui->Brestart->setEnabled(channel > 0);
    resetDecodedPanel();
    if (!project)
        return;
    const int source = channel > 0 ? project->channelInfo(channel).idrds : 0;
    const RDSSource rec = project->rds(source);
    qDebug("log: channel %d source %d %s", channel, source, qPrintable(rec.name));
    if (!decodeCodec)
        setDecodeCodec(QTextCodec::codecForName(rec.enc));
}

void TabRDS::resetDecodedPanel()
{
    for (QLabel *l : {ui->lPI, ui->lDB, ui->lPS, ui->lLPS, ui->lAF, ui->lPTY, ui->lPTYN})
        l->clear();
    for (QCheckBox *box : {ui->cbTP, ui->cbTA}) {
        QPalette p = defaultPalette;
        p.setColor(QPalette::Button, Qt::yellow);
        p.setColor(QPalette::Base, Qt::yellow);
        box->setPalette(p);
        box->setChecked(false);
    }
    ui->BRT->setText(QStringLiteral("RT"));
    ui->BRTp->setText(QStringLiteral("RT+"));
    ui->BeRT->setText(QStringLiteral("eRT"));
    ui->tRT->clear();
    tRtHtml.clear();
    receiver.reset();
    if (!project)
        return;
    // The RadioText codec of the channel's present source.
    const int channel = shownChannel();
    const RDSSource rec = project->rds(channel > 0 ? project->channelInfo(channel).idrds : 0);
    ui->cbDecode->setCurrentIndex(qMax(0, ui->cbDecode->findText(QString::fromLatin1(rec.crt))));
}

void TabRDS::restartStat()
{
    ui->pLog->clear();
    clearRateTitles();
    setLog(ui->stat->currentIndex());
    decoder->resetSource(shownChannel());
}

void TabRDS::timeout()
{
    QDateTime now = QDateTime::currentDateTimeUtc().addSecs(qint64(ui0->mins->value()) * 60);
    // "heute" (the date box's special value) keeps today's date.
    if (ui0->setdate->isChecked() && ui0->date->date() != ui0->date->minimumDate())
        now.setDate(ui0->date->date());
    const int zone = int(ui0->zone->value());
    ui0->utc->setText(now.toString(QStringLiteral("yyyy-MM-dd hh:mm (ss)")) +
                      QStringLiteral(" %1%2h/2").arg(zone >= 0 ? QStringLiteral("+") : QString()).arg(zone));
    fillStatTable();
}

void TabRDS::fillStatTable()
{
    const RDSDecoder::Stats s = decoder->lastGroup(shownChannel());
    const qint64 total = s.count.value(RDSDecoder::totalKey);
    for (double &share : shares)
        share = 0;
    for (auto it = s.count.cbegin(); it != s.count.cend(); ++it)
        if (it.key() != RDSDecoder::totalKey)
            rateTitleSuffix(it.key(), double(it.value()) / double(total + 1));
    if (!s.count.contains(31))
        setTitle(ui0->gBasic, ui0->gBasic->title());
}

QList<QGroupBox *> TabRDS::rateBoxes() const
{
    return {ui0->group00, ui0->group01, uiRT->gRT, ui0->group03, ui0->group04, ui0->group08, ui0->group10,
            ui0->group14, ui0->group15, ui0->gBasic, uiRT->gRTplus, uiRT->eRT};
}

void TabRDS::setTitle(QGroupBox *box, const QString &title, const QString &suffix)
{
    const int open = title.indexOf(QLatin1Char('('));
    QString base = open > 0 ? title.left(open - 1) : title;
    const QString text = base + suffix;
    if (box->title() != text)
        box->setTitle(text);
}

void TabRDS::clearRateTitles()
{
    for (QGroupBox *box : rateBoxes())
        setTitle(box, box->title());
}

void TabRDS::rateTitleSuffix(int code, double share)
{
    const double rate = share * RDSDecoder::groupsPerMinute;
    QGroupBox *box = nullptr;
    switch (code) {
    case 0: case 1: box = ui0->group00; break;
    case 2: box = ui0->group01; break;
    case 4: case 5: box = uiRT->gRT; break;
    case 6: box = ui0->group03; break;
    case 8: box = ui0->group04; break;
    case 16: box = ui0->group08; break;
    case 20: box = ui0->group10; break;
    case 28: box = ui0->group14; break;
    case 30: box = ui0->group15; break;
    case 31: box = ui0->gBasic; break;
    default:
        if (code == 2 * uiRT->pRTgroup->currentText().remove(QLatin1Char('A')).toInt())
            box = uiRT->gRTplus;
        else if (code == 2 * uiRT->eRTgroup->currentText().remove(QLatin1Char('A')).toInt())
            box = uiRT->eRT;
        break;
    }
    if (!box)
        return;
    const int slot = shareSlot(code);
    if (slot >= 0)
        shares[slot] = share;
    QString title = box->title();
    if (code == 2)
        title.replace(QLatin1String("Extended Country Code"), QLatin1String("ECC"));
    QString suffix;
    const int pair = slot >= 0 ? (slot & ~1) : -1;
    if (pair >= 0 && shares[pair] != 0 && shares[pair + 1] != 0) {
        suffix = QStringLiteral(" (A %1/min + B %2/min = ~%3%)")
                     .arg(qRound(shares[pair] * RDSDecoder::groupsPerMinute))
                     .arg(qRound(shares[pair + 1] * RDSDecoder::groupsPerMinute))
                     .arg((shares[pair] + shares[pair + 1]) * 100.0, 0, 'f', 1);
    } else if (code == 2 || code == 8) {
        suffix = QStringLiteral(" (%1/min)").arg(qRound(rate));
    } else {
        suffix = QStringLiteral(" (%1/min ~%2%)").arg(qRound(rate)).arg(share * 100.0, 0, 'f', 1);
    }
    setTitle(box, title, suffix);
}

void TabRDS::setDec()
{
    const int chosen = ui->BRT->isChecked() ? 1 : ui->BeRT->isChecked() ? 2 : 4;
    if ((displayMode & 7) == chosen && chosen != 4) {
        displayMode = chosen | 8 * !(displayMode & 8);
    } else {
        displayMode = chosen;
        ui->tRT->clear();
    }
    tRtHtml = showRtText();
    ui->tRT->setHtml(tRtHtml);
    ui->tRT->setToolTip(chosen == 1   ? tr("normal RadioText")
                        : chosen == 2 ? tr("enhanced RadioText ") +
                                            (decodeCodec ? QString::fromLatin1(decodeCodec->name()) : QString())
                                      : tr("RadioText+ Tags"));
}

void TabRDS::showLog(const QModelIndex &currentRow)
{
    const QString path = logFiles->fileAt(currentRow.row());
    ui->LogView->clear();
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    QByteArray text = file.read(previewBytes);
    if (!text.endsWith('\n') && !file.atEnd())
        text += file.readLine(previewLineRest + 1);
    if (!file.atEnd())
        text += "...";
    ui->LogView->setPlainText(QString::fromUtf8(text));
}

bool TabRDS::writeLogText(const QString &path, const QString &text, QString *error)
{
    // Written beside the target and renamed over it: a failed write leaves
    // the old file as it was.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) == text.toUtf8().size() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

void TabRDS::saveLog()
{
    const QString path =
        QFileDialog::getSaveFileName(this, tr("RDS-Log speichern..."), QString(), tr("RDS-Log (*.txt);;Alle Dateien (*)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!writeLogText(path, ui->pLog->toPlainText(), &error))
        QToolTip::showText(ui->saveLog->mapToGlobal(QPoint(0, 0)),
                           tr("RDS-Log nicht gespeichert: %1").arg(error), ui->saveLog);
}
