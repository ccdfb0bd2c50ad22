#pragma once
// The program's main block: one instance per user (a later start hands its request to the
// running one and ends), the engine's process-wide set-up, the main window and the event loop.
//
// Command line: tockwell [data file] [--quit] [--exit-when-painted] [-debug]. "--quit" asks the
// running instance to exit, waits until it has ended and starts nothing; "--exit-when-painted"
// ends the program as soon as its main window has painted itself with the data file's content
// (for timing the start); "-debug" (or "/debug") writes the help system's debug log. Any other
// parameter that begins with "-" is refused: the program lists its switches and ends with
// UsageExitCode.

#include <string>
#include <vector>

class TfrmMain;

// What a later start asks the running instance, and the running instance's answers.
inline constexpr char ActivateRequest[] = "activate"; // show the main window, expanded
inline constexpr char QuitRequest[] = "quit";         // the Exit command
inline constexpr char DoneAnswer[] = "ok";
inline constexpr char StartingAnswer[] = "starting"; // the main window does not exist yet
inline constexpr char UnknownAnswer[] = "unknown";

// How long a later start waits for the running instance's answer, in milliseconds.
inline constexpr int InstanceAnswerTimeoutMs = 5000;
// "--quit": how long it waits for the answer before it sends SIGTERM instead, and how long in
// all for the running instance to end, in milliseconds.
inline constexpr int QuitAnswerTimeoutMs = 2000;
inline constexpr int QuitWaitMs = 15000;
// How long the program may take to end after it was asked to before the exit watchdog ends
// it, in milliseconds.
inline constexpr int ExitGraceMs = 3000;

// The settings key and value that let several instances run at once (only its existence
// counts).
inline constexpr char DebugSettingsKey[] = "Software\\Fernhollow\\Tockwell\\Settings\\Debug";
inline constexpr char AllowMultipleInstancesValue[] = "AllowMultipleInstances";

class TSingleInstance;

// The exit code of a start with a parameter the program does not know.
inline constexpr int UsageExitCode = 2;

// main's parameters (argv without the program) without the options that Qt's application
// object takes off the command line itself ("-style fusion", "--platform offscreen",
// "-reverse", ...), each with its value. Read before any application object is made, so that
// the switches are decided without a display.
std::vector<std::string> ProgramParameters(int argc, char** argv);
// The first of the parameters (ProgramParameters) that begins with "-" and is none of the
// program's switches; empty when there is none.
std::string UnknownSwitch(const std::vector<std::string>& params);
// The program's command line and switches, as told to the user (several lines).
std::string UsageText();

// "--quit" in a later start: asks the running instance to end (by request, or by SIGTERM when
// the request is not taken in time) and waits until it has ended. False, with a line on
// stderr, when it still runs after QuitWaitMs.
bool QuitRunningInstance(TSingleInstance& instance);

// Answers a later start's request on the main window (null while it is being created):
// "activate" shows it expanded and active; "quit" closes it once the answer is on its way.
std::string AnswerInstanceRequest(TfrmMain* form, const std::string& request);

// The whole program with main's arguments; returns the exit code. However it ends (but by
// the exit watchdog), a change that a failed save left unwritten is written once more at the
// end, without a box (TDataFileStore::WriteUnwrittenAtExit). A refused switch and "--quit"
// need no display.
int RunTockwell(int argc, char** argv);
