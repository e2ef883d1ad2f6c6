// TabRDS: the RadioText preview of the RadioText tab.
#include "TabRDS.h"

#include "FMSettings.h"
#include "RDSCharset.h"
#include "RDSTexts.h"
#include "RadioTextExpander.h"

#include "ui_TabRDSRT.h"

QString TabRDS::replaceTags(const QString &text, const QStringList &tagTexts)
{
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const int n = text.at(i) == QLatin1Char('$') && i + 1 < text.size()
                          ? RadioTextExpander::placeholderDigit(text.at(i + 1))
                          : -1;
        if (n >= 0 && n < tagTexts.size()) {
            out += tagTexts.at(n);
            ++i;
        } else {
            out += text.at(i);
        }
    }
    return out;
}

void TabRDS::showText()
{
    if (loading)
        return;
    Ui_TabRDSRT &f = *uiRT;
    QStringList tagTexts;
    for (int row = 0; row < f.tags->rowCount(); ++row)
        if (QTableWidgetItem *item = f.tags->item(row, 1))
            tagTexts << item->text();
        else
            tagTexts << QString();
    QString texts[4] = {f.RTA->text(), f.RTB->text(), f.RTC->text(), f.RTD->text()};
    for (QString &t : texts)
        t = replaceTags(t, tagTexts);
    const RDSSource rec = project && current > 0 ? project->rds(current) : RDSSource();
    QByteArray bytes[4];
    bool ok[4] = {true, true, true, true};
    for (int i = 0; i < 4; ++i) {
        const bool rt = i < 2;
        if (rt && f.RTcode->currentIndex() == 0) {
            QString rds = texts[i];
            convertRdsCharset(rds, true);
            bytes[i] = rds.toLatin1();
            if (!f.hexrt->isChecked()) {
                convertRdsCharset(texts[i], false);
            }
        } else {
            QString t = texts[i];
            rdsUnescape(t, rt ? 2 : 4);
            bytes[i] = encodeText(rt ? rtCodec : ertCodec, t, &ok[i],
                                  rt ? f.RTBOM->isChecked() : f.eRTBOM->isChecked());
        }
    }
    QSpinBox *const counts[4] = {f.CtextA, f.CtextB, f.CtextC, f.CtextD};
    QPlainTextEdit *const views[4] = {f.plainA, f.plainB, f.plainC, f.plainD};
    const int rtLimit = f.RTgroup->currentIndex() == 1 ? 32 : 64;
    const u8 ends[4] = {rec.enda, rec.endb, rec.endc, rec.endd};
    for (int i = 0; i < 4; ++i) {
        const int limit = i < 2 ? rtLimit : 128;
        counts[i]->setValue(qMin(bytes[i].size(), counts[i]->maximum()));
        markField(counts[i], bytes[i].size() > limit);
        markField(views[i], !ok[i]);
        if ((rec.endx >> i) & 1 && bytes[i].size() < limit)
            bytes[i].append(char(ends[i]));
        while (bytes[i].size() % 4 && bytes[i].size() < limit)
            bytes[i].append(char(ends[i]));
        const bool hex = i < 2 ? f.hexrt->isChecked() : f.hexer->isChecked();
        const QString shownText = hex ? hexWithSeparator(bytes[i], QChar(0x2009)) : texts[i];
        if (views[i]->toPlainText() != shownText)
            views[i]->setPlainText(shownText);
    }
}
