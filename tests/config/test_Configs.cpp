#include <algorithm>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TestSupport.h"
#include "settings/Configs.h"
#include "config/ShapeFields.h"
#include "hook/HotKeyNames.h"
#include "mail/SmtpSecurity.h"
#include "shapes/CaptureItems.h"

namespace {

ConfigRec LoadFromText(const std::string& text) {
    TTempDir dir;
    WriteFile(dir.File("SNAPRO.INI"), text);
    ConfigRec rec;
    LoadConfigFrom(rec, dir.File("SNAPRO.INI"));
    return rec;
}

int CountKeyLines(const std::string& text) {
    int n = 0;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) n += line.find('=') != std::string::npos;
    return n;
}

} // namespace

TEST(LoadConfig, MissingFileGivesTheDefaults) {
    ConfigRec c;
    c.LastSubject = "left over";
    LoadConfigFrom(c, "/nonexistent/SNAPRO.INI");
    EXPECT_EQ(c.SMTPPort, 25);
    EXPECT_EQ(c.AttachmentEncoding, 0);
    EXPECT_EQ(c.EMailFile, "capture.bmp");
    EXPECT_EQ(c.SMTPHost, "");
    EXPECT_EQ(c.WhatToCap, 0);
    EXPECT_EQ(c.Shape, 0);
    EXPECT_EQ(c.Action, 0);
    EXPECT_TRUE(c.FirstTime);
    EXPECT_EQ(c.CaptureKey, 44);
    EXPECT_EQ(HotKeyNames[c.CaptureKey], "F11");
    for (TColor col :
         {c.RoundRectShapeColor, c.RoundSquareShapeColor, c.EllipseShapeColor, c.CircleShapeColor,
          c.TriUpShapeColor, c.TriDownShapeColor, c.TriLeftShapeColor, c.TriRightShapeColor,
          c.DiamondShapeColor, c.StarShapeColor})
        EXPECT_EQ(col, 16777215);
    EXPECT_EQ(c.Poly1Color, 32896);
    EXPECT_EQ(c.Poly2Color, 4194432);
    EXPECT_EQ(c.Poly3Color, 8421440);
    EXPECT_EQ(c.Poly4Color, 16776960);
    EXPECT_EQ(c.Poly5Color, 0);
    for (TColor col : {c.RoundRectBorderColor, c.DiamondBorderColor, c.StarBorderColor,
                       c.Poly1BorderColor, c.Poly5BorderColor})
        EXPECT_EQ(col, 0);
    for (bool b : {c.RoundRectUseBorder, c.EllipseUseBorder, c.TriRightUseBorder, c.StarUseBorder,
                   c.Poly1UseBorder, c.Poly5UseBorder})
        EXPECT_TRUE(b);
    EXPECT_EQ(c.StarVector, 10);
    EXPECT_EQ(c.StarVectorSize, 56);
    EXPECT_EQ((std::vector{c.Poly1Vector, c.Poly1VectorSize, c.Poly1Angle}),
              (std::vector{12, 48, 198}));
    EXPECT_EQ((std::vector{c.Poly3Vector, c.Poly3VectorSize, c.Poly3Angle}),
              (std::vector{5, 38, 234}));
    EXPECT_EQ((std::vector{c.Poly5Vector, c.Poly5VectorSize, c.Poly5Angle}),
              (std::vector{52, 22, 90}));
    EXPECT_EQ(c.LastSubject, "");
}

TEST(LoadConfig, IntegersFollowTheParsingRules) {
    const std::pair<const char*, int32_t> cases[] = {
        {"25", 25},
        {"25a", 25},
        {"", 0},
        {"abc", 0},
        {"0x10", 16},
        {"0X1f", 31},
        {"$FF", 255},
        {"-12", -12},
        {"+7", 7},
        {"   42", 42},
        {"-0x10", -16},
        {"0x", 0},
        {"12 34", 12},
        {"4294967295", -1},
        {"99999999999999", static_cast<int32_t>(276447231)},
        {"123456789012345678", 1942892530}, // 14 characters read, wrapped
    };
    for (auto [text, want] : cases) {
        ConfigRec c = LoadFromText(std::string("[EMail]\nSMTP Port=") + text + "\n");
        EXPECT_EQ(c.SMTPPort, want) << "value '" << text << "'";
    }
}

TEST(LoadConfig, FlagsAreYesInAnyCaseOnly) {
    const std::pair<const char*, bool> cases[] = {
        {"Yes", true},   {"YES", true}, {"yEs", true}, {"  yes  ", true}, {"y", false},
        {"true", false}, {"1", false},  {"", false},   {"No", false},     {"yes please", false},
    };
    for (auto [text, want] : cases) {
        ConfigRec c = LoadFromText(std::string("[Misc]\nFirst Time=") + text + "\n");
        EXPECT_EQ(c.FirstTime, want) << "value '" << text << "'";
    }
}

TEST(LoadConfig, TextsKeepTheirFirstFiftyCharacters) {
    const std::string sixty(60, 'h');
    ConfigRec c = LoadFromText("[EMail]\nSMTP Host=" + sixty + "\n");
    EXPECT_EQ(c.SMTPHost, sixty.substr(0, 50));
    // Fifty characters, not fifty bytes: no sequence is cut in half.
    std::string umlauts;
    for (int i = 0; i < 60; ++i) umlauts += "\xC3\xA4";
    c = LoadFromText("[EMail]\nEMail Name=" + umlauts + "\n");
    EXPECT_EQ(c.EMailName, umlauts.substr(0, 100));
}

TEST(LoadConfig, PresentEmptyValuesAreNotDefaults) {
    ConfigRec c = LoadFromText("[EMail]\nSMTP Port=\nEMail File=\n[Misc]\nFirst Time=\n");
    EXPECT_EQ(c.SMTPPort, 0);
    EXPECT_EQ(c.EMailFile, "");
    EXPECT_FALSE(c.FirstTime);
}

TEST(LoadConfig, SectionsAndKeysIgnoreCaseAndTheFirstWins) {
    ConfigRec c = LoadFromText("[email]\r\nsmtp host = mail.example.org \r\nSMTP HOST=second\r\n"
                               "[EMail]\r\nSMTP Port=99\r\n[capture]\r\ncapture key=0x52\r\n");
    EXPECT_EQ(c.SMTPHost, "mail.example.org");
    EXPECT_EQ(c.SMTPPort, 25); // only the first [EMail] section is looked at
    EXPECT_EQ(c.CaptureKey, 82);
}

TEST(LoadConfig, SurvivesBinaryAndHugeInput) {
    std::string junk;
    std::mt19937 rng(7);
    for (int i = 0; i < 4096; ++i) junk += static_cast<char>(rng());
    std::string huge = "[EMail]\nSMTP Host=" + std::string(1 << 20, 'x') + "\n";
    for (const std::string& text :
         {junk, huge, std::string("[EMail]\nSMTP Port=2525"), std::string("[EMail"),
          std::string("=\n[]\n==\n[EMail]\n=5\nSMTP Port"), std::string("\0\0\0", 3)}) {
        ConfigRec c = LoadFromText(text);
        EXPECT_LE(c.SMTPHost.size(), 200u);
    }
    EXPECT_EQ(LoadFromText(huge).SMTPHost, std::string(50, 'x'));
    EXPECT_EQ(LoadFromText("[EMail]\nSMTP Port=2525").SMTPPort, 2525); // no final newline
}

TEST(SaveConfig, RoundTripsEveryPersistedField) {
    TTempDir dir;
    const std::string path = dir.File("sub/folder/SNAPRO.INI"); // folders made on first save
    std::mt19937 rng(42);
    ConfigRec out;
    LoadConfigFrom(out, path);
    // Scramble every persisted number and flag through the file's own text.
    std::string text;
    ASSERT_TRUE(SaveConfigTo(out, path));
    text = ReadFile(path);
    EXPECT_EQ(CountKeyLines(text), ConfigKeyCount);
    EXPECT_LT(text.find("[EMail]"), text.find("[Misc]"));
    EXPECT_LT(text.find("[Misc]"), text.find("[Capture]"));
    EXPECT_LT(text.find("Poly1 Color=32896"), text.find("Poly1 Border Color=0"));

    out.SMTPHost = "smtp.example.org:2525";
    out.EMailName = "Ann O. Nymous";
    out.EMailAddress = "ann@example.org";
    out.EMailFile = "shot.jpg";
    out.SMTPPort = -5;
    out.FirstTime = false;
    out.WhatToCap = 9;
    out.Poly4Angle = static_cast<int32_t>(rng());
    out.DiamondBorderColor = static_cast<int32_t>(rng());
    out.Poly5UseBorder = false;
    out.TriLeftUseBorder = false;
    out.StarVectorSize = 0;
    out.LastToPerson = "not written";
    out.LastMessageText = "nor this";
    ASSERT_TRUE(SaveConfigTo(out, path));
    text = ReadFile(path);
    EXPECT_EQ(text.find("not written"), std::string::npos);
    EXPECT_EQ(CountKeyLines(text), ConfigKeyCount);

    ConfigRec in;
    LoadConfigFrom(in, path);
    out.LastToPerson.clear();
    out.LastMessageText.clear();
    EXPECT_EQ(in.SMTPHost, out.SMTPHost);
    EXPECT_EQ(in.EMailName, out.EMailName);
    EXPECT_EQ(in.EMailFile, out.EMailFile);
    EXPECT_EQ(in.SMTPPort, -5);
    EXPECT_FALSE(in.FirstTime);
    EXPECT_EQ(in.WhatToCap, 9);
    EXPECT_EQ(in.Poly4Angle, out.Poly4Angle);
    EXPECT_EQ(in.DiamondBorderColor, out.DiamondBorderColor);
    EXPECT_FALSE(in.Poly5UseBorder);
    EXPECT_FALSE(in.TriLeftUseBorder);
    EXPECT_TRUE(in.TriRightUseBorder);
    EXPECT_EQ(in.StarVectorSize, 0);
    EXPECT_EQ(in.LastToPerson, "");
    // Saving what was loaded changes nothing in the file.
    ASSERT_TRUE(SaveConfigTo(in, path));
    EXPECT_EQ(ReadFile(path), text);
}

TEST(SaveConfig, EveryCaptureItemsShapeSettingsAreOwnAndPersisted) {
    // Each item's settings name persisted fields of their own, as many as its
    // kind has (62 in all), and a value put there comes back from the file.
    TTempDir dir;
    ConfigRec out;
    LoadConfigFrom(out, dir.File("none.INI"));
    std::set<const void*> seen;
    int32_t next = 1000;
    auto own = [&](auto field, int item) {
        EXPECT_TRUE(seen.insert(&(out.*field)).second) << item;
    };
    for (int item = ciScreen; item <= ciLast; ++item) {
        const TShapeFields& f = ShapeFieldsOf(item);
        const TShapeSettings kind = CaptureItems[static_cast<size_t>(item)].Settings;
        const bool colours = kind != ssNone;
        EXPECT_EQ(f.ShapeColor && f.BorderColor && f.UseBorder, colours) << item;
        EXPECT_EQ(f.Vectors && f.VectorSize, kind >= ssStar) << item;
        EXPECT_EQ(f.Angle != nullptr, kind == ssPolygon) << item;
        for (auto field : {f.ShapeColor, f.BorderColor, f.Vectors, f.VectorSize, f.Angle})
            if (field) {
                own(field, item);
                out.*field = next++;
            }
        if (f.UseBorder) {
            own(f.UseBorder, item);
            out.*f.UseBorder = item % 2 == 0;
        }
    }
    EXPECT_EQ(seen.size(), 62u);
    ASSERT_TRUE(SaveConfigTo(out, dir.File("SNAPRO.INI")));
    ConfigRec in;
    LoadConfigFrom(in, dir.File("SNAPRO.INI"));
    ConfigRec copied;
    LoadConfigFrom(copied, dir.File("none.INI"));
    CopyShapeSettings(in, copied);
    for (int item = ciScreen; item <= ciLast; ++item) {
        const TShapeFields& f = ShapeFieldsOf(item);
        for (auto field : {f.ShapeColor, f.BorderColor, f.Vectors, f.VectorSize, f.Angle}) {
            if (field) {
                EXPECT_EQ(copied.*field, out.*field) << item;
            }
        }
        if (f.UseBorder) {
            EXPECT_EQ(copied.*f.UseBorder, out.*f.UseBorder) << item;
        }
    }
}

TEST(SaveConfig, KeepsForeignLinesAndTheFilesLineEnds) {
    TTempDir dir;
    const std::string path = dir.File("SNAPRO.INI");
    WriteFile(path, "; my notes\r\n[Other]\r\nkeep=me\r\n[email]\r\nsmtp host=old\r\n"
                    "Custom=1\r\n\r\n[Window]\r\nx=3\r\n");
    ConfigRec c;
    LoadConfigFrom(c, path);
    c.SMTPHost = "new\nInjected=1"; // a value never becomes two lines
    ASSERT_TRUE(SaveConfigTo(c, path));
    const std::string text = ReadFile(path);
    EXPECT_NE(
        text.find("; my notes\r\n[Other]\r\nkeep=me\r\n[email]\r\nsmtp host=new Injected=1\r\n"),
        std::string::npos);
    EXPECT_NE(text.find("Custom=1\r\n"), std::string::npos);
    EXPECT_NE(text.find("[Window]\r\nx=3\r\n"), std::string::npos);
    EXPECT_EQ(text.find("\r\r"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
              std::count(text.begin(), text.end(), '\r'));
    EXPECT_EQ(CountKeyLines(text), ConfigKeyCount + 3);
}

TEST(SaveConfig, AFailedWriteLeavesTheOldFile) {
    TTempDir dir;
    const std::string path = dir.File("SNAPRO.INI");
    const std::string old = "[EMail]\nSMTP Host=old.example.org\n";
    WriteFile(path, old);
    // A file-size limit makes the write fail half-way, as a full disk would.
    pid_t pid = fork();
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit lim{200, 200};
        setrlimit(RLIMIT_FSIZE, &lim);
        ConfigRec c;
        LoadConfigFrom(c, path);
        c.SMTPHost = "new.example.org";
        _exit(SaveConfigTo(c, path) ? 0 : 3);
    }
    int st = 0;
    waitpid(pid, &st, 0);
    EXPECT_EQ(WEXITSTATUS(st), 3);
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1)
        << "the temporary file is cleaned up";
}

namespace {
// A folder that is read-only through a bind mount for the length of a test
// (root only; Mounted false otherwise), holding a settings file.
struct TReadOnlyFolder {
    TTempDir Dir;
    bool Written = (WriteFile(Dir.File("SNAPRO.INI"), "[EMail]\n"), true);
    bool Mounted = geteuid() == 0 && RunCommand({"mount", "--bind", Dir.Path(), Dir.Path()}) == 0 &&
                   RunCommand({"mount", "-o", "remount,bind,ro", Dir.Path()}) == 0;
    ~TReadOnlyFolder() {
        if (geteuid() == 0) RunCommand({"umount", Dir.Path()});
    }
};
} // namespace

TEST(SaveConfig, WritesThroughLinksAndSaysWhyASaveFailed) {
    // Settings linked in from elsewhere are updated where they are, and a
    // dangling link's file is created; the links stay. A save that cannot be
    // made says why, on stderr too, and leaves what was there.
    namespace fs = std::filesystem;
    TTempDir dir;
    const std::string dots = dir.File("dotfiles");
    fs::create_directory(dots);
    WriteFile(dots + "/snapro.ini", "[Mine]\nKept=1\n");
    fs::create_symlink(dots + "/snapro.ini", dir.File("linked.INI"));
    fs::create_symlink("dotfiles/new.ini", dir.File("dangling.INI"));
    fs::create_symlink("linked.INI", dir.File("twice.INI"));
    fs::create_symlink("/dev/null", dir.File("null.INI"));
    fs::create_directory(dir.File("folder.INI"));
    fs::create_symlink("/dev/full", dir.File("full.INI"));
    fs::create_symlink("loop.INI", dir.File("loop.INI"));
    TReadOnlyFolder readOnly;
    // The settings file, the file the settings reach ("" none), why the save fails ("" saved).
    std::vector<std::tuple<std::string, std::string, std::string>> cases{
        {dir.File("linked.INI"), dots + "/snapro.ini", ""},
        {dir.File("dangling.INI"), dots + "/new.ini", ""},
        {dir.File("twice.INI"), dots + "/snapro.ini", ""},
        {dir.File("null.INI"), "", ""},
        {dir.File("folder.INI"), "", "Is a directory"},
        {dir.File("full.INI"), "", "No space left on device"},
        {dir.File("loop.INI"), "", "Too many levels of symbolic links"}};
    if (readOnly.Mounted)
        cases.push_back({readOnly.Dir.File("SNAPRO.INI"), "", "Read-only file system"});
    for (const auto& [ini, lands, reason] : cases) {
        const bool link = fs::is_symlink(ini);
        ConfigRec c;
        LoadConfigFrom(c, ini);
        c.SMTPHost = "linked.example.org";
        std::string error;
        EXPECT_EQ(SaveConfigTo(c, ini, &error), reason.empty()) << ini;
        EXPECT_EQ(error,
                  reason.empty() ? "" : "Cannot save the settings to " + ini + ": " + reason);
        EXPECT_EQ(fs::is_symlink(ini), link) << ini;
        if (lands.empty()) continue;
        ConfigRec back;
        LoadConfigFrom(back, lands);
        EXPECT_EQ(back.SMTPHost, "linked.example.org") << ini;
    }
    EXPECT_EQ(ReadFile(dots + "/snapro.ini").rfind("[Mine]\nKept=1\n", 0), 0u);
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
    EXPECT_EQ(ReadFile(readOnly.Dir.File("SNAPRO.INI")), "[EMail]\n");

    // The program's own save says it on stderr and hands it on.
    const std::string ini = dir.File("folder.INI");
    const char* old = getenv("SNAPRIO_INI");
    const std::string kept = old ? old : "";
    setenv("SNAPRIO_INI", ini.c_str(), 1);
    std::vector<std::string> told;
    ConfigSaveFailed = [&](const std::string& text) { told.push_back(text); };
    testing::internal::CaptureStderr();
    EXPECT_FALSE(SaveConfig());
    const std::string said = testing::internal::GetCapturedStderr();
    ConfigSaveFailed = nullptr;
    old ? setenv("SNAPRIO_INI", kept.c_str(), 1) : unsetenv("SNAPRIO_INI");
    const std::string text = "Cannot save the settings to " + ini + ": Is a directory";
    EXPECT_EQ(said, "snaprio: " + text + "\n");
    EXPECT_EQ(told, std::vector<std::string>{text});
}

TEST(LoadConfig, OnePairOfEnclosingQuotesIsDropped) {
    const std::pair<const char*, const char*> cases[] = {
        {"\"mail.example.org\"", "mail.example.org"},
        {"'mail.example.org'", "mail.example.org"},
        {"  \"spaced\"  ", "spaced"},
        {"\"\"", ""},
        {"\"\"twice\"\"", "\"twice\""},
        {"\"mixed'", "\"mixed'"},
        {"\"", "\""},
        {"in \"the\" middle", "in \"the\" middle"},
    };
    for (auto [text, want] : cases)
        EXPECT_EQ(LoadFromText(std::string("[EMail]\nSMTP Host=") + text + "\n").SMTPHost, want)
            << text;
    ConfigRec c = LoadFromText("[Misc]\nFirst Time=\"Yes\"\n[EMail]\nSMTP Port='2525'\n");
    EXPECT_TRUE(c.FirstTime);
    EXPECT_EQ(c.SMTPPort, 2525);
    // Texts that reading would change are written so that they come back.
    TTempDir dir;
    for (const char* text : {"\"Bob\"", "'x'", " padded ", "\"", "plain"}) {
        c.EMailName = text;
        ASSERT_TRUE(SaveConfigTo(c, dir.File("SNAPRO.INI")));
        ConfigRec back;
        LoadConfigFrom(back, dir.File("SNAPRO.INI"));
        EXPECT_EQ(back.EMailName, text);
    }
    EXPECT_NE(ReadFile(dir.File("SNAPRO.INI")).find("EMail Name=plain\n"), std::string::npos);
}

TEST(SaveConfig, AKilledSaveLeavesNoTemporaryFileForLong) {
    TTempDir dir;
    const std::string path = dir.File("SNAPRO.INI");
    // An orphan of our own pattern goes at the next save; other files stay.
    for (const char* name :
         {"SNAPRO.INI.a1B2c3", "SNAPRO.INI.bak", "SNAPRO.INI.a1B2c34", "x.a1B2c3"})
        WriteFile(dir.File(name), "x");
    std::mt19937 rng(3);
    ConfigRec c;
    LoadConfigFrom(c, path);
    c.LastMessageText.clear();
    // Saves killed at random moments, as a session end might do.
    for (int i = 0; i < 30; ++i) {
        pid_t pid = fork();
        if (pid == 0) {
            for (;;) SaveConfigTo(c, path);
        }
        usleep(200 + rng() % 3000);
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    c.SMTPHost = "last.example.org";
    ASSERT_TRUE(SaveConfigTo(c, path));
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"SNAPRO.INI", "SNAPRO.INI.a1B2c34", "SNAPRO.INI.bak",
                                               "x.a1B2c3"}));
    ConfigRec back;
    LoadConfigFrom(back, path);
    EXPECT_EQ(back.SMTPHost, "last.example.org");
}

TEST(SaveConfig, SecurityAndUserNameAppearOnlyOnceUsed) {
    TTempDir dir;
    const std::string path = dir.File("SNAPRO.INI");
    ConfigRec c;
    LoadConfigFrom(c, path);
    EXPECT_EQ(c.Security, 0);
    EXPECT_EQ(c.UserName, "");
    // Each step: the values saved, the key lines then, what loads back.
    struct TStep {
        int32_t Security;
        const char* User;
        int Keys;
    } steps[] = {{0, "", ConfigKeyCount},
                 {2, "", ConfigKeyCount + 1},
                 {1, "ann@example.org", ConfigKeyCount + 2},
                 {0, "", ConfigKeyCount + 2}}; // once there, kept and set back
    for (const TStep& s : steps) {
        c.Security = s.Security;
        c.UserName = s.User;
        ASSERT_TRUE(SaveConfigTo(c, path));
        EXPECT_EQ(CountKeyLines(ReadFile(path)), s.Keys) << s.Security << s.User;
        ConfigRec in;
        LoadConfigFrom(in, path);
        EXPECT_EQ(in.Security, s.Security);
        EXPECT_EQ(in.UserName, s.User);
    }
    EXPECT_NE(ReadFile(path).find("[EMail]\nSMTP Host="), std::string::npos);
    EXPECT_EQ(LoadFromText("[email]\nsecurity=2\nuser name=bob\n").UserName, "bob");
}

TEST(LoadConfig, SecurityIsReadExactlyAndLoginsKeepTheirLength) {
    const struct {
        const char* Text;
        int32_t Security;
    } rows[] = {{"0", msNone},
                {"1", msStartTls},
                {"2", msTls},
                {"", msNone},
                {"3", msUnknown},
                {"-1", msUnknown},
                {"STARTTLS", msUnknown},
                {"TLS", msUnknown},
                {"yes", msUnknown},
                {"1;", msUnknown},
                {"\" 1 \"", msUnknown},
                {"0x1", msUnknown},
                {"4294967297", msUnknown}};
    for (const auto& r : rows)
        EXPECT_EQ(LoadFromText(std::string("[EMail]\nSecurity=") + r.Text + "\n").Security,
                  r.Security)
            << r.Text;

    // Saved again, the unknown value keeps its words and the login its length.
    TTempDir dir;
    const std::string path = dir.File("SNAPRO.INI");
    const std::string login =
        "a.very.long.name.at.the.office" + std::string(17, 'x') + "@example.org.uk";
    ASSERT_EQ(login.size(), 62u);
    WriteFile(path, "[EMail]\nSecurity=STARTTLS\nUser Name=" + login + "\n");
    ConfigRec c;
    LoadConfigFrom(c, path);
    EXPECT_EQ(c.UserName, login);
    ASSERT_TRUE(SaveConfigTo(c, path));
    EXPECT_NE(ReadFile(path).find("\nSecurity=STARTTLS\n"), std::string::npos) << ReadFile(path);
    ConfigRec back;
    LoadConfigFrom(back, path);
    EXPECT_EQ(back.Security, msUnknown);
    EXPECT_EQ(back.UserName, login);
    EXPECT_EQ(LoadFromText("[EMail]\nEMail Name=" + login + "\n").EMailName, login.substr(0, 50))
        << "the older fields keep their 50 characters";
}
