#include <gtest/gtest.h>

#include "TestSupport.h"
#include "mail/MailPump.h"
#include "mail/MimeTypes.h"
#include "mail/msencode.h"
#include "mail/msmsg.h"

namespace {
TmsAttItem Item(const std::string& name) {
    TmsAttItem item;
    item.SetFileName(name);
    return item;
}
std::string ValidateText(const TmsMessage& m) {
    try {
        m.Validate();
    } catch (const EMessageError& e) {
        return e.what();
    }
    return "";
}
} // namespace

TEST(AttItem, TypeAndEncodingFollowTheSystemTable) {
    EXPECT_EQ(Item("/home/u/shot.bmp").ContentType, "image/bmp");
    EXPECT_EQ(Item("/home/u/shot.bmp").Encoding, teBase64);
    EXPECT_EQ(Item("shot.JPG").ContentType, "image/jpeg");
    EXPECT_EQ(Item("shot.PNG").ContentType, "image/png");
    EXPECT_EQ(Item("notes.txt").Encoding, teQuotedPrintable);
    EXPECT_EQ(Item("page.htm").Encoding, teQuotedPrintable);
    EXPECT_EQ(Item("mail.eml").ContentType, "message/rfc822");
    EXPECT_EQ(Item("mail.eml").Encoding, te7Bit);
    for (const char* odd : {"archive.zzqx", "README", "dir.d/noext", "trailing."}) {
        EXPECT_EQ(Item(odd).ContentType, "application/octet-stream") << odd;
        EXPECT_EQ(Item(odd).Encoding, teBase64) << odd;
    }
    EXPECT_EQ(Item("/a/b/c.gif").Name(), "c.gif");
    // Another table: looked up without regard to case, first entry wins.
    TTempDir dir;
    WriteFile(dir.File("types"), "# comment\ntext/x-Mine  MINE other\ntext/later mine\n");
    SetMimeTypesFile(dir.File("types"));
    EXPECT_EQ(Item("a.mine").ContentType, "text/x-Mine");
    EXPECT_EQ(Item("a.mine").Encoding, teBase64)
        << "only the three text types are quoted-printable";
    SetMimeTypesFile("/etc/mime.types");
}

TEST(AttList, AddFileReadsTheWholeFileOrNothing) {
    TTempDir dir;
    const std::string bytes("\0\x01\xFFzz\r\n", 7);
    WriteFile(dir.File("a.bin"), bytes);
    TmsAttList list;
    list.AddFile(dir.File("a.bin"));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Items(0).Data, bytes);
    EXPECT_THROW(list.AddFile(dir.File("missing.bin")), EMailError);
    EXPECT_EQ(list.Count(), 1);
    TmsAttList copy;
    copy.Assign(list);
    list.Items(0).Data = "changed";
    EXPECT_EQ(copy.Items(0).Data, bytes) << "a deep copy";
    // A large file is read in pieces with the window kept live between them.
    std::string big(5 << 20, 'b');
    big[3 << 20] = 'x';
    WriteFile(dir.File("big.bin"), big);
    int pumps = 0;
    auto old = SetMailPump([&] { ++pumps; });
    list.AddFile(dir.File("big.bin"));
    SetMailPump(old);
    EXPECT_TRUE(list.Items(1).Data == big);
    EXPECT_GE(pumps, 4);
}

TEST(Message, ValidateNeedsSenderAndOneRealRecipient) {
    TmsMessage m;
    EXPECT_EQ(ValidateText(m), "The address of sender is required");
    m.Sender.Address = "me@example.org";
    EXPECT_EQ(ValidateText(m), "At least one Recipient, CC or BCC must be entered");
    m.Recipients.AddAddress("", "Nobody");
    EXPECT_EQ(ValidateText(m), "At least one Recipient, CC or BCC must be entered");
    m.BCC.AddAddress("hidden@example.org", "");
    EXPECT_EQ(ValidateText(m), "");
    // Addresses that would inject SMTP commands or header lines.
    for (const std::string& bad :
         {std::string("a@b.org\r\nRCPT TO:<x@y>"), std::string("a@b.org>"), std::string("<a@b.org"),
          std::string("a\n@b"), std::string("a@b.org\0x@y.org", 15)}) {
        m.CC.Clear();
        m.CC.AddAddress(bad, "");
        EXPECT_NE(ValidateText(m).find("not allowed"), std::string::npos) << bad;
    }
    m.CC.Clear();
    m.Sender.Address = "me@example.org\r\nDATA";
    EXPECT_NE(ValidateText(m).find("not allowed"), std::string::npos);
}

TEST(Message, ContentTypeComesFromTheParts) {
    TmsMessage m;
    EXPECT_EQ(TakeContentType(m), "text/plain");
    m.SetContentType("Text/HTML");
    m.Body = {"hi"};
    EXPECT_EQ(TakeContentType(m), "text/html") << "stored, lower-cased";
    auto add = [&](const std::string& name) {
        auto item = std::make_unique<TmsAttItem>();
        item->SetFileName(name);
        m.Attachments.Add(std::move(item));
    };
    add("shot.gif");
    EXPECT_EQ(TakeContentType(m), "multipart/mixed");
    m.Body.clear();
    EXPECT_EQ(TakeContentType(m), "image/gif");
    m.Attachments.Clear();
    add("/x/_HTMBODY.htm");
    EXPECT_EQ(TakeContentType(m), "text/html");
    m.Attachments.Clear();
    add("_rtfbody.rtf");
    EXPECT_EQ(TakeContentType(m), "text/rtf");
    m.Attachments.Clear();
    add("_alt.txt");
    add("_ALT.htm");
    m.Body = {"any"};
    EXPECT_EQ(TakeContentType(m), "multipart/alternative");
    m.Encoding = meUU;
    EXPECT_EQ(TakeContentType(m), "");
    m.Encoding = meMIME;
    m.Attachments.Clear();
    EXPECT_EQ(TakeContentType(m), "text/plain") << "the uuencode read emptied the stored type";
}

TEST(Message, ClearKeepsPriorityAndReceipt) {
    TmsMessage m;
    m.Priority = ptHigh;
    m.ReturnReceipt = true;
    m.Subject = "s";
    m.Encoding = meUU;
    m.CharSet = csISO8859;
    m.Recipients.AddAddress("a@b", "");
    m.Headers.Add("X-A: 1");
    m.Clear();
    EXPECT_EQ(m.Priority, ptHigh);
    EXPECT_TRUE(m.ReturnReceipt);
    EXPECT_EQ(m.Subject, "");
    EXPECT_EQ(m.Encoding, meMIME);
    EXPECT_EQ(m.CharSet, csUSASCII);
    EXPECT_EQ(m.Recipients.Count(), 0);
    EXPECT_TRUE(m.Headers.empty());
}

TEST(Headers, RemoveFieldTakesTheFirstWithItsContinuations) {
    TmsHeaders h;
    for (const char* l : {"X-Mailer: Snaprio 2000", "subject: first", " continued", "\tagain",
                          "X-Other: 1", "Subject: second"})
        h.Add(l);
    h.RemoveField("Subject");
    EXPECT_EQ(h, (TmsHeaders{{"X-Mailer: Snaprio 2000", "X-Other: 1", "Subject: second"}}));
    h.RemoveField("X-Other:");
    h.RemoveField("Nothing");
    EXPECT_EQ(h.size(), 2u);
    TmsHeaders empty;
    empty.RemoveField("Subject");
    EXPECT_TRUE(empty.empty());
}

TEST(AddressList, AddAddressCutsTo255) {
    TmsAddressList l;
    l.AddAddress(std::string(300, 'a'), std::string(300, 'n'));
    EXPECT_EQ(l.Items(0).Address.size(), 255u);
    EXPECT_EQ(l.Items(0).Name.size(), 255u);
}
