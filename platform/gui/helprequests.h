#pragma once
// The application's help requests. A window or control names its help topic by a context
// number (its "HelpContext" property); F1 asks the application's help handler for the context
// of the focused control, or of its nearest parent that has one. A help system installs the
// handler; a request that no handler takes is left to the default help, which this platform
// does not have (nothing is shown). GUI thread only.

#include <cstdint>
#include <functional>

class QWidget;

// The help commands a handler receives (the classic WinHelp numbers).
inline constexpr int HELP_CONTEXT = 0x0001;
inline constexpr int HELP_QUIT = 0x0002;
inline constexpr int HELP_CONTENTS = 0x0003;
inline constexpr int HELP_HELPONHELP = 0x0004;
inline constexpr int HELP_SETCONTENTS = 0x0005;
inline constexpr int HELP_CONTEXTPOPUP = 0x0008;
inline constexpr int HELP_FORCEFILE = 0x0009;
inline constexpr int HELP_CONTEXTMENU = 0x000A;
inline constexpr int HELP_FINDER = 0x000B;
inline constexpr int HELP_WM_HELP = 0x000C;
inline constexpr int HELP_SETPOPUP_POS = 0x000D;
inline constexpr int HELP_TCARD_DATA = 0x0010;
inline constexpr int HELP_TCARD_OTHER_CALLER = 0x0011;
inline constexpr int HELP_KEY = 0x0101;
inline constexpr int HELP_COMMAND = 0x0102;
inline constexpr int HELP_PARTIALKEY = 0x0105;
inline constexpr int HELP_MULTIKEY = 0x0201;
inline constexpr int HELP_SETWINPOS = 0x0203;
inline constexpr int HELP_TCARD = 0x8000;

// The name of a help command ("HELP_CONTEXT"); "" for an unknown number.
const char* HelpCommandName(int command);

// A help handler: gets each request's command and data; clears callHelp when it took the
// request (the default help is then not asked) and returns whether the request succeeded.
using THelpEvent = std::function<bool(int command, intptr_t data, bool& callHelp)>;

// Installs the application's help handler (null: none) and returns the one it replaces. The
// first call also makes F1 a help request.
THelpEvent SetApplicationHelpHandler(THelpEvent handler);

// Asks the help handler for command with data; false when no handler took it.
bool ApplicationHelpCommand(int command, intptr_t data);
// ApplicationHelpCommand(HELP_CONTEXT, context).
bool ApplicationHelpContext(int context);

// The property that holds a widget's help context.
inline constexpr char HelpContextProperty[] = "HelpContext";
// Gives widget the help context (0: none, its parent's applies).
void SetHelpContext(QWidget* widget, int context);
// The help context of widget, else of its nearest parent with one; 0 when none has one.
int HelpContextOf(const QWidget* widget);

// A widget whose property of this name is true answers F1 itself (it may know a finer
// context than its own); F1 then reaches it as a key.
inline constexpr char OwnHelpKeyProperty[] = "OwnHelpKey";

// The help request F1 makes on widget: HELP_CONTEXT with HelpContextOf(widget) when that is
// not 0. True when a request was made and taken.
bool HelpKeyPressed(QWidget* widget);
