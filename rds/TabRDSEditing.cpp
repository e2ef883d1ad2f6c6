// TabRDS: storing the form as the shown source, and the small editors.
#include "TabRDS.h"

void TabRDS::slotChanged() {}

void TabRDS::rtxtChanged() {}

void TabRDS::saveECC(const ECC &) {}

void TabRDS::saveEON() {}

void TabRDS::saveODA() {}

void TabRDS::selectGroup(int) {}

void TabRDS::updateColor() {}

void TabRDS::showText() {}

void TabRDS::rds2Changed() {}

void TabRDS::rateChanged() {}

void TabRDS::findCountry() {}

void TabRDS::calcPS() {}

void TabRDS::calcLPS() {}

void TabRDS::addTag() {}

void TabRDS::delTag() {}

void TabRDS::addEON() {}

void TabRDS::delEON() {}

void TabRDS::addODA() {}

void TabRDS::delODA() {}

void TabRDS::addLog() {}

void TabRDS::delLog() {}
