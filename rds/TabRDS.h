#pragma once

#include "ECC.h"
#include "Observer.h"
#include "RDSAFEntry.h"
#include "RDSGroupRate.h"
#include "RDSReceiver.h"
#include "RDSSource.h"

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QPalette>
#include <QSharedPointer>
#include <QWidget>

#include <array>
#include <memory>

class AFTableAuto;
class AFTableSend;
class ECCSearch;
class EONModel;
class FMSettings;
class ODAModel;
class QAbstractButton;
class QAbstractItemModel;
class QAbstractItemView;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QSpinBox;
class QModelIndex;
class QTableView;
class QTableWidgetItem;
class QTextCodec;
class QTimer;
class RDSDecoder;
class RDSLogFiles;
class SetValue;
class Ui_TabRDS0;
class Ui_TabRDS2;
class Ui_TabRDSAF;
class Ui_TabRDSRT;
class Ui_TabRDSUI;

// The RDS editor page of the main window: the list of RDS sources on the
// left, and on the right the tabs that edit the chosen source (basic
// settings, AF, RadioText), its log files and the monitor of the groups the
// channels send. The RDS2 and ODA tab is built and then taken out of the tab
// widget; its controls stay alive with the values of the source.
//
// The page is built from five forms, addressed by the object names of their
// controls. It can be built before any project exists; setSettings binds it
// to one. GUI thread only; key changes arrive as SetValue events through the
// page's SetHandler.
class TabRDS : public QWidget, public Observer
{
    Q_OBJECT

public:
    explicit TabRDS(QWidget *parent = nullptr);
    ~TabRDS() override;

    // Binding to the project and to the main window.
    void setSettings(const QSharedPointer<FMSettings> &settings);
    void setValueEvent(SetValue *event) override;
    void selectSource(int rdsSource, int tab);

    // Encodes text with the codec, with a byte-order mark when bom; *ok false
    // when the codec cannot encode every character or there is no codec
    // (then the result is empty).
    static QByteArray encodeText(QTextCodec *codec, const QString &text, bool *ok, bool bom);
    // Writes an RDS log text as UTF-8 to a temporary file beside path and
    // renames it over path; false (path untouched) with the reason in *error.
    static bool writeLogText(const QString &path, const QString &text, QString *error);
    // Replaces the RadioText placeholders "$0".."$F" (letters in either
    // case, as the encoder reads them) by the texts of the tags.
    static QString replaceTags(const QString &text, const QStringList &tagTexts);

private slots:
    // Source table.
    void addSource();
    void delSource();
    void nameChanged(QTableWidgetItem *item);
    void itemChanged(QTableWidgetItem *current);
    // Editing and storing.
    void slotChanged();
    void rtxtChanged();
    void saveECC(const ECC &country);
    void saveEON();
    void saveODA();
    void selectGroup(int id);
    void updateColor();
    void showText();
    void rds2Changed();
    void rateChanged();
    void findCountry();
    void calcPS();
    void calcLPS();
    void addTag();
    void delTag();
    void addEON();
    void delEON();
    void addODA();
    void delODA();
    void addLog();
    void delLog();
    // AF tab.
    void updateAFs(bool warn);
    void useVariant();
    void regionalAuto(const QModelIndex &index);
    void regionalManu(const QModelIndex &index);
    void showBytes(bool bytes);
    void addAF();
    void addList();
    void delAF();
    void freqChanged(QTableWidgetItem *item);
    // Monitor and statistics.
    void setLog(int channel);
    void restartStat();
    void timeout();
    void setDec();
    void showLog(const QModelIndex &current);
    void saveLog();

private:
    // Construction, in this order.
    void buildForms();
    void fillControls();
    void installModels();
    void initMembers();
    void removeOdaPage();
    void startTimer();
    void connectFrame();
    void connectBasic();
    void connectRadioText();
    void connectAF();
    void connectODA();
    void setupRds2();
    void setupRates();
    static void fitHeader(QTableView *view);

    // Binding (TabRDSBinding.cpp).
    void rdsKeyChanged(const QString &key, int n, const QVariant &value);
    void tmcKeyChanged(const QString &key, int n, const QVariant &value);
    void renameRow(int id, const QString &name);
    void updateSources(int id);
    void updateEnabled();
    void fillChannelList(int count);
    void setChannelEntry(int channel, const QString &note);
    void fillTmcList(int tmcId);
    // Loading and storing (TabRDSLoading.cpp, TabRDSEditing.cpp).
    struct RateControls {
        int entry;          // group-rate entry (group type)
        QWidget *box;       // its on switch (group box or check box), or none
        QSpinBox *rate;     // its stream-0 rate, or none
        QCheckBox *fill;    // its "frei" box, or none
    };
    QList<RateControls> rateControls(const RDSSource &r) const;
    // What the controls show of an entry: its stream-0 rate, or the box's
    // starting value while it has none; on only while it sends in stream 0
    // (a group without a rate box, 4A, needs no rate).
    int shownRate(const RateControls &c, const RDSGroupRate &e) const;
    static bool shownOn(const RateControls &c, const RDSGroupRate &e);
    // Entry e as the controls c leave it, the loader having shown loaded;
    // *switchedOn when the user switched the group on.
    RDSGroupRate rateFromControls(const RateControls &c, const RDSGroupRate &loaded, RDSGroupRate e,
                                  bool *switchedOn) const;
    // The 3A announcements switched on: 64 eRT, 128 RT+ (as in "rtxt").
    u8 announcements() const;
    void loadBasic(const RDSSource &r);
    void loadRadioText(const RDSSource &r);
    void loadRates(const RDSSource &r);
    void appendTagRow(const RTag &tag);
    void readForm(RDSSource &r) const;
    void formSideEffects(const RDSSource &r);
    static void keepUntouched(RDSSource &edited, const RDSSource &atLoad, const RDSSource &stored);
    void loadCodecs(const RDSSource &r);
    void readRtPlusTags(QString &a, QString &b, QString &c, QString &d, QList<RTag> &tags) const;
    void markField(QWidget *w, bool warn);
    void removeSelectedRows(QAbstractItemView *view, QAbstractItemModel *model);
    static bool isOn(const QWidget *box);
    static void setOn(QWidget *box, bool on);
    static int codecIndex(QComboBox *combo, const QByteArray &name);
    static QByteArray codecName(QComboBox *combo, const QByteArray &loaded);
    static QTextCodec *codecOrUtf8(const QString &name);
    // AF tab (TabRDSAfTab.cpp).
    RDSAFEntry afRowValue(int row) const;
    QList<RDSAFEntry> saveManualAFs(const QList<QTableWidgetItem *> &skip);
    void appendManualRow(bool listStart);
    // Monitor (TabRDSMonitor.cpp).
    int shownChannel() const;
    int lineOptions() const;
    void logRdsGroup(int channel, const QByteArray &value);
    void resetDecodedPanel();
    QString decodedText(const QByteArray &bytes, bool e1) const;
    QTextCodec *sourceCodec(QByteArray RDSSource::*name) const;
    QTextCodec *ertDecodeCodec() const;
    QString ertText() const;
    QString lpsText() const;
    QString afListText() const;
    void showDecoded();
    QString showRtText() const;
    QString rtToHtml(const QString &text, bool withItems) const;
    void setDecodeCodec(QTextCodec *codec);
    void fillStatTable();
    void rateTitleSuffix(int code, double share);
    void clearRateTitles();
    QList<QGroupBox *> rateBoxes() const;
    static void setTitle(QGroupBox *box, const QString &title, const QString &suffix = QString());

    std::unique_ptr<Ui_TabRDSUI> ui;
    std::unique_ptr<Ui_TabRDSRT> uiRT;
    std::unique_ptr<Ui_TabRDSAF> uiAF;
    std::unique_ptr<Ui_TabRDS2> ui2;
    std::unique_ptr<Ui_TabRDS0> ui0;

    // Models and windows, children of the page.
    RDSDecoder *decoder = nullptr;
    RDSLogFiles *logFiles = nullptr;
    AFTableAuto *afAuto = nullptr;
    AFTableSend *afSend = nullptr;
    EONModel *eonModel = nullptr;
    ODAModel *odaModel = nullptr;
    ECCSearch *eccSearch = nullptr;
    QButtonGroup *groupButtons = nullptr;
    QTimer *clock = nullptr;

    QSharedPointer<FMSettings> project;
    int current = 0;      // id of the shown source, 0 none
    int added = 0;        // id of the source made by addSource, 0 none
    bool loading = false; // set while the page fills its own controls
    QString lastLogPath;
    RDSSource shown; // the source as last loaded or stored
    // What the form read right after it was last filled or stored.
    RDSSource formAtLoad;
    u8 rateRtPlusGroup = 0, rateErtGroup = 0; // groups whose rates the RT+ and eRT controls show
    u8 rateAnnounce = 0;                      // the 3A announcements as the rate controls last saw them
    QHash<const QSpinBox *, int> rateStart;   // each rate box's value in the form, shown for no rate

    // RDS2 group schedule: ids 0..15 groups 0A..15A, 16..31 0B..15B.
    std::array<RDSGroupRate, RDSGroupRate::count> schedule{};
    int selectedGroup = -1;
    std::array<QAbstractButton *, RDSGroupRate::count> buttons{};

    QTextCodec *rtCodec = nullptr;
    QTextCodec *ertCodec = nullptr;
    QTextCodec *decodeCodec = nullptr;

    // Monitor: display mode 1 RadioText, 2 eRT, 4 RT+ tags, plus 8 variant.
    int displayMode = 1;
    RDSReceiver receiver; // the decoded panel's state of the shown channel
    QString tRtHtml;       // what tRT shows
    double shares[4] = {0, 0, 0, 0}; // measured shares of 0A, 0B, 2A, 2B

    QPalette defaultPalette;
    QColor highlight;
};
