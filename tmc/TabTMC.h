#pragma once

#include "ECC.h"
#include "Observer.h"
#include "TMCSource.h"

#include <QSharedPointer>
#include <QWidget>

#include <functional>
#include <memory>

class ECCSearch;
class FMSettings;
class QModelIndex;
class QSpinBox;
class QTableWidgetItem;
class TMCLblModel;
class TMCMsgModel;
class Ui_TabTMCUI;

// The TMC editor page of the main window: the list of TMC sources on the
// left; on the right the group 3A system information of the selected
// source, its service provider name, the location encryption parameters
// (ISO 14819-6) and its traffic messages with their optional-content
// labels. Every edit is stored at once as keys of the source through the
// project model, and every change under "tmc" that comes back refreshes
// what the page shows; the page keeps only a working copy of the selected
// source.
//
// The current message is the current row of the message table: the table
// hands it to its model (the green row), and the message editor, the label
// table and every edit of the editor's fields or labels always take that
// row. An edit of another row's cell (a dropped code) makes that row
// current first.
//
// The page is built from the form TabTMCUI and addresses its controls by
// object name. It can be built before any project exists (building the
// message table loads the TMC catalogues); setSettings binds it to one.
// GUI thread only; key changes arrive as SetValue events through the
// page's SetHandler.
class TabTMC : public QWidget, public Observer
{
    Q_OBJECT

public:
    // Asked before more than one row is deleted: title and text of the
    // question; true means "Ok".
    using DeleteQuestion = std::function<bool(const QString &title, const QString &text)>;

    explicit TabTMC(QWidget *parent = nullptr);
    ~TabTMC() override;

    // Binding to the project and to the main window.
    void setSettings(const QSharedPointer<FMSettings> &settings);
    void setValueEvent(SetValue *event) override;
    // Makes the row of that source current; nothing when no row has it.
    void selectSource(int id);

    // Replaces the question box (tests answer it themselves).
    void setDeleteQuestion(DeleteQuestion question);

private slots:
    void addSource();
    void delSource();
    void rowChanged(const QModelIndex &current);
    void setMessage(int row, const TMCMessage &message);
    void addMessage();
    void delMessage();
    void addInfo(u32 word = 0);
    void delInfo();
    void saveECC(const ECC &country);
    void itemChanged(QTableWidgetItem *item);
    void nameChanged(QTableWidgetItem *item);
    void varxChanged();
    void slotChanged();
    void dataChanged();
    void infoChanged();
    void keyChanged();
    void encChanged();

private:
    // Construction.
    void connectSources();
    void connectSystemInfo();
    void connectMessages();
    void fitVariantFields();

    void fillSources(int select);
    // Shows the current message in the editor and the label table.
    void showMessage();
    // Makes the table show the project's message list of the selected
    // source, which another writer may have changed meanwhile.
    void takeStoredMessages();
    void showServiceKey(u16 word);
    void syncVariantKeys(const QString &key, const QVariant &value);

    // The source of the current row of the list, 0 none.
    int currentItemSource() const;
    // The rows of the selected cells of a view, each once, ascending.
    static QList<int> selectedRows(const QList<QModelIndex> &indexes);
    bool askDelete(const QString &title, const QString &text) const;
    // A control's value where the operator changed it, else the stored
    // value, which the control may not be able to show.
    static int edited(const QSpinBox *box, int stored);
    void enableDurationFields();

    TMCMsgModel *msgModel() const;
    TMCLblModel *lblModel() const;

    std::unique_ptr<Ui_TabTMCUI> ui;
    QSharedPointer<FMSettings> project;
    int current = 0;   // number of the selected source, 0 none
    bool busy = false; // set while the page writes its own controls
    TMCSource source;  // working copy of the selected source
    ECCSearch *eccSearch = nullptr;
    DeleteQuestion question;
};
