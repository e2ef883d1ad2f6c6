#pragma once

#include <QString>

// One row of the key descriptor table: what a key that remote clients and
// the event roll may set holds, and how its value is checked.
struct KeyDesc
{
    // Element type codes; a list adds List.
    enum Type : int {
        None = 0,     // command or informational key, no check
        Integer = 1,  // "bool" when the range is 0 to 1
        Double = 2,
        String = 3,   // the range bounds the length
        IdLink = 4,   // unit names the section it points into
        Hex = 5,      // base-16 integer
        List = 0x100, // blank-separated list of the element type
    };

    int type = None;
    // Range; min = max = 0 means no range.
    double min = 0.0;
    double max = 0.0;
    // Scalars: a step nobody reads. Lists: the number of values one item
    // must hold (checked only without a range and when above 1).
    double step = 0.0;
    QString unit;
    QString description;

    int elementType() const { return type & 0xff; }
    bool isList() const { return (type & List) != 0; }
    bool hasRange() const { return !(min == 0.0 && max == 0.0); }
};
