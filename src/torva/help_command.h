// The Help command and the help files beside the program.
#ifndef TORVA_HELP_COMMAND_H
#define TORVA_HELP_COMMAND_H

// Builds the full paths of TORVA.HLP (helpPath) and TORVA-HELP.HTM from
// the program's folder; called when the panel is created. helpPath stays
// empty where the ANSI code page cannot spell the folder.
void FindHelpFiles();

// Shows the help at its contents: TORVA.HLP in the system help viewer
// where Windows has one (XP and earlier), else TORVA-HELP.HTM in the
// user's web browser. "Help error" when it cannot be shown.
void ShowHelp();

// Tells the help viewer the program no longer needs the help file.
void ReleaseHelp();

#endif
