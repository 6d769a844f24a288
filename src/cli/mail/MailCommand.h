// The mail command of the command line, without Qt or X: the settings file,
// the mail core and the terminal.
#pragma once

// Sends FILE to ADDRESS as the e-mail dialog would, with the server and sender
// of the settings file. 0 once the server accepted the message, 1 on any
// failure (its text on stderr), 2 for a bad command line.
int MailCommand(int argc, char** argv);
