#pragma once

#include "RTag.h"
#include "Types.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

// One RadioText+ item of a text: content type, start position and length
// minus one (RadioText+ group, IEC 62106 ODA 0x4BD7).
struct RTPlusTag
{
    u8 type = 0;
    u8 start = 0;
    u8 lengthMinus1 = 0;
    bool operator==(const RTPlusTag &o) const
    {
        return type == o.type && start == o.start && lengthMinus1 == o.lengthMinus1;
    }
};

// A RadioText or eRT text as it is sent: placeholders replaced, escapes
// decoded, with the positions of the characters made by escapes and the
// RadioText+ items found in this very text.
struct ExpandedText
{
    QString text;
    QList<int> escapes;
    QList<RTPlusTag> tags;
};

// Expands the placeholders $0..$F of RadioText and eRT into the texts of the
// source's RadioText+ tags (or the song information that stands for them)
// and decodes the operator's escapes. Song texts go on air as they are: a '#'
// in a song tag stays a '#'.
//
// Owned by its RDSEncoder and used in the board thread under the encoder's
// lock; the expansion cache is only touched by that thread. Not thread-safe
// itself.
class RadioTextExpander
{
public:
    // The tag number of the placeholder digit after '$': 0..9 and A..F (then
    // *itemDigit is true: the text also carries a RadioText+ item) or a..f
    // (plain replacement); -1 for any other character.
    static int placeholderDigit(QChar c, bool *itemDigit = nullptr);

    void setTags(const QList<RTag> &tags, u8 rtitm);
    // True when the map differs from the one held (and was taken).
    bool setSongInfo(const QMap<QString, QString> &songInfo);
    void clearSongInfo();
    bool hasSongInfo() const { return !m_song.isEmpty(); }
    const QMap<QString, QString> &songInfo() const { return m_song; }
    const QList<RTag> &tags() const { return m_tags; }

    // The text the tag stands for now: with rtitm bit 3 and song information,
    // the song tag of its content type (1 Title, 2 Album, 3 Tracknumber,
    // 4 Artist, 10 Comment, 11 Genre; empty when the song has none); else the
    // tag's own text.
    QString tagText(const RTag &tag) const;

    // The expansion of text with escapes of up to maxDigits hex digits.
    // A $n whose n is a digit or an upper-case hex letter naming a tag with a
    // non-empty text starting at position 63 or before becomes an item.
    // Results are cached until tags or song information change.
    ExpandedText expand(const QString &text, int maxDigits) const;

private:
    ExpandedText compute(const QString &text, int maxDigits) const;
    // The tag's text with its flag: true when it came from the song.
    QPair<QString, bool> resolve(const RTag &tag) const;

    QList<RTag> m_tags;
    u8 m_rtitm = 11;
    QMap<QString, QString> m_song;
    mutable QHash<QPair<QString, int>, ExpandedText> m_cache;
};
