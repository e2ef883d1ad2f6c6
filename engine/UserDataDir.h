#pragma once

#include <QString>

// The per-user data directory: "APPDATA" when it is set, not empty and an
// existing path, else the home directory, followed by "/Pellrock/". Made
// when missing; the path is returned even when it cannot be made.
QString userDataDir();
