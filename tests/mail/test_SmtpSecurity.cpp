#include <gtest/gtest.h>

#include "mail/MailErrors.h"
#include "mail/SmtpSecurity.h"

TEST(SmtpSecurity, ExtensionsAndTheLoginChosen) {
    struct TCase {
        std::vector<std::string> Lines;
        bool StartTls;
        TAuthMechanism Mechanism;
    } cases[] = {
        {{"250-mx.example STARTTLS AUTH PLAIN"}, false, TAuthMechanism::None}, // greeting only
        {{"250-mx", "250-starttls", "250 SIZE 100"}, true, TAuthMechanism::None},
        {{"250-mx", "250-AUTH LOGIN", "250 AUTH=PLAIN"}, false, TAuthMechanism::Plain},
        {{"250-mx", "250-AUTH=LOGIN", "250 STARTTLS"}, true, TAuthMechanism::Login},
        {{"250-mx", "250 AUTH CRAM-MD5 XOAUTH2 LOGINX"}, false, TAuthMechanism::None},
        {{"250-mx", "250-AUTHPLAIN", "250-X STARTTLS"}, false, TAuthMechanism::None},
        {{"250-mx", "250 auth xoauth2 login plain"}, false, TAuthMechanism::Plain},
    };
    for (const TCase& c : cases) {
        const TSmtpExtensions ext = ParseExtensions(c.Lines);
        EXPECT_EQ(ext.StartTls, c.StartTls) << c.Lines.back();
        EXPECT_EQ(ChooseMechanism(ext), c.Mechanism) << c.Lines.back();
    }
    // RFC 4616's example: an empty authorisation identity, then user and password.
    EXPECT_EQ(PlainCredentials("tim", "tanstaaftanstaaf"), "AHRpbQB0YW5zdGFhZnRhbnN0YWFm");
    for (int s : {-1, 0, 1, 2, 3}) {
        EXPECT_EQ(SecurityOf(s), s >= 0 && s <= 2 ? s : msUnknown);
        EXPECT_EQ(SecuredMode(s), s == 1 || s == 2);
        if (SecurityOf(s) == msUnknown) {
            EXPECT_THROW(SendingSecurity(s), EMailError);
        }
    }
    EXPECT_EQ(ProposedPort(msStartTls), 587);
    EXPECT_EQ(ProposedPort(msTls), 465);
}
