#include "TMCSender.h"

#include "TMCSource.h"
#include "TmcCatalog.h"

namespace {

// Bits 4..0 of block B of the 8A group (ISO 14819-1).
constexpr u8 singleGroup = 0x08;       // F = 1, duration in bits 2..0
constexpr u8 providerNameA = 0x14;     // tuning information variant 4
constexpr u8 providerNameB = 0x15;     // tuning information variant 5
constexpr u16 firstGroup = 0x8000;     // block C of the first group of a multi-group message
constexpr u16 secondGroup = 0x4000;    // block C of the second group
constexpr int sendNot = 0, sendMessage = 1, sendCancel = 2;
constexpr u8 flagEncrypt = 0x02;
constexpr u8 flagKeyTable = 0x04;

// Label widths in bits (ISO 14819-1, optional message content labels 0..15).
constexpr int labelWidths[16] = {3, 3, 5, 5, 5, 8, 8, 8, 8, 11, 16, 16, 16, 16, 0, 0};

u16 rotateRight16(u16 v, int r)
{
    r &= 15;
    return r ? u16((v >> r) | (v << (16 - r))) : v;
}

int sendState(const TMCMessage &m)
{
    // A state above 2 counts as not sent.
    return m.send > sendCancel ? sendNot : m.send;
}

} // namespace

TMCSender::TMCSender() : m_cancel(&tmcCancelEvent) {}

void TMCSender::setCancelLookup(CancelLookup lookup)
{
    m_cancel = lookup ? lookup : &tmcCancelEvent;
}
TMCSender::~TMCSender() = default;

int TMCSender::labelWidth(int label)
{
    return labelWidths[label & 15];
}

void TMCSender::setSource(const TMCSource &source)
{
    m_flag = source.flag;
    m_rate = source.rate;
    m_aid = source.aid;
    m_rpt = source.rpt;
    m_enc = source.enc;
    m_va = {{source.va0, source.va1, source.va2, source.va3}};
    for (int i = 0; i < 32; ++i)
        m_skt[i] = source.skt[i];
    m_messages = source.messages;
    m_current = Current();
    m_index = -1;
    m_seq = 0;
    m_repeat = 255;
    m_phase = 1;
    m_lastAdmin = 0;
    m_admin = false;
}

void TMCSender::setProviderName(const QByteArray &bytes)
{
    m_name = bytes.left(8);
    m_name.append(QByteArray(8 - m_name.size(), '\0'));
}

TMCSender::KeyRow TMCSender::keyRow() const
{
    if (!(m_flag & flagKeyTable) || m_enc >= 32)
        return defaultKeyRow;
    const u16 k = m_skt[m_enc];
    return KeyRow{(k >> 12) & 15, (k >> 8) & 15, u16(k & 0xFF)};
}

u16 TMCSender::encryptLocation(u16 location, const KeyRow &key)
{
    return u16(rotateRight16(location, key.rotate) ^ (key.xorValue << key.start));
}

QList<u32> TMCSender::packLabels(const QList<u32> &labels, bool encrypt, const KeyRow &key)
{
    QList<u32> words;
    quint64 acc = 0; // bits not yet in a word, right-aligned
    int accBits = 0;
    int used = 0;
    for (u32 w : labels) {
        const int label = (w >> 16) & 15;
        const int width = labelWidths[label];
        if (used + 4 + width > maxContentWords * contentBits)
            break;
        u32 value = w & 0xFFFF;
        if (encrypt && label >= 10 && label <= 13)
            value = u16(rotateRight16(u16(value), key.rotate) ^ (label << key.start));
        value &= (1u << width) - 1;
        acc = (acc << (4 + width)) | (u32(label) << width) | value;
        accBits += 4 + width;
        used += 4 + width;
        while (accBits >= contentBits) {
            accBits -= contentBits;
            words.append(u32(acc >> accBits) & ((1u << contentBits) - 1));
            acc &= (quint64(1) << accBits) - 1;
        }
    }
    if (accBits > 0)
        words.append(u32(acc << (contentBits - accBits)) & ((1u << contentBits) - 1));
    return words;
}

TMCSender::Current TMCSender::prepare(const TMCMessage &msg, bool encrypt) const
{
    Current c;
    c.duration = msg.duration & 7;
    c.flags = msg.flags & 0x1F;
    c.event = msg.event & 0x7FF;
    c.send = u8(sendState(msg));
    const KeyRow key = keyRow();
    c.location = encrypt ? encryptLocation(msg.location, key) : msg.location;
    c.words = packLabels(msg.labels, encrypt, key);
    return c;
}

TMCSender::Group TMCSender::providerName()
{
    Group g;
    const auto word = [this](int i) { return u16((u8(m_name[i]) << 8) | u8(m_name[i + 1])); };
    if (m_phase != 5) {
        g = Group{providerNameA, word(0), word(2)};
        m_phase = 5;
    } else {
        g = Group{providerNameB, word(4), word(6)};
        m_repeat = 255;
        m_phase = 0;
    }
    return g;
}

TMCSender::Group TMCSender::administration() const
{
    // Encryption administration (ISO 14819-6): service identifier with the
    // two marker bits, ENCID; the location table number in bits 15..10 of D.
    const u16 c = u16(((((m_va[1] >> 6) & 0xFF) | 0xC0) << 5) | (m_enc & 0x1F));
    const u16 d = u16((m_va[0] & 0xFFC0) << 4);
    return Group{0, c, d};
}

TMCSender::Group TMCSender::messageGroup() const
{
    const Current &m = m_current;
    const u16 eventWord = u16((m.flags << 11) | m.event);
    if (m.send == sendCancel)
        return Group{u8(singleGroup | m.duration), u16((m.flags << 11) | (m_cancel(m.event) & 0x7FF)),
                     m.location};
    if (m.words.isEmpty())
        return Group{u8(singleGroup | m.duration), eventWord, m.location};
    if (m_seq == 0)
        return Group{u8(m_ci), u16(eventWord | firstGroup), m.location};
    const int n = m.words.size();
    const u32 w = m.words[m_seq - 1];
    const u16 c = u16(((n - m_seq) << 12) | (m_seq == 1 ? secondGroup : 0) | ((w >> 16) & 0x0FFF));
    return Group{u8(m_ci), c, u16(w & 0xFFFF)};
}

bool TMCSender::startNextMessage(qint64 nowMs)
{
    m_seq = 0;
    m_current = Current();
    const bool encrypt = m_flag & flagEncrypt;
    // A rate of 0 s would send nothing but administration groups.
    const qint64 interval = qint64(qMax<int>(m_rate, 1)) * 1000;
    if (encrypt && !m_admin && nowMs - m_lastAdmin >= interval) {
        m_lastAdmin = nowMs;
        m_admin = true;
        return true;
    }
    for (++m_index; m_index < m_messages.size(); ++m_index)
        if (sendState(m_messages[m_index]) != sendNot)
            break;
    if (m_index >= m_messages.size()) {
        m_index = -1;
        m_repeat = 255;
        m_phase = 4;
        return false;
    }
    m_current = prepare(m_messages[m_index], encrypt);
    if (!m_current.words.isEmpty())
        m_ci = m_ci % 6 + 1;
    return true;
}

TMCSender::Group TMCSender::nextGroup(qint64 nowMs)
{
    if (m_messages.isEmpty() || m_phase != 0)
        return providerName();
    if (m_repeat >= repetitions()) {
        m_repeat = 0;
        m_admin = false;
        const bool done = m_current.words.isEmpty() || m_current.send == sendCancel ||
                          ++m_seq > m_current.words.size();
        if (done && !startNextMessage(nowMs))
            return providerName();
    }
    ++m_repeat;
    if (m_admin)
        return administration();
    if (m_current.send == sendNot)
        return providerName();
    return messageGroup();
}
