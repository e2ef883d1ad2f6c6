#include "RDSGroupText.h"

#include "RDSCoding.h"

QByteArray rdsGroupHexLine(const u8 group[13], int stream)
{
    const RDSBlocks blocks = unpackGroup(group);
    QByteArray line;
    if (stream >= 1 && stream <= 3)
        line = "#S" + QByteArray::number(stream) + ' ';
    for (int k = 0; k < 4; ++k) {
        if (k > 0)
            line += ' ';
        if (rdsBlockValid(blocks, k))
            line += QByteArray::number(blocks.info[k], 16).rightJustified(4, '0').toUpper();
        else
            line += "----";
    }
    return line;
}

int takeRdsStreamPrefix(QByteArray &line)
{
    const QByteArray t = line.trimmed();
    if (t.size() >= 4 && t.startsWith("#S") && t.at(2) >= '1' && t.at(2) <= '3'
        && (t.at(3) == ' ' || t.at(3) == '\t')) {
        const int stream = t.at(2) - '0';
        line = t.mid(4);
        return stream;
    }
    return 0;
}
