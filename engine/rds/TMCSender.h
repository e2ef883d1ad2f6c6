#pragma once

#include "TMCSource.h"
#include "Types.h"

#include <QByteArray>
#include <QList>

#include <array>

// The TMC sender of one RDS encoder: cycles through the messages of a TMC
// source and yields the contents of one type 8A group (ISO 14819-1) per call:
// single-group and multi-group user messages with their optional content,
// cancellations, the service provider name (tuning information variants 4
// and 5) and, with encryption, the location encryption (ISO 14819-6) and its
// administration group.
//
// Owned by its RDSEncoder and used in the board thread under the encoder's
// lock. Not thread-safe itself.
class TMCSender
{
public:
    // Bits 4..0 of block B and blocks C and D of one 8A group.
    struct Group
    {
        u8 low = 0;
        u16 c = 0;
        u16 d = 0;
    };

    // Content words per message at most: a first group and at most four
    // following groups (the group sequence indicator has 2 bits).
    static constexpr int maxContentWords = 4;
    static constexpr int contentBits = 28;

    // Rotation, start bit and XOR value of a service key (ISO 14819-6).
    struct KeyRow
    {
        int rotate = 0;
        int start = 0;
        u16 xorValue = 0;
    };
    // The key row used when no service key applies.
    static constexpr KeyRow defaultKeyRow{5, 3, 0x5A};

    // The cancelling event code of an event (the TMC event catalogue).
    using CancelLookup = u16 (*)(u16 event);

    TMCSender();
    ~TMCSender();

    // Replaces the catalogue lookup (tests); nullptr restores the catalogue.
    void setCancelLookup(CancelLookup lookup);

    // Takes the source's fields and messages and restarts the sender: two
    // service-name groups first, then the messages.
    void setSource(const TMCSource &source);

    // The service provider name as it goes on air (cut or padded with zero
    // bytes to 8).
    void setProviderName(const QByteArray &bytes);

    // One group; nowMs (milliseconds since the epoch) times the encryption
    // administration groups.
    Group nextGroup(qint64 nowMs);

    // Fields the ODA announcer needs.
    u8 flag() const { return m_flag; }
    u16 aid() const { return m_aid; }
    u16 variantWord(int v) const { return m_va[v & 3]; }
    int messageCount() const { return m_messages.size(); }

    // The key row for the source's settings (the service key table when flag
    // bit 2 is set and enc < 32, else the default row).
    KeyRow keyRow() const;

    // ISO 14819-6 location encryption with a key row.
    static u16 encryptLocation(u16 location, const KeyRow &key);

    // Packs label words (value in bits 15..0, label number in bits 19..16)
    // into 28-bit content words, at most maxContentWords; the first label that
    // does not fit ends the packing. With encrypt, labels 10..13 are encrypted
    // with the key row first.
    static QList<u32> packLabels(const QList<u32> &labels, bool encrypt, const KeyRow &key);

    // Label widths in bits (ISO 14819-1 optional message content).
    static int labelWidth(int label);

private:
    struct Current
    {
        u8 duration = 0;
        u8 flags = 0;
        u16 event = 0;
        u16 location = 0;
        u8 send = 0;
        QList<u32> words; // content words
    };

    Group providerName();
    Group administration() const;
    Group messageGroup() const;
    Current prepare(const TMCMessage &msg, bool encrypt) const;
    bool startNextMessage(qint64 nowMs); // false: the list ended
    int repetitions() const { return m_rpt ? m_rpt : 1; }

    // Source copy.
    u8 m_flag = 9;
    u8 m_rate = 15;
    u16 m_aid = 0xCD46;
    u8 m_rpt = 3;
    u8 m_enc = 31;
    std::array<u16, 4> m_va{{0x0047, 0x400D, 0x80E0, 0xC000}};
    std::array<u16, 32> m_skt{};
    QList<TMCMessage> m_messages;
    QByteArray m_name = QByteArray(8, '\0');

    CancelLookup m_cancel;

    // Sender state.
    Current m_current;
    int m_index = -1;
    int m_seq = 0;
    int m_ci = 0;
    int m_repeat = 255;
    int m_phase = 1;
    qint64 m_lastAdmin = 0;
    bool m_admin = false;
};
