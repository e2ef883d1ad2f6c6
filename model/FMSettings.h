#pragma once

#include "AudioSource.h"
#include "ChannelRecord.h"
#include "ChannelStatus.h"
#include "Event.h"
#include "KeyDesc.h"
#include "Playlist.h"
#include "RDSAFEntry.h"
#include "RDSSource.h"
#include "Settings.h"
#include "SongInfo.h"
#include "TMCSource.h"
#include "Types.h"

#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTime>

#include <atomic>
#include <mutex>
#include <optional>
#include <shared_mutex>

// The project model: the key store of one project file, extended by the key
// descriptor table and the typed records of channels and sources.
//
// Threads: created by the main window (GUI thread) and shared by reference
// count with board threads, channel programs, pages and the control server.
// The key descriptor table and the current descriptor are used by the GUI
// thread only (validated operations, help lines, error texts, band writer).
//
// Project model threads and locks: the GUI thread loads the project and
// writes records (pages, control server, event roll); each board thread
// reads channel records, sources, playlists, band and attenuation, and
// writes channel status and play information. recordLock (read/write, not
// recursive; take it as ReadLock / WriteLock) guards every record cache below. Lock order: recordLock first,
// the key store's own lock second, never the reverse; so no operation that
// takes recordLock may be called from a withWriteLock/withReadLock callback,
// and an operation holding recordLock only calls store operations and the
// *Locked helpers. The board count is atomic and read without lock.
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
    // The constructor loads the whole file (readFile). Ids of audio sources,
    // playlists, RDS and TMC sources are positive; record N of a kind lives
    // in the INI group "audio.N", "playlist.N", "rds.N" or "tmc.N".

    // FM band (0 = 87.5-108.0 MHz, 1 = 76.0-95.0, 2 = 76.0-108.0) and board
    // RF attenuation in dB (-31..0); any thread.
    int band() const;
    int attn() const;
    // Number of boards (1..4); channels are 1 .. boardCount() x 24.
    int boardCount() const { return boards.load(); }
    // Sets the number of boards (held to 1..4) and rebuilds the channel
    // frequencies and distances. GUI thread.
    void setBoardCount(int n);

    // New or reused sources: the first source whose used flag is clear is
    // taken again, else the highest id + 1 ("Audio-N", "RDS-N", "TMC-N").
    // The playlist takes the smallest free id and writes no key yet.
    // GUI thread.
    AudioSource addAudio(const QString &file);
    int addPlaylist();
    int addRds();
    int addTmc();
    // Gives RDS source id up ("rds.N.used" = 0) so that addRds may reuse it.
    void setRdsUsed(int id);

    // ---- Validated set, add, delete, listing

    // ---- Channels, band and attenuation (FMSettingsChannels.cpp)
    // Channel records are read from the keys of "channel.N" on every call;
    // nothing is cached. Distances: the gap in MHz from each used channel to
    // the nearest other used one, broadcast as "chinfo.N.dist" ("0.200").

    // The record of channel ch with its defaults for missing keys; any
    // thread, no record lock. Numbers that do not fit a field are clamped.
    ChannelRecord channelInfo(int ch) const;
    // Stores mono, devi, emph, rate, auto, aof (x 100, rounded half up) and
    // att of the record under "channel.ch". GUI thread.
    void setChannelConfig(int ch, const ChannelRecord &record);
    // Stores the frequency (three decimals; 0.0 means the stored one) and
    // updates the distances of the used channels. GUI thread.
    void setChannelFreq(int ch, double freq, bool used);
    // Clamps band to 0..2 and attn to -31..0 (written back into both),
    // writes changed values to "board/band" and "board/attn", broadcasts
    // "board.band" / "board.attn" when they changed, marks the project
    // changed when the file changed, and sets the "channel.freq" range for
    // the band. GUI thread.
    void setBoard(int &band, int &attn);
    // Broadcasts "chinfo.N.dist" of every channel that has a distance.
    void broadcastDistances();

    // ---- Audio sources and playlists (FMSettingsAudio.cpp)
    // Readers: any thread (board threads read sources and playlist files).
    // Loaders and writers: GUI thread. All take recordLock.

    AudioSource audio(int id) const;
    QMap<int, AudioSource> audioMap() const;
    // 0 -> "<kein>" (translated), then id -> name of every used source.
    QMap<int, QString> audioNames() const;
    // "Sinus", "Rampe", "Datei" (translated), by audio type.
    static QStringList audioTypeNames();
    QStringList playlistFiles(int id) const;

    // Read group "audio.id" / "playlist.id" again; a group without keys
    // drops the record. Return a copy of what is now cached.
    AudioSource loadAudio(int id);
    Playlist loadPlaylist(int id);

    // Negative arguments leave their field alone.
    void setAudioTone(int id, int frq1, int frq2, int vol1, int vol2, int time);
    // An empty file removes the key "audio.id.file".
    void setAudioFile(int id, const QString &file);
    void setAudioName(int id, const QString &name);
    void setAudioType(int id, u32 type);
    // Gives the source up ("audio.id.used" = 0) so that addAudio may reuse it.
    void setAudioUsed(int id);
    bool setPlaylistName(int id, const QString &name);
    void setPlaylistFiles(int id, const QStringList &files);
    // Inserts files before pos (appends when pos is outside the list),
    // makes every path absolute, writes and returns the whole list.
    QStringList insertPlaylistFiles(int id, int pos, const QStringList &files);
    // Drops the playlist and its group; audio sources that played it lose
    // their file ("FMS: audio.%d lost its playlist").
    bool removePlaylist(int id);

    // ---- Volatile status records (FMSettingsStatus.cpp)
    // Held in memory only and announced by broadcasts that are never stored:
    // "chstatus.N", "chinfo.N.playrate", "chinfo.N.playing", "songinfo",
    // "chinfo.N.rdslog.S". Writers: board threads; readers: GUI thread.

    // Channels 1..96 only; broadcasts "chstatus.ch" with an empty value.
    void setChannelStatus(int ch, const ChannelStatus &status);
    ChannelStatus channelStatus(int ch) const;
    // What channel ch plays; an empty file path clears it. Broadcasts
    // "chinfo.ch.playrate" / "chinfo.ch.playing" when they change.
    void setPlayInfo(int ch, const SongInfo &song);
    SongInfo songInfo(int ch) const;
    // Stores each record by its file path, then broadcasts "songinfo" once.
    void setSongInfo(const QList<SongInfo> &songs);
    QMap<QString, SongInfo> songInfos() const;
    // Broadcasts "chinfo.ch.rdslog.src" with the 17-byte monitor record:
    // the 13 group bytes and the time of day in ms, little-endian. groupNo
    // and reserved are not used here. Any thread, no record lock.
    void notifyRdsLog(int ch, int src, int groupNo, int reserved, const QTime &timeOfDay,
                      const u8 *group);

    // ---- Audio sources and playlists

    // ---- Volatile status records

    // ---- RDS sources, AF, EON, ODA and group rates

    // ---- TMC sources and messages

    // ---- Event rolls (FMSettingsRoll.cpp)
    // A roll lives in one INI group named by the caller ("events.1"): keys
    // 0, 1, ... = "<ms>[ <command>]", "repeat" and "expand" (hexadecimal
    // line numbers separated by spaces). Raw file access: no normalisation,
    // no change events. GUI thread.

    // Events sorted by time (equal times in key-number order); malformed
    // entries are skipped. repeat is true when its key is missing.
    QList<Event> loadRoll(const QString &group, QSet<int> &expanded, bool &repeat);
    // Replaces the whole group and marks the project changed.
    void setRoll(const QString &group, const QList<Event> &events, const QSet<int> &expanded,
                 bool repeat);
    // Writes one entry (key group/index); marks the project changed when it did.
    void setEvent(int index, const QString &group, const Event &event);
    // Writes "expand" and "repeat"; marks the project changed when they did.
    void setRollOptions(const QString &group, const QSet<int> &expanded, bool repeat);

protected:
    // ---- Loaders and internal helpers, by area

    // -- Project loading (FMSettings.cpp)
    void readFile();
    // Renames record groups and keys written in another case ("[Audio.3]",
    // "Type=2") to the lower-case form that every key takes, straight in
    // the file (a correction of loading: no events, no dirty mark).
    void foldKeyCase();
    // Copies PI, PS, PTY, TP and TA (and, once the automatic AF lists
    // exist, the AF list) of RDS source id into every EON entry whose
    // channel uses that source, and broadcasts each such entry as
    // "rds.S.eon.M". The caller holds the write side of recordLock.
    void refreshEon(int id, const RDSSource &source);
    // The same for the EON entries of source owner (every source for 0)
    // from the sources their channels use; broadcasts only the entries that
    // changed. A changed AF list is stored ("rds.S.eon.M.af"), and so is an
    // entry whose link has ended (keepEndedLink). The caller holds the write
    // side of recordLock.
    void followEonLinks(int owner = 0);
    // Entry m of owner follows no link: when it differs from what the file
    // holds for it (its link has just ended), its text, PS and AF list are
    // stored as it sends them. The caller holds the write side of recordLock.
    void keepEndedLink(int owner, int m, const EON &e);
    // Stores the PS and AF list that entry e sends under item ("rds.1/eon/2")
    // where the file holds others: a link that ends leaves them as they went
    // on air. Store lock only; callable with or without recordLock.
    void keepSentFields(const QString &item, const EON &e, bool notify, QObject *source);
    // The entry stored under item ("rds.1/eon/2") as the encoders send it,
    // when it follows a link (its channel's RDS source exists); false, sent
    // unchanged, otherwise. Takes the read side of recordLock: not for
    // callers that hold it.
    bool linkedEonSent(const QString &item, EON &sent) const;
    // Adds to the keys of a listed group ("rds.N", "rds.N/eon"; relative
    // keys such as "eon/2") the PS and AF list of each linked entry that
    // the file does not hold: GET answers them as they go on air.
    void addLinkedEonFields(const QString &group, QStringList &keys);
    // The RDS source of the channel an EON entry names; 0 for none.
    int eonSource(const EON &e) const;
    // Whether the EON entry stored under item ("rds.1/eon/2") names a
    // channel whose RDS source exists: its PI, PS, PTY, TP, TA and AF list
    // follow that programme. Takes the read side of recordLock.
    bool eonFollowsLink(const QString &item);
    // Takes into e what the programme of its channel gives it (PI, PS, PTY,
    // TP, TA and the AF list, as setEon does) when that channel's RDS source
    // exists; false, e unchanged, otherwise. Takes the read side of
    // recordLock: not for callers that hold it.
    bool linkedEon(EON &e) const;
    // A field of a list item ("rds.1/eon/2/ps"): UseAdd while the item is
    // not stored, FollowsLink for a field a linked EON entry takes from its
    // programme, else Ok (also for keys that are no such field).
    int checkItemField(const QString &normalisedKey);
    // setChecked, or with store false every check of it and no store: Ok
    // when the key and value would be taken.
    int validatedStore(const QString &key, const QVariant &value, bool store, bool notify, QObject *source);
    // An EON entry's six-field text: FollowsLink when it names a channel
    // whose programme gives other PI, PTY, TP or TA, else Ok. linked, when
    // given, receives the entry as the link makes it (channel 0 when the
    // entry follows no link).
    int checkEonLink(const QString &text, EON *linked = nullptr) const;
    // Entry m of owner takes source's programme; its text is broadcast when
    // it changed or announce is set, its PS ("rds.S.eon.M.ps") when that
    // changed, and its AF list follows (followEonAf).
    void followProgramme(int owner, int m, EON &e, const RDSSource &source, bool announce);
    // An entry's AF list follows source's lists once they exist.
    void followEonAf(int owner, int m, EON &e, const RDSSource &source);

    // -- Seams for the RDS and TMC records (FMSettingsSourceSeams.cpp):
    // the project loader calls the first two for every "rds.N" / "tmc.N"
    // group (without holding recordLock); the distance update calls the
    // third with the write side of recordLock held while afDirty is set.
    void loadRdsSource(int id);
    void loadTmcSource(int id);
    void recomputeAutoAfLocked();

    // -- Channels (FMSettingsChannels.cpp)
    // The band writer; markDirty is false for the correction while loading.
    void applyBoard(int &band, int &attn, bool markDirty);
    // Adds every used channel of the boards to channelFreqs.
    void refreshChannelFreqs();
    // Recomputes the distances from channelFreqs and broadcasts the changed
    // ones. The caller holds the write side of recordLock.
    void updateDistances();
    // After a store of the frequency, used flag or RDS source of these
    // channels: channelFreqs, the distances and (once the automatic AF lists
    // exist) the AF lists follow. Takes recordLock itself.
    void followChannels(const QList<int> &channels);
    // A TMC source stored as unused leaves the RDS sources that linked it.
    void unlinkRemovedTmc(const QList<int> &ids);
    void unlinkTmcLocked(int id); // record lock held for writing

    // -- Playlists (FMSettingsAudio.cpp)
    // Rewrites the files of "playlist.id" (keys 0..n-1), storing with
    // notification only the entries that changed, and broadcasts
    // "playlist.id/n" with an empty value. The caller holds recordLock.
    void writePlaylist(int id, const QStringList &files);

private:
    // ---- Key descriptor table: the row of the last look-up (GUI thread).
    KeyDesc currentDesc;

    // ---- Record caches and their lock (see the class comment)
    // A standard shared mutex (not recursive): its happens-before edges are
    // visible to ThreadSanitizer, unlike those of QReadWriteLock.
    using ReadLock = std::shared_lock<std::shared_mutex>;
    using WriteLock = std::unique_lock<std::shared_mutex>;
    mutable std::shared_mutex recordLock;
    QMap<int, double> channelFreqs;           // used channel -> MHz
    QMap<int, double> channelDists;           // channel -> distance last broadcast, MHz
    QMap<int, Playlist> playlists;            // by id
    QMap<int, AudioSource> audios;            // by id
    QMap<int, RDSSource> rdsSources;          // by id
    QMap<int, TMCSource> tmcSources;          // by id
    QMap<int, QList<RDSAFEntry>> autoAfs;     // RDS source id -> automatic AF list last broadcast
    QMap<int, ChannelStatus> channelStates;   // channel -> last status
    QMap<int, SongInfo> playInfo;             // channel -> what it plays
    QMap<QString, SongInfo> songInfoByFile;   // file path -> song information
    std::atomic<int> boards{1};               // number of boards; written by the GUI thread only
    int curBand = -1;                         // FM band, see band()
    int curAttn = 0;                          // board attenuation, dB
    int gminFlag = 0;                         // "board/gmin": 0 = group rates in the older form
    bool afDirty = false;                     // automatic AF lists follow every frequency change

    // ==== RDS and TMC sources, their lists, and the validated operations ====
    // (FMSettingsRds.cpp, FMSettingsAf.cpp, FMSettingsLists.cpp,
    // FMSettingsTmc.cpp, FMSettingsValidate.cpp)
    //
    // Threads and locks: every writer and loader below runs in the GUI thread
    // and holds the write side of recordLock for its whole run; rds(), tmc()
    // and the name maps take the read side and are called from the board
    // threads too. Key accesses inside take the key store's lock after
    // recordLock. computeAF() expects its caller to hold the write side.
public:
    // -- Validated set, add and delete of text commands (control server,
    //    event roll). Results are the codes of KeyCheck::Code.
    // A key or key pattern ("channel.1,3-5.freq"): every index is checked
    // first, and when one is refused nothing is stored and nobody is told;
    // otherwise every index is stored without events, the touched records
    // are read again and one pattern broadcast follows. refused, when given,
    // receives the index's key ("tmc.2/0") when a pattern of more than one
    // index is refused, else an empty text. "board.band" and "board.attn"
    // go through setBoard.
    int set(const QString &key, const QVariant &value, bool notify, QObject *source = nullptr,
            QString *refused = nullptr);
    // One concrete key, checked against its descriptor row.
    int setChecked(const QString &key, const QVariant &value, bool notify, QObject *source = nullptr);
    // Appends to a whole list ("rds.1.afs"), adds the first free item of a
    // list family ("tmc.1", "rds.1.eon") or writes the entry of the rate
    // table that the key names ("rds.1.gmin.15"); logs "FMS: add [key]
    // [value]". An empty value adds nothing (WrongCount). written, when
    // given, receives the key as given, or, when it names an item of a list
    // family ("tmc.1.9"), the item stored in its place ("tmc.1/3").
    int add(const QString &key, const QVariant &value, QString *written = nullptr);
    // Removes a whole list, one item (the following items and their sub-keys
    // move down) or every item of a family ("tmc.1.*").
    int del(const QString &key);
    // Keys of the group named by prefix, items by number; or, when there is
    // no such group, the top-level groups beginning with prefix (none when
    // prefix names a key inside a group). groups, when given, carries the
    // top-level groups from one call to the next of the same request: read
    // at the first call that needs them, reused by the others.
    QStringList listKeys(const QString &prefix, std::optional<QStringList> *groups = nullptr);
    // What a reader of key gets (GET): the stored value (null when there is
    // none), except for an EON entry that follows a channel's programme,
    // whose text, PS and AF list ("rds.N/eon/M", ".../ps", ".../af") answer
    // what the link gives it and the encoders send, stored or not (the file
    // keeps the values last written there), and for an entry of the service
    // key table ("tmc.N/skt/E"), which answers that entry of the table.
    QVariant valueOnAir(const QString &key);
    // Entry E of a stored service key table ("tmc.N/skt/E", E 0..31) as a
    // hexadecimal number, as the encoder reads it; null for any other key
    // and while the table is not stored.
    QVariant keyTableEntry(const QString &normalisedKey);
    // Reads the records of a section ("rds.", "tmc.", "audio.", "playlist.")
    // again from the file.
    void reloadGroups(const QString &section, const QList<int> &indices);

    // -- RDS sources
    RDSSource loadRds(int n);
    bool setRds(int n, const RDSSource &rec);
    bool setRdsName(int n, const QString &name);
    RDSSource rds(int n) const;
    QMap<int, RDSSource> rdsMap() const;
    // 0 -> "<kein>", then every used source by id.
    QMap<int, QString> rdsNames() const;

    // -- AF lists
    bool setAfs(int id, QList<RDSAFEntry> &list);
    void setAfr(int id, int freq);
    void updateAF(bool force);

    // -- EON entries, ODA rows, group rates
    bool setEon(int id, QList<EON> &list);
    bool setOda(int id, const QList<RDSCustomGroup> &list);
    void setGroupRates(int id, const std::array<RDSGroupRate, RDSGroupRate::count> &table);

    // -- TMC sources and messages
    TMCSource readTmc(int id);
    TMCSource tmc(int id) const;
    QMap<int, TMCSource> tmcMap() const;
    QMap<int, QString> tmcNames() const;
    bool setTmc(int id, const TMCSource &rec);
    bool setTmcKey(int id, u8 index, u16 key);
    // Replaces message index, or appends it when index is the message count;
    // an index beyond the count changes nothing.
    void setTmcMessage(int id, int index, const TMCMessage &msg);
    // Keeps the first index messages, in the record and in the file.
    void removeTmcMessage(int id, int index);
    bool setTmcUsed(int id);
    bool setTmcName(int id, const QString &name);

protected:
    // Rebuilds the automatic AF lists and the EON AF lists that follow them.
    // The caller holds the write side of recordLock.
    void computeAF();

private:
    RDSSource loadRdsLocked(int n);
    // Removes every numbered item of the list group ("rds.1/eon") that is not
    // one of 0..count-1, with its sub-keys, straight from the file.
    void removeStaleItems(const QString &listGroup, int count);
    // Moves items n+1, n+2, ... of the list base ("tmc.1/") one index down
    // with their sub-keys and removes the last one.
    void shiftItemsDown(const QString &base, int n);
    int setBoardKey(const QString &key, const QVariant &value);
    // The value check of a validated store or ADD against the current
    // descriptor; a TMC message, whose parts have fields of their own
    // widths, is checked part by part, and the current descriptor then takes
    // the range of the part refused, which its error text quotes.
    int checkItemValue(const QString &generic, const QVariant &value);
    // A write of one entry of the service key table ("tmc.N/skt/E", E 0..31)
    // as a write of the whole table: tableKey and tableText receive the key
    // the encoder reads and its text with entry E replaced by value, one
    // hexadecimal number of the row's range. UnknownKey for any other entry.
    int keyTableWrite(const QString &norm, const QVariant &value, QString &tableKey, QString &tableText);
    // DEL of entry E of the service key table: the entry becomes 0 in its
    // place (NotSet when it is 0 or the table is not stored); "tmc.N/skt/*"
    // removes the table.
    int delKeyTableEntry(const QString &norm);
    // ==== end of RDS and TMC block ====
};
