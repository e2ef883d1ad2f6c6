#pragma once

#include "KeyDesc.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// The pure parts of the validated set, add and delete: error codes, value
// checks against a descriptor row, index ranges of sections and the order of
// key listings. Safe from every thread; the project model applies them.
namespace KeyCheck {

// Result codes of the validated operations; their texts are
// FMSettings::errorText.
enum Code : int {
    Ok = 0,
    UnknownKey = 1,
    OutOfRange = 2,
    Unchanged = 3,
    WrongCount = 4,
    NotAList = 5,
    NotSet = 6,
    UseAdd = 7,
    EntryNeeded = 8, // a fixed table ("rds.N.gmin") written without its entry number
    FollowsLink = 9, // a field that a linked EON entry takes from its programme
};

// Checks a value against a row (lists and scalars): Ok, OutOfRange or
// WrongCount. List values are split at blanks (empty parts dropped); a row
// without a range and a count above 1 needs exactly that many parts; with a
// range every part must read as its element type (boolean for the range
// 0..1, base 16 for hexadecimal, else a finite decimal number) inside the
// range. A string scalar has its length held to the range.
int checkValue(const KeyDesc &desc, const QVariant &value);

// Whether a single index is valid for its section: channels 1..96, sources
// and playlists from 1. Sections without numbered records accept any index.
// section is the lower-case text up to and including its '.' ("channel.").
bool indexInRange(const QString &section, int index);
constexpr int maxChannel = 96;
// Items of one list, numbered 0..maxItems-1.
constexpr int maxItems = 512;

// Key listing of a group: whole-number keys first, in rising number (a later
// key of the same number replaces the earlier), as prefix.key; then the
// other keys in the order given.
QStringList orderGroupKeys(const QString &prefix, const QStringList &keys);
// Key listing of top-level groups whose names begin with prefix (any case):
// numbered channel, audio, playlist, RDS and TMC groups in that order, each
// by number; then every other group in the order given.
QStringList orderTopGroups(const QString &prefix, const QStringList &groups);

} // namespace KeyCheck
