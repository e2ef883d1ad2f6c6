#pragma once

#include "KeyDesc.h"
#include "Settings.h"

#include <QMap>
#include <QString>
#include <QStringList>

// The project model: the key store of one project file, extended by the key
// descriptor table and the typed records of channels and sources.
//
// Threads: created by the main window (GUI thread) and shared by reference
// count with board threads, channel programs, pages and the control server.
// The key descriptor table and the current descriptor are used by the GUI
// thread only (validated operations, help lines, error texts, band writer).
//
// The implementation is split by area: FMSettings.cpp (construction and
// loading), FMSettingsKeyTable.cpp (the descriptor rows), FMSettingsKeyDesc.cpp
// (generic keys, help lines, error texts) and one FMSettings<Area>.cpp per
// record area.
class FMSettings : public Settings
{
public:
    FMSettings(const QString &fileName, QObject *parent = nullptr);
    ~FMSettings() override;

    // ---- Key descriptor table (FMSettingsKeyTable.cpp, FMSettingsKeyDesc.cpp)
    // The table is one map for the whole program, keyed by generic key.

    // Clears the table and fills it with every row; "channel.freq" gets the
    // widest range (76 to 108 MHz) until the band writer narrows it.
    static void buildKeyTable();
    // The generic key of a concrete key ("rds.3/eon/2/ps" -> "rds.eon.ps"),
    // or the folded key when no row matches.
    static QString genericKey(const QString &key);
    // The help line of the key's row; empty when it has none.
    static QString describeKey(const QString &key);
    // Copies the row of a generic key into desc; false when there is none.
    static bool keyDesc(const QString &genericKey, KeyDesc &desc);
    // Generic keys of every row, in map order.
    static QStringList keyTableKeys();
    // Table side of the band writer: the "channel.freq" range of band 0
    // (87.5-108), 1 (76-95) or 2 (76-108); nothing when the row is missing.
    static void setFreqRange(int band);

    // Makes the row of a generic key the current descriptor; false (current
    // descriptor unchanged) when there is no row.
    bool selectKeyDesc(const QString &genericKey);
    const KeyDesc &currentKeyDesc() const { return currentDesc; }
    // The text of an error code of the validated operations; codes 2 and 4
    // are formatted from the current descriptor.
    QString errorText(int code) const;

    // ---- Project loading (FMSettings.cpp)

    // ---- Validated set, add, delete, listing

    // ---- Channels, band and attenuation

    // ---- Audio sources and playlists

    // ---- Volatile status records

    // ---- RDS sources, AF, EON, ODA and group rates

    // ---- TMC sources and messages

    // ---- Event rolls

protected:
    // ---- Loaders and internal helpers, by area

private:
    // ---- Key descriptor table: the row of the last look-up (GUI thread).
    KeyDesc currentDesc;

    // ---- Record caches and their lock
};
