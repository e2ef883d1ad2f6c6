#pragma once

#include <QString>

// One request line of the remote control taken apart: command word, key and
// value. Pure; the server executes what comes out.
//
// The command is the text before the first blank in upper case; the
// arguments follow it. A key in double quotes may hold blanks, and the
// value is the text after the closing quote; otherwise the key ends at the
// first blank. A value "true" or "false" (any case) reads "1" or "0". Keys
// are normalised like every project key, except for the commands whose
// argument is a file or directory name (DIR, LIST, LS, CD, NEW, LOAD, SAVE).
struct RemoteRequest
{
    QString command;
    QString arguments;
    QString key;
    QString value;
    // The key as replies show it: normalised, with "/" turned into ".".
    QString displayKey;

    static RemoteRequest parse(const QString &line);
    static bool takesFileName(const QString &command);
};
