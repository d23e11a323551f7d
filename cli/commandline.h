#pragma once

#include "planrun.h"
#include "protocol/gatewaysession.h"

#include <QStringList>

class ChangeJournal;
class QCommandLineParser;
class SettingsPlan;

// The program without its window: "list" prints the gateways that answer a search, "set" changes
// one gateway's settings, "apply" carries out a plan for many, "history" lists the changes on
// record in the change journal and "undo" puts back what one of them changed. Runs on
// QCoreApplication, so it needs no display; results go to stdout, everything else to stderr.
class CommandLine
{
public:
    // Part of the interface: scripts tell the outcomes apart by them.
    enum ExitCode {
        Success = 0,
        NoAnswer = 1,          // no gateway answered, or not the one named
        UsageError = 2,        // also an invalid value; nothing was sent
        PortBusy = 3,          // UDP 31337 is held by the window, another copy or the companion program
        NotConfirmed = 4,      // the gateway did not confirm the settings in time
        ValuesDiffer = 5,      // after the change the gateway reports other values, or none
        SendFailed = 6,        // the PC could not send the settings
        Refused = 7,           // a late check refused an entry, or a planned address is shared afterwards;
                               // undo: a gateway was changed again since
        JournalUnwritable = 8, // the change journal could not be written; nothing was sent
    };

    static constexpr int DefaultWaitMs = 2000;                           // replies collected per search
    static constexpr int DefaultTimeoutMs = GatewaySession::AckTimeout;  // as long as the window waits
    static constexpr int RescanDelayMs = GatewaySession::RescanInterval; // to the checking search

    // Creates the QCoreApplication and runs the command in argv; returns the exit code.
    static int run(int argc, char *argv[]);

private:
    CommandLine();

    int exec(const QStringList &arguments);
    int list(QCommandLineParser &parser, const QStringList &arguments);
    int set(QCommandLineParser &parser, const QStringList &arguments);
    int apply(QCommandLineParser &parser, const QStringList &arguments);
    int history(QCommandLineParser &parser, const QStringList &arguments);
    int undo(QCommandLineParser &parser, const QStringList &arguments);
    // Runs a plan as apply does, its sends recorded in the journal: the report, the exit code.
    int runPlan(const SettingsPlan &plan, const PlanRun::Options &options, const QString &format,
                const QString &where, ChangeJournal &journal);
    // Parses the command's options; false when the run is over (help, version or an error).
    bool parseCommand(QCommandLineParser &parser, const QStringList &arguments, int expectedPositionals,
                      int *exitCode);
    bool bindPort();
    // Lets replies come in for ms milliseconds.
    void collect(int ms);

    GatewaySession session;
};
