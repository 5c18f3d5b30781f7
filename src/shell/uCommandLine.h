#pragma once

#include "model/uOBGlob.h"

#include <QString>
#include <QStringList>
#include <optional>

struct TMainSettings;

// What the program's command line asks for. The main window applies it after loading the
// settings: every value present here replaces the loaded one (and so reaches the store at the
// next save); a missing value leaves the loaded setting alone.
struct TCommandLine {
    enum class TRequest {
        Run,     // start the program (with or without an automatic start)
        Help,    // print the usage and exit
        Version, // print the version and exit
        // print the folder the program takes its branding file, logo, language modules and
        // help files from (the real program file's folder), and exit; named apart from the
        // global ProgramDir (base/uApplicationSpecifical) that it prints
        PrintProgramDir,
    };

    TRequest Request = TRequest::Run;
    // "autostart" (also "/autostart", "-autostart") was given: connect, then start measuring.
    // Without it nothing else on the command line is looked at.
    bool AutoStart = false;
    std::optional<TProtocol> Protocol;
    std::optional<QString> IP;          // a dotted IPv4 address, exactly as given
    std::optional<QString> CsvFileName; // logging switched on (silently) with this file
    std::optional<int> Interval;        // reading interval, 1 to 3600 seconds
    std::optional<int> GraphLength;     // chart history, 1 to 60 minutes
    std::optional<int> ComPort;         // n of the item "COM<n>", 1 to 255
    std::optional<int> Speed;           // one of the fixed baud rates
};

// Parses the arguments after the program name (QCoreApplication::arguments().mid(1)).
// Switch and option names match in any letter case; values keep theirs, because a file path
// on Linux is case-sensitive ("-type" values still match in any case). An option takes the
// next argument as its value whether or not the value is accepted; an option in last place
// has none and is ignored; a value that is not accepted leaves the setting unset.
// "--help", "--version" and "--program-dir" anywhere outside an option's value ask for the
// usage, the version or the program folder; the first of them counts.
TCommandLine ParseCommandLine(const QStringList &arguments);

// "autostart", "/autostart" or "-autostart" in any letter case.
bool IsAutoStartSwitch(const QString &argument);

// The dotted IPv4 check of the command line: the text as given is 7 to 15 characters long,
// and trimmed of surrounding blanks it splits at its first three dots into four parts that
// each (trimmed) are a decimal number from 0 to 255. Leading zeros are allowed.
bool IsValidIPv4(const QString &text);

// The baud rates the command line accepts: the fixed rates of the Modbus master, which
// include two (128000, 256000) that the speed list does not offer.
bool IsCommandLineSpeed(int rate);

// Puts the accepted values into the settings the frames show: the protocol, the address, CSV
// logging switched on with the file name, the interval, the chart length, the COM port and the
// speed. The frames then select as for stored values: a COM port the list lacks shows "None", a
// rate the speed list lacks (128000, 256000) its first entry.
void ApplyCommandLine(const TCommandLine &commandLine, TMainSettings &settings);

// The texts of "--help" and "--version", each ending in a line break.
QString CommandLineHelpText(const QString &programName);
QString CommandLineVersionText(const QString &programName);
