#pragma once

#include "TMCLblEdit.h"
#include "TMCLblModel.h"

#include <QTableView>

// The label table of the TMC page's message editor, with its own model
// and delegate.
class TMCLabel : public QTableView
{
    Q_OBJECT
public:
    explicit TMCLabel(QWidget *parent = nullptr);
    ~TMCLabel() override;

    TMCLblModel *labelModel() { return &m_model; }

private:
    TMCLblModel m_model;
    TMCLblEdit m_edit;
};
