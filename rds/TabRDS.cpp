#include "TabRDS.h"

#include "AFTableAuto.h"
#include "AFTableSend.h"
#include "ECCSearch.h"
#include "EONEdit.h"
#include "EONModel.h"
#include "GroupTitleStyle.h"
#include "ODAEdit.h"
#include "ODAModel.h"
#include "RDSCharset.h"
#include "RDSDecoder.h"
#include "RDSLogFiles.h"
#include "RDSTexts.h"
#include "SetHandler.h"

#include "ui_TabRDS0.h"
#include "ui_TabRDS2.h"
#include "ui_TabRDSAF.h"
#include "ui_TabRDSRT.h"
#include "ui_TabRDSUI.h"

#include <QButtonGroup>
#include <QDebug>
#include <QHeaderView>
#include <QStyle>
#include <QTableView>
#include <QTextCodec>
#include <QTimer>

#include <algorithm>

namespace {

// The codec names of the platform, "UTF-8" first, then the other names
// beginning with "UTF", then the rest, each part sorted by name.
QStringList codecNames()
{
    QStringList names;
    for (const QByteArray &name : QTextCodec::availableCodecs())
        names << QString::fromLatin1(name);
    std::stable_sort(names.begin(), names.end());
    names.removeDuplicates();
    QStringList utf, other;
    for (const QString &name : qAsConst(names)) {
        if (name == QLatin1String("UTF-8"))
            continue;
        (name.startsWith(QLatin1String("UTF")) ? utf : other) << name;
    }
    QStringList out;
    if (names.contains(QLatin1String("UTF-8")))
        out << QStringLiteral("UTF-8");
    return out + utf + other;
}

} // namespace

TabRDS::TabRDS(QWidget *parent) : QWidget(parent)
{
    installEventFilter(new SetHandler(this));
    buildForms();
    fillControls();
    installModels();
    initMembers();
    removeOdaPage();
    startTimer();
    connectFrame();
    connectBasic();
    connectRadioText();
    connectAF();
    connectODA();
    setupRds2();
    setupRates();
}

TabRDS::~TabRDS()
{
    // The controls go after the forms and the members: a control that loses
    // the focus or its current item on the way must not reach the page.
    clock->stop();
    for (QObject *child : findChildren<QObject *>())
        disconnect(child, nullptr, this, nullptr);
    qDebug("~rds source view");
}

QByteArray TabRDS::encodeText(QTextCodec *codec, const QString &text, bool *ok, bool bom)
{
    if (!codec) {
        if (ok)
            *ok = false;
        return {};
    }
    return encodeRdsText(text, ok, bom, codec);
}

void TabRDS::buildForms()
{
    ui.reset(new Ui_TabRDSUI);
    uiRT.reset(new Ui_TabRDSRT);
    uiAF.reset(new Ui_TabRDSAF);
    ui2.reset(new Ui_TabRDS2);
    ui0.reset(new Ui_TabRDS0);
    ui->setupUi(this);
    uiRT->setupUi(ui->tabRT);
    uiAF->setupUi(ui->tabAF);
    ui2->setupUi(ui->tabODA);
    ui0->setupUi(ui->tab0);
    // The left columns of the basic settings (PS, texts, the EON table) take
    // the width the right column (1A, 3A, TA bursts) does not need.
    ui0->gridLayout->setColumnStretch(0, 1);
    ui0->gridLayout->setColumnStretch(1, 1);
    // Titles with a measured rate are drawn whole. The style goes with the
    // page, after the boxes, which are older children.
    auto *titles = new GroupTitleStyle;
    titles->setParent(this);
    for (QGroupBox *box : rateBoxes())
        box->setStyle(titles);
}

void TabRDS::fillControls()
{
    ui0->PTY->addItems(ptyNames());
    uiRT->eRTcode->addItems(codecNames());
    uiRT->tags->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

void TabRDS::installModels()
{
    decoder = new RDSDecoder(this);
    ui->pTable->setModel(decoder);
    ui->pTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    fitHeader(ui->pTable);
    fitHeader(ui->sources);
    logFiles = new RDSLogFiles(this);
    ui->Log->setModel(logFiles);
    // The AF tables share their width among their columns: frequencies of
    // 100 MHz and more are read whole.
    afAuto = new AFTableAuto(this);
    uiAF->AFatab->setModel(afAuto);
    uiAF->AFatab->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    afSend = new AFTableSend(this);
    uiAF->AFsend->setModel(afSend);
    uiAF->AFsend->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    eonModel = new EONModel(this);
    ui0->EON->setModel(eonModel);
    ui0->EON->setItemDelegate(new EONEdit(this));
    // The short columns as wide as their contents, the programme type as
    // wide as the longest word of its names, the AF list the rest: it stays
    // in sight. Longer texts wrap onto further lines of their row.
    QTableView *eon = ui0->EON;
    QHeaderView *eonHeader = eon->horizontalHeader();
    eon->setWordWrap(true);
    eon->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    eonHeader->setSectionResizeMode(QHeaderView::ResizeToContents);
    int ptyWidth = eonHeader->sectionSizeHint(EONModel::PTY);
    const int margins = 2 * (eon->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, eon) + 1) + 4;
    for (const QString &name : ptyNames())
        for (const QString &word : name.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            ptyWidth = qMax(ptyWidth, eon->fontMetrics().horizontalAdvance(word) + margins);
    eonHeader->setSectionResizeMode(EONModel::PTY, QHeaderView::Fixed);
    eonHeader->resizeSection(EONModel::PTY, ptyWidth);
    eonHeader->setMinimumSectionSize(
        qMin(eonHeader->minimumSectionSize(),
             eon->fontMetrics().horizontalAdvance(QStringLiteral("107.9")) + margins));
    eonHeader->setStretchLastSection(false);
    eonHeader->setSectionResizeMode(EONModel::AF, QHeaderView::Stretch);
    odaModel = new ODAModel(this);
    ui2->ODA->setModel(odaModel);
    ui2->ODA->setItemDelegate(new ODAEdit(this));
    ui2->ODA->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    eccSearch = new ECCSearch(this);
}

void TabRDS::fitHeader(QTableView *view)
{
    // At least as wide as the texts of its column headers.
    int width = 2 * view->frameWidth() + view->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    if (view->verticalHeader()->isVisible())
        width += view->verticalHeader()->sizeHint().width();
    QHeaderView *header = view->horizontalHeader();
    for (int i = 0; i < header->count(); ++i)
        width += header->sectionSizeHint(i);
    view->setMinimumWidth(qMax(view->minimumWidth(), width));
}

void TabRDS::initMembers()
{
    QAbstractButton *const all[RDSGroupRate::count] = {
        ui2->A0, ui2->A1, ui2->A2,  ui2->A3,  ui2->A4,  ui2->A5,  ui2->A6,  ui2->A7,
        ui2->A8, ui2->A9, ui2->A10, ui2->A11, ui2->A12, ui2->A13, ui2->A14, ui2->A15,
        ui2->B0, ui2->B1, ui2->B2,  ui2->B3,  ui2->B4,  ui2->B5,  ui2->B6,  ui2->B7,
        ui2->B8, ui2->B9, ui2->B10, ui2->B11, ui2->B12, ui2->B13, ui2->B14, ui2->B15};
    std::copy(std::begin(all), std::end(all), buttons.begin());
    rtCodec = QTextCodec::codecForName("UTF-8");
    ertCodec = rtCodec;
    receiver.reset();
    // Monitor records carry no stream number (yet): the stream boxes are
    // without effect and say so.
    const QString noStream = tr("\nohne Wirkung: die Monitordaten tragen keine Streamnummer");
    for (QCheckBox *box : {ui->s0, ui->s1, ui->s2, ui->s3, ui->sNum})
        box->setToolTip(box->toolTip() + noStream);
    defaultPalette = ui2->A0->palette();
    highlight = ui->sources->palette().color(QPalette::Active, QPalette::Highlight).lighter(150);
    setGroupHighlightColour(highlight);
}

void TabRDS::removeOdaPage()
{
    ui->tabODA->setEnabled(false);
    ui->tabs->removeTab(3);
}

void TabRDS::startTimer()
{
    clock = new QTimer(this);
    connect(clock, &QTimer::timeout, this, &TabRDS::timeout);
    clock->start(1000);
}

void TabRDS::connectFrame()
{
    connect(ui->Badd, &QPushButton::clicked, this, &TabRDS::addSource);
    connect(ui->Bdel, &QPushButton::clicked, this, &TabRDS::delSource);
    connect(ui->BaddLog, &QPushButton::clicked, this, &TabRDS::addLog);
    connect(ui->BdelLog, &QPushButton::clicked, this, &TabRDS::delLog);
    connect(ui->BaddLog, &QPushButton::clicked, this, &TabRDS::slotChanged);
    connect(ui->BdelLog, &QPushButton::clicked, this, &TabRDS::slotChanged);
    connect(ui->Brestart, &QToolButton::clicked, this, &TabRDS::restartStat);
    connect(ui->sources, &QTableWidget::itemChanged, this, &TabRDS::nameChanged);
    connect(ui->sources, &QTableWidget::currentItemChanged, this, &TabRDS::itemChanged);
    connect(ui->gLog, &QGroupBox::toggled, this, &TabRDS::slotChanged);
    connect(ui->saveLog, &QPushButton::clicked, this, &TabRDS::saveLog);
    for (QPushButton *b : {ui->BRT, ui->BRTp, ui->BeRT})
        connect(b, &QPushButton::clicked, this, &TabRDS::setDec);
    connect(ui->stat, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &TabRDS::setLog);
    connect(ui->stat, QOverload<int>::of(&QComboBox::currentIndexChanged), decoder, &RDSDecoder::setLog);
    connect(ui->Log->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &TabRDS::showLog);
}

void TabRDS::connectBasic()
{
    Ui_TabRDS0 &f = *ui0;
    for (QLineEdit *e : {f.PS, f.LPS, f.PI, f.PTYN1, f.PTYN2})
        connect(e, &QLineEdit::editingFinished, this, &TabRDS::slotChanged);
    for (QSpinBox *s : std::initializer_list<QSpinBox *>{f.endL, f.rpty1, f.rpty2})
        connect(s, &QSpinBox::editingFinished, this, &TabRDS::slotChanged);
    connect(f.PI, &QLineEdit::editingFinished, this, &TabRDS::findCountry);
    for (QAbstractButton *b : std::initializer_list<QAbstractButton *>{
             f.TP, f.TA, f.d0, f.d1, f.d2, f.d3, f.psscroll, f.setdate, f.C_LA, f.LPSBOM, f.forceL, f.perGrp,
             f.fixGrp, f.fixPI, f.fixCRC})
        connect(b, &QAbstractButton::clicked, this, &TabRDS::slotChanged);
    connect(f.LPSBOM, &QCheckBox::clicked, this, &TabRDS::calcLPS);
    connect(f.forceL, &QCheckBox::clicked, this, &TabRDS::calcLPS);
    connect(f.Music, &QRadioButton::toggled, this, &TabRDS::slotChanged);
    connect(f.forceGAP, &QCheckBox::toggled, this, &TabRDS::slotChanged);
    connect(f.gError, &QGroupBox::toggled, this, &TabRDS::slotChanged);
    for (QComboBox *c : {f.PTY, f.tmcSI, f.LPScode, f.Error})
        connect(c, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &TabRDS::slotChanged);
    for (QSpinBox *s :
         std::initializer_list<QSpinBox *>{f.C_ECC, f.B_PAG, f.D_PIN, f.psrepeat, f.psrate, f.mins, f.BER,
                                           f.burstn1, f.burstn2, f.burstn3, f.burstn4})
        connect(s, QOverload<int>::of(&QSpinBox::valueChanged), this, &TabRDS::slotChanged);
    connect(f.C_ECC, QOverload<int>::of(&QSpinBox::valueChanged), this, &TabRDS::findCountry);
    for (QDoubleSpinBox *s : {f.zone, f.bursttime1, f.bursttime2, f.bursttime3, f.bursttime4})
        connect(s, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &TabRDS::slotChanged);
    connect(f.date, &QDateEdit::dateChanged, this, &TabRDS::slotChanged);
    connect(f.PS, &QLineEdit::textChanged, this, &TabRDS::calcPS);
    connect(f.LPS, &QLineEdit::textChanged, this, &TabRDS::calcLPS);
    connect(f.BaddEON, &QPushButton::clicked, this, &TabRDS::addEON);
    connect(f.BdelEON, &QPushButton::clicked, this, &TabRDS::delEON);
    connect(f.BECC, &QToolButton::clicked, eccSearch, &ECCSearch::showECC);
}

void TabRDS::connectRadioText()
{
    Ui_TabRDSRT &f = *uiRT;
    for (QGroupBox *g : {f.g3ert, f.g3rtp})
        connect(g, &QGroupBox::toggled, this, &TabRDS::slotChanged);
    for (QCheckBox *c : {f.eRTflag, f.eRTL})
        connect(c, &QCheckBox::toggled, this, &TabRDS::slotChanged);
    for (QCheckBox *c : {f.sendRT, f.sendRTe}) {
        connect(c, &QCheckBox::toggled, this, &TabRDS::slotChanged);
        connect(c, &QCheckBox::toggled, this, &TabRDS::rtxtChanged);
    }
    connect(f.gRTplus, &QGroupBox::toggled, this, &TabRDS::rtxtChanged);
    for (QCheckBox *c : {f.flagAB, f.RTBOM, f.eRTBOM, f.forceA, f.forceB, f.forceC, f.forceD, f.readID3,
                         f.itemTog, f.itemRun})
        connect(c, &QCheckBox::clicked, this, &TabRDS::slotChanged);
    for (QLineEdit *e : {f.RTA, f.RTB, f.RTC, f.RTD, f.eRTaid, f.eRTbits, f.pRTaid, f.pRTbits})
        connect(e, &QLineEdit::editingFinished, this, &TabRDS::slotChanged);
    for (QSpinBox *s :
         std::initializer_list<QSpinBox *>{f.rpA, f.rpB, f.rpC, f.rpD, f.endA, f.endB, f.endC, f.endD})
        connect(s, &QSpinBox::editingFinished, this, &TabRDS::slotChanged);
    for (QComboBox *c : {f.RTgroup, f.RTcode, f.eRTgroup, f.eRTcode, f.pRTgroup})
        connect(c, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &TabRDS::slotChanged);
    connect(f.tags, &QTableWidget::itemChanged, this, &TabRDS::slotChanged);
    connect(f.tags, &QTableWidget::itemChanged, this, &TabRDS::showText);
    for (QLineEdit *e : {f.RTA, f.RTB, f.RTC, f.RTD})
        connect(e, &QLineEdit::textChanged, this, &TabRDS::showText);
    for (QToolButton *b : {f.hexrt, f.hexer})
        connect(b, &QToolButton::toggled, this, &TabRDS::showText);
    connect(f.addTag, &QPushButton::clicked, this, &TabRDS::addTag);
    connect(f.delTag, &QPushButton::clicked, this, &TabRDS::delTag);
}

void TabRDS::connectAF()
{
    Ui_TabRDSAF &f = *uiAF;
    for (QAbstractButton *b :
         std::initializer_list<QAbstractButton *>{f.AFA, f.AFB, f.AFauto, f.AFman, f.BaddAF})
        connect(b, &QAbstractButton::clicked, this, &TabRDS::slotChanged);
    connect(f.AFused, &QGroupBox::clicked, this, &TabRDS::slotChanged);
    connect(f.BaddAF, &QPushButton::clicked, this, &TabRDS::addAF);
    connect(f.BaddList, &QPushButton::clicked, this, &TabRDS::addList);
    connect(f.BdelAF, &QPushButton::clicked, this, &TabRDS::delAF);
    connect(f.AFmtab, &QTableWidget::itemChanged, this, &TabRDS::freqChanged);
    connect(f.AFmtab, &QTableWidget::doubleClicked, this, &TabRDS::regionalManu);
    connect(f.AFatab, &QTableView::doubleClicked, this, &TabRDS::regionalAuto);
    connect(f.AFatab, &QTableView::activated, this, [this] { updateAFs(false); });
    connect(f.AFatab, &QTableView::clicked, this, [this] { updateAFs(false); });
    connect(f.AFbytes, &QCheckBox::clicked, this, &TabRDS::showBytes);
}

void TabRDS::connectODA()
{
    connect(ui2->BaddODA, &QPushButton::clicked, this, &TabRDS::addODA);
    connect(ui2->BdelODA, &QPushButton::clicked, this, &TabRDS::delODA);
    connect(eonModel, &EONModel::saveEON, this, &TabRDS::saveEON);
    connect(odaModel, &ODAModel::saveODA, this, &TabRDS::saveODA);
    connect(eccSearch, &ECCSearch::saveECC, this, &TabRDS::saveECC);
}

void TabRDS::setupRds2()
{
    Ui_TabRDS2 &f = *ui2;
    for (QCheckBox *c : {f.cbRun1, f.cbRun2, f.cbRun3, f.cbDup1, f.cbDup2, f.cbDup3})
        connect(c, &QCheckBox::clicked, this, &TabRDS::slotChanged);
    for (QSpinBox *s : {f.g0, f.g1, f.g2, f.g3})
        connect(s, QOverload<int>::of(&QSpinBox::valueChanged), this, &TabRDS::rds2Changed);
    for (QCheckBox *c : {f.on, f.f0, f.f1, f.f2, f.f3})
        connect(c, &QCheckBox::clicked, this, &TabRDS::rds2Changed);
    groupButtons = new QButtonGroup(this);
    groupButtons->setExclusive(true);
    for (int id = 0; id < RDSGroupRate::count; ++id)
        groupButtons->addButton(buttons[id], id);
    connect(groupButtons, &QButtonGroup::idClicked, this, &TabRDS::selectGroup);
}

void TabRDS::setupRates()
{
    for (QSpinBox *s : {ui0->rate0, ui0->rate1, ui0->rate3, ui0->rate8, ui0->rate10, ui0->rate14, ui0->rate15,
                        uiRT->rateRT, uiRT->rateRTe, uiRT->rateRTp}) {
        rateStart.insert(s, s->value());
        connect(s, QOverload<int>::of(&QSpinBox::valueChanged), this, &TabRDS::rateChanged);
    }
    // The 3A announcements switch group 3A on.
    for (QGroupBox *g : {ui0->group00, ui0->group01, ui0->group04, ui0->group08, ui0->group10, ui0->group14,
                         ui0->group15, uiRT->gRTplus, uiRT->g3ert, uiRT->g3rtp})
        connect(g, &QGroupBox::toggled, this, &TabRDS::rateChanged);
    for (QCheckBox *c : {uiRT->sendRT, uiRT->sendRTe, ui0->fill0, ui0->fill8, ui0->fill14, ui0->fill15,
                         uiRT->fill2, uiRT->fillERT})
        connect(c, &QCheckBox::toggled, this, &TabRDS::rateChanged);
    for (QComboBox *c : {uiRT->pRTgroup, uiRT->eRTgroup})
        connect(c, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &TabRDS::rateChanged);
}
