#include "FMSettings.h"

// Seams between the project loader and the RDS / TMC records: the group
// loaders are FMSettingsRds.cpp and FMSettingsTmc.cpp, the automatic AF
// lists FMSettingsAf.cpp.

void FMSettings::loadRdsSource(int id)
{
    loadRds(id);
}

void FMSettings::loadTmcSource(int id)
{
    readTmc(id);
}

void FMSettings::recomputeAutoAfLocked()
{
    computeAF();
}
