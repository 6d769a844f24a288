// The mail command as a program of its own beside the front: the front hands
// --mail to it (exec) so that --help, --version and --convert keep loading
// neither the mail core's TLS and Secret Service libraries nor Qt.
#include "cli/mail/MailCommand.h"

int main(int argc, char** argv) {
    return MailCommand(argc, argv);
}
