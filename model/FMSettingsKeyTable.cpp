#include "FMSettings.h"

#include <QCoreApplication>
#include <QMap>
#include <QReadWriteLock>

// The key descriptor table: every key that a remote client or the event roll
// may set, keyed by generic key. The help lines and error texts built from it
// are compared character by character by remote clients: keep the texts as
// they are.

namespace {

struct KeyRow
{
    const char *key;
    int type;
    double min;
    double max;
    double step;
    const char *unit; // UTF-8
    const char *description;
};

// clang-format off
constexpr KeyRow keyRows[] = {
    {"channel.freq", KeyDesc::Double, 76.0, 108.0, 0.05, "MHz", QT_TRANSLATE_NOOP("FMSettings", "channel transmission frequency")},
    {"channel.used", KeyDesc::Integer, 0.0, 1.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "toggle channel (on/off)")},
    {"channel.mute", KeyDesc::Integer, 0.0, 1.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "mute audio")},
    {"channel.mono", KeyDesc::Integer, 0.0, 1.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "channel is 1=mono or 0=stereo")},
    {"channel.gain", KeyDesc::Integer, -60.0, 0.0, 1.0, "dB", QT_TRANSLATE_NOOP("FMSettings", "channel gain 0 (full power) to -60 (noise-floor)")},
    {"channel.volm", KeyDesc::Integer, 0.0, 100.0, 0.0, "%", QT_TRANSLATE_NOOP("FMSettings", "channel audio pcm volume (linear)")},
    {"channel.devi", KeyDesc::Integer, 0.0, 130.0, 1.0, "kHz", QT_TRANSLATE_NOOP("FMSettings", "channel deviation")},
    {"channel.emph", KeyDesc::Integer, 0.0, 2.0, 0.0, "µs", QT_TRANSLATE_NOOP("FMSettings", "channel preemphasis 0=none 1=50us 2=75us")},
    {"channel.rate", KeyDesc::Integer, 32000.0, 48000.0, 0.0, "Hz", QT_TRANSLATE_NOOP("FMSettings", "channel sample rate (32000, 44100, 48000)")},
    {"channel.auto", KeyDesc::Integer, 0.0, 1.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "auto sample rate change on song change")},
    {"channel.aof", KeyDesc::Double, -1000.0, 1000.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "channel attenuation offset")},
    {"channel.att", KeyDesc::String, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "channel attenuation unit")},
    {"channel.rds", KeyDesc::String, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "channel rds file for replay")},
    {"channel.idrds", KeyDesc::IdLink, -2147483648.0, 2147483647.0, 0.0, "rds", QT_TRANSLATE_NOOP("FMSettings", "channel rds source id")},
    {"channel.idaudio", KeyDesc::IdLink, 0.0, 2147483647.0, 0.0, "audio", QT_TRANSLATE_NOOP("FMSettings", "channel audio source id")},
    {"audio.type", KeyDesc::Integer, 0.0, 2.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "audio type 0=sinus 1=ramp 2=file")},
    {"audio.used", KeyDesc::Integer, 0.0, 1.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "audio source enabled/disabled")},
    {"audio.frq1", KeyDesc::Integer, 10.0, 22000.0, 0.0, "Hz", QT_TRANSLATE_NOOP("FMSettings", "first frequency for sinus/ramp")},
    {"audio.frq2", KeyDesc::Integer, 10.0, 22000.0, 0.0, "Hz", QT_TRANSLATE_NOOP("FMSettings", "second frequency for sinus/ramp")},
    {"audio.vol1", KeyDesc::Integer, 0.0, 100.0, 0.0, "%", QT_TRANSLATE_NOOP("FMSettings", "first volume for sinus/ramp")},
    {"audio.vol2", KeyDesc::Integer, 0.0, 100.0, 0.0, "%", QT_TRANSLATE_NOOP("FMSettings", "second volume for sinus/ramp")},
    {"audio.time", KeyDesc::Integer, 1.0, 60.0, 0.0, "s", QT_TRANSLATE_NOOP("FMSettings", "ramp duration")},
    {"audio.file", KeyDesc::String, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "audio file/playlist name")},
    {"audio.name", KeyDesc::String, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "audio source name")},
    {"playlist.name", KeyDesc::String, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "playlist name")},
    {"playlist.", KeyDesc::String | KeyDesc::List, 0.0, 0.0, 1.0, "", QT_TRANSLATE_NOOP("FMSettings", "playlist file")},
    {"rds.used", KeyDesc::Integer, 0.0, 1.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds source enabled/disabled")},
    {"rds.name", KeyDesc::String, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds source name")},
    {"rds.lps", KeyDesc::String, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds long program service name")},
    {"rds.ps", KeyDesc::String, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds program service name")},
    {"rds.pi", KeyDesc::Hex, 0.0, 65535.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds program identifier")},
    {"rds.tp", KeyDesc::Integer, 0.0, 1.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds traffic program bit")},
    {"rds.ta", KeyDesc::Integer, 0.0, 1.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds traffic announce bit")},
    {"rds.ms", KeyDesc::Integer, 0.0, 1.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds music speech bit")},
    {"rds.pty", KeyDesc::Integer, 0.0, 31.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds program type")},
    {"rds.dec", KeyDesc::Integer, 0.0, 15.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds decoder bits &1:stereo &2:artificial &4:compressed &8:dynPTY")},
    {"rds.rttag.", KeyDesc::None | KeyDesc::List, 0.0, 0.0, 2.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds radio text tag")},
    {"rds.rta", KeyDesc::String, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds radio text A (group 2)")},
    {"rds.rtb", KeyDesc::String, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds radio text B (group 2)")},
    {"rds.rtc", KeyDesc::String, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds enhanced radio text C")},
    {"rds.rtd", KeyDesc::String, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds enhanced radio text D")},
    {"rds.pn1", KeyDesc::String, 0.0, 8.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds program type name 1")},
    {"rds.pn2", KeyDesc::String, 0.0, 8.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds program type name 2")},
    {"rds.tmcsi", KeyDesc::IdLink, 0.0, 50.0, 0.0, "tmc", QT_TRANSLATE_NOOP("FMSettings", "rds tmc source id")},
    {"rds.tmgap", KeyDesc::Integer, 0.0, 1.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds tmc force gap")},
    {"rds.rtgrp", KeyDesc::Integer, 0.0, 255.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds radio text plus ODA group")},
    {"rds.rtitm", KeyDesc::Integer, 0.0, 255.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds radio text plus items bits")},
    {"rds.rtbit", KeyDesc::Integer, 0.0, 65535.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds radio text plus message bits")},
    {"rds.boml", KeyDesc::Integer, 0.0, 255.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds &1=prepend BOM for LongPS")},
    {"rds.rtxt", KeyDesc::Integer, 0.0, 255.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds &1=use radio text, &2=use enhanced radio text, &4=use BOM (if supported by encoding), &16 toggle AB-Bit; &64 send group 3 for eRT, &128 send group 3 for RT+")},
    {"rds.rtxg", KeyDesc::Integer, 0.0, 255.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds radio text sending in group 0=2A 1=2B 2=2A+2B")},
    {"rds.ertg", KeyDesc::Integer, 0.0, 255.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds enhanced radio text group")},
    {"rds.ertb", KeyDesc::Integer, 0.0, 65535.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds enhanced radio text message bits")},
    {"rds.eaid", KeyDesc::Integer, 0.0, 65535.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds enhanced radio text AID (group 3)")},
    {"rds.paid", KeyDesc::Integer, 0.0, 65535.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds radio text plus AID (group 3)")},
    {"rds.pss", KeyDesc::Integer, 0.0, 255.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds PS scroll mode &8=scroll >>4+1=repeat &7=rate")},
    {"rds.afu", KeyDesc::Integer, 0.0, 15.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds AF bits: &1=use &2=auto &4=manual &8=A/B")},
    {"rds.af", KeyDesc::Integer | KeyDesc::List, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds automatic AF list (* 0.1 = MHz/kHz)")},
    {"rds.afs", KeyDesc::Integer | KeyDesc::List, -16100.0, 16100.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds manual AF list (* 0.1 = MHz/kHz)")},
    {"rds.afr", KeyDesc::Integer | KeyDesc::List, -16100.0, 16100.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds regional AF list (for method B)")},
    {"rds.rpa", KeyDesc::Integer, 0.0, 255.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds radio text A repeat")},
    {"rds.rpb", KeyDesc::Integer, 0.0, 255.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds radio text B repeat")},
    {"rds.rpc", KeyDesc::Integer, 0.0, 255.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds radio text C repeat")},
    {"rds.rpd", KeyDesc::Integer, 0.0, 255.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds radio text D repeat")},
    {"rds.enc", KeyDesc::String, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds encoding for enhanced radio text")},
    {"rds.crt", KeyDesc::String, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds encoding for standard radio text (E.1)")},
    {"rds.clps", KeyDesc::String, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds encoding for LongPS (UTF-8)")},
    {"rds.enda", KeyDesc::Integer, 0.0, 255.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds radio text A end char")},
    {"rds.endb", KeyDesc::Integer, 0.0, 255.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds radio text B end char")},
    {"rds.endc", KeyDesc::Integer, 0.0, 255.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds radio text C end char")},
    {"rds.endd", KeyDesc::Integer, 0.0, 255.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds radio text D end char")},
    {"rds.endl", KeyDesc::Integer, 0.0, 255.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds LongPS end char")},
    {"rds.endx", KeyDesc::Integer, 0.0, 15.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds append end char to radio text A-D and LongPS")},
    {"rds.rp1", KeyDesc::Integer, 0.0, 255.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds program type 1 repeat")},
    {"rds.rp2", KeyDesc::Integer, 0.0, 255.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds program type 2 repeat")},
    {"rds.zone", KeyDesc::Integer, -31.0, 31.0, 0.0, "x 30 min", QT_TRANSLATE_NOOP("FMSettings", "rds group 4A local time offset in half hours (UTC+1 = 2)")},
    {"rds.mins", KeyDesc::Integer, -960.0, 960.0, 0.0, "min", QT_TRANSLATE_NOOP("FMSettings", "rds group 4 minute offset")},
    {"rds.days", KeyDesc::Integer, 0.0, 73048.0, 0.0, "d", QT_TRANSLATE_NOOP("FMSettings", "rds group 4 fix date in days since 1.3.1900")},
    {"rds.date", KeyDesc::Integer, 0.0, 1.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds group 4 use 0=date of today, 1=fix date from days")},
    {"rds.err", KeyDesc::Integer, 0.0, 255.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds error gen 0=invert, 1=set to 0, 2=set to 1, &128=on")},
    {"rds.ber", KeyDesc::Integer, 0.0, 100.0, 0.0, "%", QT_TRANSLATE_NOOP("FMSettings", "rds error gen bit error rate")},
    {"rds.fix", KeyDesc::Integer, 0.0, 255.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds error gen fix 1=checkword | 2=group | 4=PI | &128=exact ber bits per group")},
    {"rds.gmin.", KeyDesc::Integer | KeyDesc::List, -685.0, 685.0, 5.0, "G/min", QT_TRANSLATE_NOOP("FMSettings", "rds group stream rates [0=off|1=on] S1 S2 S3 S4")},
    {"rds.0", KeyDesc::Integer, -685.0, 685.0, 0.0, "G/min", QT_TRANSLATE_NOOP("FMSettings", "rds group 0A or 0B stream1 rate (deprecated, use gmin)")},
    {"rds.2", KeyDesc::Integer, -685.0, 685.0, 0.0, "G/min", QT_TRANSLATE_NOOP("FMSettings", "rds group 2A or 2B stream1 rate (deprecated, use gmin)")},
    {"rds.1", KeyDesc::Integer, -685.0, 685.0, 0.0, "G/min", QT_TRANSLATE_NOOP("FMSettings", "rds group 1A rate for stream1 only (deprecated, use gmin)")},
    {"rds.3", KeyDesc::Integer, -685.0, 685.0, 0.0, "G/min", QT_TRANSLATE_NOOP("FMSettings", "rds group 3A rate for stream1 only (deprecated, use gmin)")},
    {"rds.4", KeyDesc::Integer, -685.0, 685.0, 0.0, "G/min", QT_TRANSLATE_NOOP("FMSettings", "rds group 4A rate for stream1 only (deprecated, use gmin)")},
    {"rds.5", KeyDesc::Integer, -685.0, 685.0, 0.0, "G/min", QT_TRANSLATE_NOOP("FMSettings", "rds group 5A rate for stream1 only (deprecated, use gmin)")},
    {"rds.6", KeyDesc::Integer, -685.0, 685.0, 0.0, "G/min", QT_TRANSLATE_NOOP("FMSettings", "rds group 6A rate for stream1 only (deprecated, use gmin)")},
    {"rds.7", KeyDesc::Integer, -685.0, 685.0, 0.0, "G/min", QT_TRANSLATE_NOOP("FMSettings", "rds group 7A rate for stream1 only (deprecated, use gmin)")},
    {"rds.8", KeyDesc::Integer, -685.0, 685.0, 0.0, "G/min", QT_TRANSLATE_NOOP("FMSettings", "rds group 8A rate for stream1 only (deprecated, use gmin)")},
    {"rds.9", KeyDesc::Integer, -685.0, 685.0, 0.0, "G/min", QT_TRANSLATE_NOOP("FMSettings", "rds group 9A rate for stream1 only (deprecated, use gmin)")},
    {"rds.10", KeyDesc::Integer, -685.0, 685.0, 0.0, "G/min", QT_TRANSLATE_NOOP("FMSettings", "rds group 10A rate for stream1 only (deprecated, use gmin)")},
    {"rds.11", KeyDesc::Integer, -685.0, 685.0, 0.0, "G/min", QT_TRANSLATE_NOOP("FMSettings", "rds group 11A rate for stream1 only (deprecated, use gmin)")},
    {"rds.12", KeyDesc::Integer, -685.0, 685.0, 0.0, "G/min", QT_TRANSLATE_NOOP("FMSettings", "rds group 12A rate for stream1 only (deprecated, use gmin)")},
    {"rds.13", KeyDesc::Integer, -685.0, 685.0, 0.0, "G/min", QT_TRANSLATE_NOOP("FMSettings", "rds group 13A rate for stream1 only (deprecated, use gmin)")},
    {"rds.14", KeyDesc::Integer, -685.0, 685.0, 0.0, "G/min", QT_TRANSLATE_NOOP("FMSettings", "rds group 14A rate for stream1 only (deprecated, use gmin)")},
    {"rds.15", KeyDesc::Integer, -685.0, 685.0, 0.0, "G/min", QT_TRANSLATE_NOOP("FMSettings", "rds group 15A rate for stream1 only (deprecated, use gmin)")},
    {"rds.buc1", KeyDesc::Integer, 0.0, 100.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds 15B TA on burst count")},
    {"rds.buc2", KeyDesc::Integer, 0.0, 100.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds 15B TA off burst count")},
    {"rds.but1", KeyDesc::Integer, 0.0, 100.0, 0.0, "dsec", QT_TRANSLATE_NOOP("FMSettings", "rds 15B TA on burst time")},
    {"rds.but2", KeyDesc::Integer, 0.0, 100.0, 0.0, "dsec", QT_TRANSLATE_NOOP("FMSettings", "rds 15B TA off burst time")},
    {"rds.eoc1", KeyDesc::Integer, 0.0, 100.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds eon TA on burst count")},
    {"rds.eoc2", KeyDesc::Integer, 0.0, 100.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds eon TA off burst count")},
    {"rds.eot1", KeyDesc::Integer, 0.0, 100.0, 0.0, "dsec", QT_TRANSLATE_NOOP("FMSettings", "rds eon TA on burst time")},
    {"rds.eot2", KeyDesc::Integer, 0.0, 100.0, 0.0, "dsec", QT_TRANSLATE_NOOP("FMSettings", "rds eon TA off burst time")},
    {"rds.eon.", KeyDesc::Hex | KeyDesc::List, 0.0, 0.0, 6.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds eon channel PI PTY TP TA link")},
    {"rds.eon.ps", KeyDesc::String, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds eon program service name")},
    {"rds.eon.af", KeyDesc::Integer | KeyDesc::List, 876.0, 16100.0, 0.0, "MHz", QT_TRANSLATE_NOOP("FMSettings", "rds eon alternative frequencies * 10 (958 -> 95.8 MHz)")},
    {"rds.page", KeyDesc::Integer, 0.0, 255.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds group 1 radio paging (5 bits)")},
    {"rds.slow", KeyDesc::Integer, 0.0, 65535.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds group 1 slow labeling code")},
    {"rds.pin", KeyDesc::Integer, 0.0, 65535.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds group 1 program item number")},
    {"rds.fused", KeyDesc::Integer, 0.0, 1.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds play log files on/off")},
    {"rds.files", KeyDesc::String | KeyDesc::List, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds play log file list")},
    {"rds.oda.", KeyDesc::Hex | KeyDesc::List, 0.0, 0.0, 13.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds2 ODA data: A B C D cwA cwB cwC cwD G0min G1min G2min G3min active")},
    {"rds.mode", KeyDesc::Integer, 1.0, 127.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds2 streams to use bitmask (use stream 0, 1 and 3: 1+2+8 = 11)")},
    {"tmc.used", KeyDesc::Integer, 0.0, 1.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "tmc source enabled/disabled")},
    {"tmc.name", KeyDesc::String, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "tmc source name")},
    {"tmc.flag", KeyDesc::Integer, 0.0, 255.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "tmc enable &1/8/16/32=variant 0/1/2/3, &2=tmcpro &4=skt")},
    {"tmc.rate", KeyDesc::Integer, 0.0, 255.0, 0.0, "s", QT_TRANSLATE_NOOP("FMSettings", "tmc ENCID rate (seconds between encryption administration groups)")},
    {"tmc.spn", KeyDesc::String, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "tmc service provider name")},
    {"tmc.aid", KeyDesc::Integer, 0.0, 65535.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "tmc AID application id (block 4, usually CD46)")},
    {"tmc.va0", KeyDesc::Integer, 0.0, 65535.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "tmc variant 0 data (block 3)")},
    {"tmc.va1", KeyDesc::Integer, 0.0, 65535.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "tmc variant 1 data (block 3)")},
    {"tmc.va2", KeyDesc::Integer, 0.0, 65535.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "tmc variant 2 data (block 3)")},
    {"tmc.va3", KeyDesc::Integer, 0.0, 65535.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "tmc variant 3 data (block 3)")},
    {"tmc.ltn", KeyDesc::Integer, 0.0, 63.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "tmc LTN location table number (in va0)")},
    {"tmc.sid", KeyDesc::Integer, 0.0, 63.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "tmc SID service identification (in va1)")},
    {"tmc.ltcc", KeyDesc::Hex, 0.0, 15.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "tmc location table country code (in va1)")},
    {"tmc.ltecc", KeyDesc::Hex, 0.0, 255.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "tmc location table extended country code (in va2)")},
    {"tmc.rpt", KeyDesc::Integer, 1.0, 50.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "tmc immediate group repeat")},
    {"tmc.enc", KeyDesc::Integer, 0.0, 31.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "tmc ENCID encryption id for TMCpro")},
    {"tmc.skt.", KeyDesc::Hex | KeyDesc::List, 0.0, 65535.0, 32.0, "", QT_TRANSLATE_NOOP("FMSettings", "tmc service key table")},
    {"tmc.", KeyDesc::Integer | KeyDesc::List, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "tmc duration extent event place send labels")},
    {"get", KeyDesc::None, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "usage: GET key (get value for key) example: GET rds.1.ps")},
    {"set", KeyDesc::None, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "usage: SET key value (set value for key)")},
    {"reg", KeyDesc::None, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "usage: REG key (receive key change events) example: REG rds.1")},
    {"unr", KeyDesc::None, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "usage: UNR key (unregister key, dont get change notification)")},
    {"cd", KeyDesc::None, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "usage: CD path (change directory) example: CD ..")},
    {"dir", KeyDesc::None, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "usage: DIR path mask (list files in path) example: DIR . *.fm")},
    {"list", KeyDesc::None, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "usage: LIST path mask (same as DIR) example: LIST . *.fm")},
    {"rdslog", KeyDesc::String, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "example: SET rdslog time raw data group")},
    {"modul", KeyDesc::String, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "modulator state: onair (transmitting) or offline")},
    {"board.band", KeyDesc::Integer, 0.0, 2.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "0=EU, 1=Japan, 2=Brazil")},
    {"board.attn", KeyDesc::Integer, -31.0, 0.0, 0.0, "dB", QT_TRANSLATE_NOOP("FMSettings", "attenuate HF signal")},
    {"board.gmin", KeyDesc::None, 0.0, 0.0, 0.0, "", QT_TRANSLATE_NOOP("FMSettings", "rds transmission rates are give in groups per mintue (old: dsec if key is not present)")},
};
// clang-format on

// The table is built in the GUI thread, but a lock costs nothing here and
// keeps a project built in another thread (tests, tools) from tearing it.
QReadWriteLock &tableLock()
{
    static QReadWriteLock lock;
    return lock;
}

QMap<QString, KeyDesc> &table()
{
    static QMap<QString, KeyDesc> rows;
    return rows;
}

} // namespace

void FMSettings::buildKeyTable()
{
    QWriteLocker locker(&tableLock());
    QMap<QString, KeyDesc> &rows = table();
    rows.clear();
    for (const KeyRow &row : keyRows) {
        KeyDesc desc;
        desc.type = row.type;
        desc.min = row.min;
        desc.max = row.max;
        desc.step = row.step;
        desc.unit = QString::fromUtf8(row.unit);
        desc.description = QCoreApplication::translate("FMSettings", row.description);
        rows.insert(QString::fromLatin1(row.key), desc);
    }
}

bool FMSettings::keyDesc(const QString &genericKey, KeyDesc &desc)
{
    QReadLocker locker(&tableLock());
    const auto it = table().constFind(genericKey);
    if (it == table().constEnd())
        return false;
    desc = it.value();
    return true;
}

QStringList FMSettings::keyTableKeys()
{
    QReadLocker locker(&tableLock());
    return table().keys();
}

void FMSettings::setFreqRange(int band)
{
    QWriteLocker locker(&tableLock());
    const auto it = table().find(QStringLiteral("channel.freq"));
    if (it == table().end())
        return;
    switch (band) {
    case 1: // Japan
        it->min = 76.0;
        it->max = 95.0;
        break;
    case 2: // wide (Brazil)
        it->min = 76.0;
        it->max = 108.0;
        break;
    default: // Europe
        it->min = 87.5;
        it->max = 108.0;
        break;
    }
}
