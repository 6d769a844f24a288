#include "AppSupport.h"

#include <cstring>
#include <filesystem>
#include <sstream>

#include "TestSupport.h"
#include "settings/Configs.h"

std::vector<std::array<int, 4>> VisibleWindows(const std::vector<std::string>& args) {
    std::vector<std::string> argv{"xdotool", "search", "--onlyvisible"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string ids;
    RunCommand(argv, &ids);
    std::vector<std::array<int, 4>> out;
    std::istringstream in(ids);
    for (std::string id; std::getline(in, id);) {
        std::string g;
        RunCommand({"xdotool", "getwindowgeometry", "--shell", id}, &g);
        std::array<int, 4> v{};
        const char* keys[] = {"X=", "Y=", "WIDTH=", "HEIGHT="};
        for (int i = 0; i < 4; ++i)
            if (auto at = g.find(std::string("\n") + keys[i]); at != std::string::npos)
                v[i] = std::stoi(g.substr(at + 1 + std::strlen(keys[i])));
        out.push_back(v);
    }
    return out;
}

std::unique_ptr<TProcess> StartTrayer(bool dockType) {
    std::vector<std::string> args{"trayer",      "--edge",   "bottom",  "--align", "right",
                                  "--widthtype", "pixel",    "--width", "200",     "--heighttype",
                                  "pixel",       "--height", "32"};
    if (dockType) args.insert(args.end(), {"--SetDockType", "true"});
    return std::make_unique<TProcess>(args);
}

void TMemoryDesktopTest::SetUp() {
    LoadConfigFrom(Config, "/nonexistent/SNAPRO.INI");
    Config.FirstTime = false;
    DisplayScope.emplace(std::make_unique<TMemoryDisplay>());
    DialogsScope.emplace(std::make_unique<TScriptedDialogs>(&Boxes));
}

void TMemoryDesktopTest::TearDown() {
    DisplayScope.reset();
    DialogsScope.reset();
}

std::string Paste(const std::string& target) {
    TProcess xclip({"xclip", "-selection", "clipboard", "-t", target, "-o"});
    EXPECT_EQ(xclip.Wait(std::chrono::seconds(120)), 0) << target << xclip.Stderr();
    return xclip.Stdout();
}
