#include "Event.h"

#include "RecordText.h"

#include <limits>

namespace {

// Section names of the commands, by type value.
struct SectionType
{
    const char *section;
    u8 type;
};
constexpr SectionType sectionTypes[] = {
    {"channel", Event::Channel}, {"audio", Event::Audio}, {"playlist", Event::Playlist},
    {"rds", Event::Rds},         {"tmc", Event::Tmc},
};

u8 typeOfSection(const QString &section)
{
    const QString lower = section.toLower();
    for (const SectionType &s : sectionTypes) {
        if (lower == QLatin1String(s.section))
            return s.type;
    }
    return Event::Other;
}

} // namespace

QString Event::toStored() const
{
    QString text = QString::number(time);
    if (!command.isEmpty())
        text += QLatin1Char(' ') + command;
    return text;
}

bool Event::fromStored(const QString &value, Event *out)
{
    const QString text = value.trimmed();
    const int space = text.indexOf(QLatin1Char(' '));
    const QString timeText = space < 0 ? text : text.left(space);
    if (!RecordText::isWholeNumber(timeText))
        return false;
    bool ok = false;
    const qulonglong ms = timeText.toULongLong(&ok);
    if (!ok || ms > std::numeric_limits<u32>::max())
        return false; // would wrap: not a time this roll can hold
    Event e;
    e.time = u32(ms);
    e.command = space < 0 ? QString() : text.mid(space + 1);
    e.deriveFromCommand();
    *out = e;
    return true;
}

void Event::deriveFromCommand()
{
    // Only the key part names section and number; dots in the value do not
    // count. Blanks before the key are no part of it.
    const QString text = command.trimmed();
    const int keyEnd = text.indexOf(QLatin1Char(' '));
    const QString key = keyEnd < 0 ? text : text.left(keyEnd);
    const int dot1 = key.indexOf(QLatin1Char('.'));
    const int dot2 = dot1 < 0 ? -1 : key.indexOf(QLatin1Char('.'), dot1 + 1);

    type = typeOfSection(dot1 < 0 ? key : key.left(dot1));
    kind = type;
    word1 = 0;
    word2 = 0;

    number = 0;
    if (dot1 >= 0) {
        const QString numberText = key.mid(dot1 + 1, dot2 < 0 ? -1 : dot2 - dot1 - 1);
        bool ok = false;
        const uint n = numberText.toUInt(&ok);
        if (ok && RecordText::isWholeNumber(numberText) && n <= std::numeric_limits<u16>::max())
            number = u16(n);
    }

    QString rest;
    if (dot2 >= 0)
        rest = text.mid(dot2 + 1);
    else if (dot1 >= 0)
        rest = text.mid(dot1 + 1);
    else
        rest = text;
    field = rest.simplified();
}
