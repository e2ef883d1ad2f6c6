#pragma once

#include <QDateTime>
#include <QIODevice>
#include <QString>

// rdsgroups --project: what the encoder of one RDS source (or of one
// channel) puts on air, printed in the hex line form of the tool. The source
// is read through the project model from a copy of the file, with the
// automatic AF lists and the EON entries of linked channels as the program
// computes them; the file itself is never written.
struct EncoderRun
{
    QString project;     // project file (INI)
    int source = 0;      // RDS source id; taken from the channel when 0
    int channel = 0;     // channel number; its frequency and RDS source
    double seconds = 10; // air time to print
    QDateTime start;     // time of the first slot (UTC)
    double tuneMHz = 0;  // tuning frequency for the AF lists; 0: the channel's, else 87.6
    bool rds2 = false;   // also print streams 1 to 3
    quint32 seed = 1;    // error-injection generator

    // Runs the encoder and writes one line per group to out. False with
    // *error set when the project or the source cannot be read.
    bool run(QIODevice &out, QString *error) const;
};
