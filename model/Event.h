#pragma once

#include "Types.h"

#include <QString>

// One entry of an event roll: a recorded key change and the time at which
// it is replayed. A plain value owned by the event roll; the project file
// holds it as "<ms>" or "<ms> <command>" under a numbered key of the roll's
// group.
struct Event
{
    // Values of `type`, from the section of the command.
    enum Type : u8 { Other = 0, Channel = 1, Audio = 2, Playlist = 3, Rds = 4, Tmc = 5 };

    u32 time = 0;    // milliseconds from the start of the roll
    u8 type = Other; // section of the command
    u16 number = 0;  // the index after the section ("channel.12.freq" gives 12)
    u16 kind = 0;    // the type again, as the roll's display groups lines by it
    u32 word1 = 0;   // free for the roll's player, 0 after loading
    u32 word2 = 0;
    QString command; // the key, a space and the value ("channel.1.freq 95.8")
    QString field;   // command after section and number, white space simplified

    // The stored form: the time in decimal, then a space and the command
    // when the command is not empty.
    QString toStored() const;

    // Reads a stored value. Leading and trailing white space is ignored;
    // the text up to the first space is the time and must be a decimal
    // number of at most 32 bits, else false is returned and *out is left
    // alone. The rest is the command, from which type, number and field
    // are derived.
    static bool fromStored(const QString &value, Event *out);

    // Fills type, kind, number and field from command; word1 and word2 become 0.
    void deriveFromCommand();

    bool operator==(const Event &o) const
    {
        return time == o.time && type == o.type && number == o.number && kind == o.kind &&
               word1 == o.word1 && word2 == o.word2 && command == o.command && field == o.field;
    }
    bool operator!=(const Event &o) const { return !(*this == o); }
};
