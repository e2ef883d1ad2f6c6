// TabRDS: the AF tab.
#include "TabRDS.h"

void TabRDS::updateAFs(bool) {}

void TabRDS::useVariant() {}

void TabRDS::regionalAuto(const QModelIndex &) {}

void TabRDS::regionalManu(const QModelIndex &) {}

void TabRDS::showBytes(bool) {}

void TabRDS::addAF() {}

void TabRDS::addList() {}

void TabRDS::delAF() {}

void TabRDS::freqChanged(QTableWidgetItem *) {}
