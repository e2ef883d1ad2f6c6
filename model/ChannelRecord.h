#pragma once

#include "Types.h"

#include <QString>

// The settings of one channel as read from the keys of its group
// "channel.N" (N = 1..96). A plain value, copied freely; the project model
// reads it from the file on every request and caches nothing.
struct ChannelRecord
{
    qint32 ch = 0;      // channel number 1..96
    u8 used = 0;        // channel switched on
    u8 mute = 0;        // audio muted
    u8 mono = 0;        // 1 mono, 0 stereo
    double freq = 0.0;  // carrier frequency, MHz
    qint8 gain = 0;     // channel gain in dB, 0 (full power) down to -60
    u8 volm = 40;       // audio PCM volume, linear
    qint32 idaudio = 0; // id of the audio source, 0 = none
    qint32 idrds = 0;   // id of the RDS source, 0 = none
    qint32 devi = 75;   // deviation, kHz
    qint32 emph = 1;    // pre-emphasis: 0 none, 1 50 us, 2 75 us
    qint32 rate = 44100; // sample rate, Hz (32000, 44100, 48000)
    u8 autoRate = 0;    // key "auto": change the sample rate on song change
    double aof = 0.0;   // channel attenuation offset (file holds aof x 100)
    QString att;        // channel attenuation unit

    // The record of channel ch before any key is read: the defaults, with
    // ch and its default frequency filled in.
    static ChannelRecord defaults(int ch);

    // Default carrier frequency of channel ch in MHz, used when its "freq"
    // key is missing: a spread over the band that differs from board to
    // board, so that a fresh project has no two channels on one frequency.
    static double defaultFreq(int ch);
    // The same in units of 0.1 MHz (875 = 87.5 MHz).
    static int defaultFreqTenths(int ch);

    // The stored form of the attenuation offset: aof x 100 rounded to the
    // nearest integer, halves upward (-0.125 gives -12), held to the range
    // of a 32-bit integer.
    static qint32 aofToStored(double aof);

    bool operator==(const ChannelRecord &o) const;
    bool operator!=(const ChannelRecord &o) const { return !(*this == o); }
};
