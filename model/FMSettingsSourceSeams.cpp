#include "FMSettings.h"

// Seams between the project loader and the RDS / TMC records. The loader
// of the RDS and TMC sources (group readers, automatic AF lists) plugs in
// here; until then their groups stay in the file untouched and the caches
// stay empty.

void FMSettings::loadRdsSource(int id)
{
    Q_UNUSED(id)
}

void FMSettings::loadTmcSource(int id)
{
    Q_UNUSED(id)
}

void FMSettings::recomputeAutoAfLocked()
{
}
