// TabRDS: the monitor, its statistics and the log files.
#include "TabRDS.h"

void TabRDS::setLog(int) {}

void TabRDS::restartStat() {}

void TabRDS::timeout() {}

void TabRDS::setDec() {}

void TabRDS::showLog(const QModelIndex &) {}

void TabRDS::saveLog() {}
