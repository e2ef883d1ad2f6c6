#include "RDSReceiver.h"

namespace {

constexpr u16 typeMask = 0xF000;
constexpr u16 versionB = 0x0800;
constexpr int blockA = 1, blockB = 2, blockC = 4, blockD = 8;

} // namespace

void RDSReceiver::reset()
{
    pi = -1;
    pty = -1;
    tp = ta = music = seenTA = false;
    di = diSeen = 0;
    ps = QByteArray(8, ' ');
    ptyn = QByteArray(8, ' ');
    rt = QByteArray(64, ' ');
    lps = QByteArray(32, '\0');
    ert = QByteArray(128, '\0');
    rtFlag = ptynFlag = rtPlusToggle = -1;
    ertGroup = rtPlusGroup = -1;
    rtPlusOnERT = false;
    rtPlus.clear();
    ertBits = -1;
    afList = AFList();
    methodBLists.clear();
    lfMfNext = false;
    afCollecting = false;
    afExpected = 0;
    afPending.clear();
}

bool RDSReceiver::isNewProgramme(const u16 block[4], u8 errors) const
{
    return !(errors & (blockA | blockB)) && block[0] != 0 && pi >= 0 && block[0] != pi;
}

void RDSReceiver::put(QByteArray &buffer, int pos, u16 word)
{
    if (pos < 0 || pos + 1 >= buffer.size())
        return;
    buffer[pos] = char(word >> 8);
    buffer[pos + 1] = char(word & 0xFF);
}

bool RDSReceiver::take(const u16 block[4], u8 errors)
{
    if (errors & blockB) {
        afCollecting = false; // it may have been a 0A group with the next AF codes
        return false;
    }
    if (!(errors & blockA)) {
        if (block[0] == 0)
            return false; // an RDS2 stream's group
        pi = block[0];
    }
    const u16 b = block[1];
    const int type = (b & typeMask) >> 12;
    const bool verB = b & versionB;
    tp = b & 0x0400;
    pty = (b >> 5) & 0x1F;
    const int code = type * 2 + (verB ? 1 : 0);
    switch (type) {
    case 0:
        basic(block, errors, type, verB);
        return true;
    case 2:
        radioText(block, errors, verB);
        return true;
    case 3:
        if (!verB)
            announce(block, errors);
        return true;
    case 10:
        if (!verB) {
            const int flag = (b >> 4) & 1;
            if (ptynFlag >= 0 && flag != ptynFlag)
                ptyn.fill(' ');
            ptynFlag = flag;
            const int pos = (b & 1) * 4;
            if (!(errors & blockC))
                put(ptyn, pos, block[2]);
            if (!(errors & blockD))
                put(ptyn, pos + 2, block[3]);
        }
        return true;
    case 15:
        if (verB) {
            basic(block, errors, type, verB);
        } else {
            const int pos = (b & 7) * 4;
            if (!(errors & blockC))
                put(lps, pos, block[2]);
            if (!(errors & blockD))
                put(lps, pos + 2, block[3]);
        }
        return true;
    default:
        break;
    }
    if (code == ertGroup)
        enhancedText(block, errors);
    else if (code == rtPlusGroup)
        rtPlusItems(block, errors);
    return true;
}

void RDSReceiver::basic(const u16 block[4], u8 errors, int type, bool verB)
{
    const u16 b = block[1];
    const int segment = b & 3;
    ta = b & 0x10;
    seenTA = true;
    music = b & 0x08;
    const int d = 3 - segment; // segment 0 carries d3, segment 3 d0
    diSeen |= 1 << d;
    if (b & 0x04)
        di |= 1 << d;
    else
        di &= ~(1 << d);
    if (type != 0)
        return;
    if (!(errors & blockD))
        put(ps, segment * 2, block[3]);
    if (verB)
        return;
    if (errors & blockC) {
        afCollecting = false;
        return;
    }
    takeAf(u8(block[2] >> 8));
    takeAf(u8(block[2] & 0xFF));
}

void RDSReceiver::takeAf(u8 code)
{
    if (code >= 224 && code <= 249) {
        // A list ends where the next one starts, also when its count was
        // not reached (a count that includes a filler for "no tuning
        // frequency").
        if (afCollecting && !afPending.isEmpty())
            finishAfList();
        afCollecting = true;
        afExpected = code - 224;
        afPending.clear();
        lfMfNext = false;
        if (afExpected == 0)
            finishAfList();
        return;
    }
    if (code == 250) {
        lfMfNext = true;
        return;
    }
    if (code == 0 || code > 204) {
        lfMfNext = false;
        return; // filler and unassigned codes
    }
    const int value = lfMfNext ? 0x100 | code : code;
    lfMfNext = false;
    if (!afCollecting)
        return;
    afPending.append(value);
    if (afPending.size() >= afExpected)
        finishAfList();
}

void RDSReceiver::finishAfList()
{
    AFList list;
    list.count = afExpected;
    const QList<int> &c = afPending;
    // Method B: after the tuning frequency, FM codes in pairs that each hold it.
    bool pairsHoldFirst = c.size() >= 3 && !(c.first() & 0x100);
    QList<QPair<int, int>> pairs;
    QList<int> lfMf;
    for (int i = 1; i < c.size() && pairsHoldFirst;) {
        if (c.at(i) & 0x100) {
            lfMf.append(c.at(i++));
            continue;
        }
        if (i + 1 >= c.size() || (c.at(i + 1) & 0x100)) {
            pairsHoldFirst = false;
            break;
        }
        const int a = c.at(i), b = c.at(i + 1);
        pairsHoldFirst = a == c.first() || b == c.first();
        pairs.append({a, b});
        i += 2;
    }
    if (pairsHoldFirst && !pairs.isEmpty()) {
        list.methodB = true;
        list.tuning = c.first();
        for (const auto &p : qAsConst(pairs)) {
            list.codes.append(p.first == list.tuning ? p.second : p.first);
            list.regional.append(p.first > p.second);
        }
        for (int code : qAsConst(lfMf)) {
            list.codes.append(code);
            list.regional.append(false);
        }
    } else {
        for (int code : c)
            if (!list.codes.contains(code))
                list.codes.append(code);
    }
    afList = list;
    if (list.methodB)
        methodBLists.insert(list.tuning, list);
    afCollecting = false;
    afPending.clear();
}

void RDSReceiver::radioText(const u16 block[4], u8 errors, bool verB)
{
    const u16 b = block[1];
    const int flag = (b >> 4) & 1;
    if (rtFlag >= 0 && flag != rtFlag)
        rt.fill(' ');
    rtFlag = flag;
    const int segment = b & 0x0F;
    if (verB) {
        if (!(errors & blockD))
            put(rt, segment * 2, block[3]);
        return;
    }
    if (!(errors & blockC))
        put(rt, segment * 4, block[2]);
    if (!(errors & blockD))
        put(rt, segment * 4 + 2, block[3]);
}

void RDSReceiver::announce(const u16 block[4], u8 errors)
{
    if (errors & blockD)
        return;
    const int app = block[1] & 0x1F;
    if (block[3] == aidERT) {
        ertGroup = app;
        if (!(errors & blockC))
            ertBits = block[2];
    } else if (block[3] == aidRTPlus) {
        rtPlusGroup = app;
        if (!(errors & blockC))
            rtPlusOnERT = block[2] & 0x2000;
    }
}

void RDSReceiver::enhancedText(const u16 block[4], u8 errors)
{
    const int pos = (block[1] & 0x1F) * 4;
    if (!(errors & blockC))
        put(ert, pos, block[2]);
    if (!(errors & blockD))
        put(ert, pos + 2, block[3]);
}

void RDSReceiver::rtPlusItems(const u16 block[4], u8 errors)
{
    if (errors & (blockC | blockD))
        return;
    const u16 b = block[1], c = block[2], d = block[3];
    const int toggle = (b >> 4) & 1;
    if (rtPlusToggle >= 0 && toggle != rtPlusToggle)
        rtPlus.clear();
    rtPlusToggle = toggle;
    const RTPlusItem items[2] = {
        {((b & 7) << 3) | (c >> 13), (c >> 7) & 0x3F, ((c >> 1) & 0x3F) + 1},
        {((c & 1) << 5) | (d >> 11), (d >> 5) & 0x3F, (d & 0x1F) + 1},
    };
    for (const RTPlusItem &item : items) {
        if (item.type == 0)
            continue;
        for (int i = 0; i < rtPlus.size(); ++i)
            if (rtPlus.at(i).type == item.type)
                rtPlus.removeAt(i--);
        rtPlus.append(item);
    }
}
