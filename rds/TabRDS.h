#pragma once

#include "ECC.h"
#include "Observer.h"
#include "RDSGroupRate.h"

#include <QByteArray>
#include <QColor>
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
class QButtonGroup;
class QModelIndex;
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

    // RDS2 group schedule: ids 0..15 groups 0A..15A, 16..31 0B..15B.
    std::array<RDSGroupRate, RDSGroupRate::count> schedule{};
    int selectedGroup = -1;
    std::array<QAbstractButton *, RDSGroupRate::count> buttons{};

    QTextCodec *rtCodec = nullptr;
    QTextCodec *ertCodec = nullptr;
    QTextCodec *decodeCodec = nullptr;

    // Monitor: display mode 1 RadioText, 2 eRT, 4 RT+ tags, plus 8 variant.
    int displayMode = 1;
    QByteArray decodedPS, decodedPTYN, decodedRT, decodedLPS, decodedERT;
    double shares[4] = {0, 0, 0, 0}; // measured shares of 0A, 0B, 2A, 2B

    QPalette defaultPalette;
    QColor highlight;
};
