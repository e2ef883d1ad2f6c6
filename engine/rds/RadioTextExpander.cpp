#include "RadioTextExpander.h"

#include "RDSCharset.h"

namespace {

constexpr u8 useSongInfo = 0x08; // rtitm bit 3
constexpr int maxStart = 63;     // 6-bit start field of an item
constexpr int cacheLimit = 16;

// Song tag names by RadioText+ content type (RadioText+ content types 1 to 4,
// 10 and 11).
QString songTagName(int type)
{
    switch (type) {
    case 1: return QStringLiteral("Title");
    case 2: return QStringLiteral("Album");
    case 3: return QStringLiteral("Tracknumber");
    case 4: return QStringLiteral("Artist");
    case 10: return QStringLiteral("Comment");
    case 11: return QStringLiteral("Genre");
    default: return QString();
    }
}

} // namespace

int RadioTextExpander::placeholderDigit(QChar c, bool *itemDigit)
{
    const ushort u = c.unicode();
    int n = -1;
    if (u >= '0' && u <= '9')
        n = u - '0';
    else if (u >= 'A' && u <= 'F')
        n = u - 'A' + 10;
    if (itemDigit)
        *itemDigit = n >= 0;
    if (n < 0 && u >= 'a' && u <= 'f')
        n = u - 'a' + 10;
    return n;
}

void RadioTextExpander::setTags(const QList<RTag> &tags, u8 rtitm)
{
    if (tags == m_tags && rtitm == m_rtitm)
        return;
    m_tags = tags;
    m_rtitm = rtitm;
    m_cache.clear();
}

bool RadioTextExpander::setSongInfo(const QMap<QString, QString> &songInfo)
{
    if (songInfo == m_song)
        return false;
    m_song = songInfo;
    m_cache.clear();
    return true;
}

void RadioTextExpander::clearSongInfo()
{
    m_song.clear();
    m_cache.clear();
}

QPair<QString, bool> RadioTextExpander::resolve(const RTag &tag) const
{
    if ((m_rtitm & useSongInfo) && !m_song.isEmpty()) {
        const QString name = songTagName(tag.type);
        if (!name.isEmpty())
            return {m_song.value(name), true};
    }
    return {tag.text, false};
}

QString RadioTextExpander::tagText(const RTag &tag) const
{
    return resolve(tag).first;
}

ExpandedText RadioTextExpander::expand(const QString &text, int maxDigits) const
{
    const QPair<QString, int> key(text, maxDigits);
    auto it = m_cache.constFind(key);
    if (it != m_cache.constEnd())
        return *it;
    if (m_cache.size() >= cacheLimit)
        m_cache.clear();
    return *m_cache.insert(key, compute(text, maxDigits));
}

ExpandedText RadioTextExpander::compute(const QString &text, int maxDigits) const
{
    ExpandedText r;
    // Operator text (the literal pieces and a tag's own text) has its escapes
    // decoded; song text is taken as it is.
    const auto appendOperatorText = [&r, maxDigits](QString piece) {
        const int base = r.text.size();
        for (int p : rdsUnescape(piece, maxDigits))
            r.escapes.append(base + p);
        r.text += piece;
    };
    int pieceStart = 0;
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('$'))
            continue;
        bool itemDigit = false;
        const int n = placeholderDigit(text[i + 1], &itemDigit);
        if (n < 0 || n >= m_tags.size())
            continue;
        appendOperatorText(text.mid(pieceStart, i - pieceStart));
        const RTag &tag = m_tags[n];
        const QPair<QString, bool> tagValue = resolve(tag);
        const int start = r.text.size();
        if (tagValue.second)
            r.text += tagValue.first;
        else
            appendOperatorText(tagValue.first);
        const int length = r.text.size() - start;
        if (itemDigit && length > 0 && start <= maxStart)
            r.tags.append(RTPlusTag{u8(tag.type & 0x3F), u8(start & 0x3F), u8((length - 1) & 0x3F)});
        i += 1;
        pieceStart = i + 1;
    }
    appendOperatorText(text.mid(pieceStart));
    return r;
}
