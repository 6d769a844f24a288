#include "BusPeer.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QJsonDocument>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>

namespace {

bool Owned(const std::string& name) {
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(
        QString::fromStdString(name));
}

// The bus daemon, with a configuration that lists no services to activate
// (a session bus's would start the desktop's real portal).
class TPrivateBus : public testing::Environment {
public:
    void SetUp() override {
        const std::string socket = Dir.File("bus");
        const std::string config = Dir.File("bus.conf");
        WriteFile(config, "<busconfig><type>session</type><listen>unix:path=" + socket +
                              "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                              "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                              "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>"
                              "</busconfig>");
        Daemon = std::make_unique<TProcess>(std::vector<std::string>{
            "dbus-daemon", "--config-file=" + config, "--nofork", "--nopidfile"});
        ASSERT_TRUE(WaitFor([&] { return FileExists(socket); })) << Daemon->Stderr();
        setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + socket).c_str(), 1);
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected());
    }
    void TearDown() override { Daemon.reset(); }

private:
    TTempDir Dir;
    std::unique_ptr<TProcess> Daemon;
};

[[maybe_unused]] testing::Environment* const Bus =
    testing::AddGlobalTestEnvironment(new TPrivateBus);

} // namespace

TBusPeer::TBusPeer(const std::string& script, const std::string& name,
                   const std::vector<std::string>& args)
    : Name(name) {
    std::vector<std::string> argv{"/usr/bin/python3",
                                  SNAPRIO_SOURCE_DIR "/tests/platform/wayland/session/" + script};
    argv.insert(argv.end(), args.begin(), args.end());
    Process = std::make_unique<TProcess>(argv);
    FReady = WaitFor([&] { return Owned(Name) || !Process->Running(); }) && Owned(Name);
}

TBusPeer::~TBusPeer() {
    Process.reset();
    WaitFor([&] { return !Owned(Name); });
}

std::vector<QJsonObject> TBusPeer::Calls() const {
    std::vector<QJsonObject> calls;
    std::istringstream lines(Process->Stdout());
    for (std::string line; std::getline(lines, line);) {
        const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
        if (o.contains("call")) calls.push_back(o);
    }
    return calls;
}
