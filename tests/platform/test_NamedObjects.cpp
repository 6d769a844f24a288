// The named objects of the program block against other users: a hook block or
// mutex that another user made first under our name, or that others can write,
// is never what we use.
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TestSupport.h"
#include "hook/SharedHookBlock.h"
#include "platform/NamedObjects.h"

namespace {

constexpr unsigned OtherUser = Nobody - 1;

// Makes /dev/shm/FILE as Uid, mode Mode, full of 0x02 (mode 2 in every field).
void Plant(unsigned uid, const std::string& file, const char* mode) {
    ASSERT_EQ(RunCommand(AsUser(uid, {"/usr/bin/python3", "-c",
                                      "import os,sys\n"
                                      "fd=os.open(sys.argv[1],os.O_CREAT|os.O_RDWR,0)\n"
                                      "os.fchmod(fd,int(sys.argv[2],8))\n"
                                      "os.write(fd,b'\\2'*512)",
                                      "/dev/shm/" + file, mode})),
              0);
}

// The owner and mode of /dev/shm/FILE.
std::pair<unsigned, unsigned> OwnerAndMode(const std::string& file) {
    struct stat st {};
    if (::lstat(("/dev/shm/" + file).c_str(), &st) != 0) return {~0u, 0};
    return {st.st_uid, st.st_mode & 0777};
}

// Whether Create and CreateNamedMutex succeed for a process of Uid.
bool CreatesAs(unsigned uid, const std::string& block, const std::string& mutex) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (setgid(uid) != 0 || setuid(uid) != 0) _exit(2);
        TSharedMemory m;
        _exit(m.Create(block, sizeof(SharedHookBlock)) && CreateNamedMutex(mutex) ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

TEST(NamedObjects, ObjectsOfOthersOrWritableByOthersAreNeverUsed) {
    if (!CanSwitchUser()) GTEST_SKIP() << "acting as another user needs root (setpriv)";
    const std::string block = "VRYZ1KGR.test." + std::to_string(getpid());
    const std::string mutex = "VR67aQeR.test." + std::to_string(getpid());
    struct {
        const char* Name;
        unsigned Planter;
        const char* Mode;
        bool Kept; // our own private block is the running copy's: same contents
    } const cases[] = {
        {"another user's, open to all", Nobody, "666", false},
        {"another user's, private", Nobody, "600", false},
        {"our own, writable by others", geteuid(), "622", false},
        {"our own, private", geteuid(), "600", true},
    };
    for (const auto& c : cases) {
        Plant(c.Planter, block, c.Mode);
        Plant(c.Planter, "sem." + mutex, c.Mode);
        TSharedMemory memory;
        ASSERT_TRUE(memory.Create("/" + block, sizeof(SharedHookBlock)) && memory.Map()) << c.Name;
        EXPECT_EQ(memory.Data()[0], c.Kept ? 2 : 0) << c.Name;
        EXPECT_EQ(OwnerAndMode(block), std::make_pair(geteuid(), 0600u)) << c.Name;
        ASSERT_TRUE(CreateNamedMutex("/" + mutex)) << c.Name;
        if (!c.Kept) {
            EXPECT_EQ(OwnerAndMode("sem." + mutex), std::make_pair(geteuid(), 0600u)) << c.Name;
        }
        memory.Unlink();
        UnlinkNamedMutex("/" + mutex);
    }
    // A user who cannot remove another's object (the sticky /dev/shm) refuses it.
    Plant(Nobody, block, "666");
    Plant(Nobody, "sem." + mutex, "666");
    EXPECT_FALSE(CreatesAs(OtherUser, "/" + block, "/" + mutex));
    ::unlink(("/dev/shm/" + block).c_str());
    EXPECT_FALSE(CreatesAs(OtherUser, "/" + block, "/" + mutex)) << "the mutex alone";
    ::unlink(("/dev/shm/sem." + mutex).c_str());
    EXPECT_TRUE(CreatesAs(OtherUser, "/" + block, "/" + mutex));
    ::unlink(("/dev/shm/" + block).c_str());
    ::unlink(("/dev/shm/sem." + mutex).c_str());
}
