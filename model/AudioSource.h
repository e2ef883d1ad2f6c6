#pragma once

#include "Types.h"

#include <QString>

// One audio source of a project (group "audio.N"): a sine tone, a ramp
// between two tones, or a file (an audio file or the group name of a
// playlist, "playlist.N"). A plain value; the project model keeps one per id.
struct AudioSource
{
    enum Type : u32 { Sine = 0, Ramp = 1, File = 2 };

    u8 used = 1;    // in use; a source with used clear may be reused
    u32 type = Sine;
    u16 time = 6;   // ramp duration, s (1..60)
    u16 frq1 = 440; // first tone, Hz
    u16 frq2 = 880; // second tone, Hz
    u16 vol1 = 40;  // first volume, %
    u16 vol2 = 40;  // second volume, %
    QString file;   // audio file path, or "playlist.N"
    QString name;   // display name

    bool operator==(const AudioSource &o) const
    {
        return used == o.used && type == o.type && time == o.time && frq1 == o.frq1 &&
               frq2 == o.frq2 && vol1 == o.vol1 && vol2 == o.vol2 && file == o.file &&
               name == o.name;
    }
    bool operator!=(const AudioSource &o) const { return !(*this == o); }
};
