#pragma once

#include "TMCEvent.h"
#include "TMCLocation.h"

#include <QByteArrayList>
#include <QMap>
#include <QMultiMap>
#include <QString>

#include <atomic>

// The TMC event and location catalogues, read from ';'-separated files in
// the folder "lists" of the working directory:
//   ECL401.csv   event list (code in column 6)
//   forecast.csv forecast events (one text column less: code in column 5)
//   suppinfo.csv supplementary information texts (code in column 3)
//   LCL*.csv     location table (the last by name; code in field 0)
//
// Threads: tmcLoadCatalogues fills the maps once, in the GUI thread, before
// any board thread starts; afterwards the event maps never change and every
// thread reads them without a lock (pure const lookups, no detach). The
// location map and its texts belong to the GUI thread only.

// 0 when the user interface is English, 1 otherwise (1 at start). Set by the
// main window's language set-up; selects the supplementary-information text.
extern std::atomic<int> uiLanguageIndex;

// Reads every catalogue file from dir once per process. The first call
// loads (missing files leave their catalogue empty) and returns true; every
// later call changes nothing and returns false.
bool tmcLoadCatalogues(const QString &dir = QStringLiteral("lists"));

// Event code -> entry, ascending code.
extern const QMap<int, TMCEvent> &tmcEventMap;
// Event class -> cancelling event codes (silent events without duration
// type); a lookup yields the code read last for the class.
extern const QMultiMap<int, int> &tmcCancelMap;
// Supplementary-information code -> texts (element 0 English, 1 German).
extern const QMap<int, QByteArrayList> &tmcSuppInfoMap;
// Location code -> entry, ascending code. Entries are rewritten in their
// parsed form when they are first shown (GUI thread only).
extern QMap<int, TMCLocation> tmcLocationMap;
// The lower-cased titles of the location file's header line (empty when it
// has none).
extern const QByteArrayList &tmcLocationHeaders;

// The cancelling event for the class of the given event, or 128 when the
// event or its class is not in the catalogue. Safe from any thread.
quint16 tmcCancelEvent(quint16 eventCode);

// The catalogue entry of a code, or a default entry.
TMCEvent tmcEventEntry(quint16 eventCode);

// Multi-line description of an event: texts, line, class, quantifier,
// references, duration type, directionality, nature, urgency and the
// cancelling code; "Code nicht gefunden" for an unknown code.
QString tmcEventText(quint16 eventCode);

// The meaning of a duration value (low three bits) for an event; empty for
// an unknown code.
QString tmcDurationText(quint16 eventCode, quint8 duration);

// The meaning of a quantifier value for an event; empty for an unknown code
// or an event without quantifier.
QString tmcQuantifierText(quint16 eventCode, quint8 value);

// The supplementary-information text in the user interface's language;
// empty for an unknown code.
QString tmcSuppInfoText(quint16 code);

// The entry with its line split into fields and other; an entry that is
// parsed already comes back unchanged.
TMCLocation tmcParseLocation(const TMCLocation &entry);

// Multi-line description of a location; inter-road codes (0xFC00..0xFFFC)
// are described without lookup; "Code nicht gefunden" for an unknown code.
QString tmcLocationText(quint16 locationCode);

