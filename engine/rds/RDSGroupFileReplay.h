#pragma once

#include "RDSLineReader.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

// Replay of group (RDS log) files: which file of a source's list is open,
// cycling through the list at each file's end, and bounded reading of its
// lines. The encoder parses the lines (RDSEncoder::replayGroup).
//
// Owned by one RDSEncoder and used only in its board thread.
class RDSGroupFileReplay
{
public:
    // Lines read per group slot at most.
    static constexpr int linesPerTurn = 66;
    // Bytes read per group slot at most (plus one line).
    static constexpr qint64 bytesPerTurn = 16384;

    // Opens or rewinds the file to replay: with one file in the list that file
    // (rewound when it is open already), with more the file after the one
    // opened last (the first after the last or when the last one is gone from
    // the list). An empty list does nothing. Only regular files are opened.
    void openNext(const QStringList &files);

    // A file is open and not at its end.
    bool hasData() const;

    // Starts the reading of one group slot (resets the byte budget).
    void beginTurn() { m_budget = bytesPerTurn; }

    // The next line of the open file within this slot's budget; false at the
    // end of the file, when the budget is used or no file is open. An over-long
    // line comes back as an empty line (it holds no group).
    bool nextLine(QByteArray &line);

    // Closes the open file and forgets its name.
    void reset();

    // Name of the file chosen last, empty after reset.
    QString fileName() const { return m_name; }

    // Whether a file was opened since the last call (the report is consumed).
    bool takeOpenedReport();

private:
    QFile m_file;
    QString m_name;
    RDSLineReader m_reader;
    qint64 m_budget = bytesPerTurn;
    bool m_opened = false;
};
