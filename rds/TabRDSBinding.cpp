// TabRDS: binding to the project and the source table.
#include "TabRDS.h"

#include "FMSettings.h"

void TabRDS::setSettings(const QSharedPointer<FMSettings> &settings)
{
    project = settings;
}

void TabRDS::setValueEvent(SetValue *) {}

void TabRDS::selectSource(int, int) {}

void TabRDS::addSource() {}

void TabRDS::delSource() {}

void TabRDS::nameChanged(QTableWidgetItem *) {}

void TabRDS::itemChanged(QTableWidgetItem *) {}
