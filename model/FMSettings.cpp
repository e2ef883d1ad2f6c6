#include "FMSettings.h"

FMSettings::FMSettings(const QString &fileName, QObject *parent) : Settings(fileName, parent)
{
    buildKeyTable();
}

FMSettings::~FMSettings() = default;
