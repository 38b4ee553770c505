#include "platform/single_instance.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

#include "support/scratch_folder.h"

namespace {

std::string UniqueName(const char* what) {
    return std::string("kestrel-guard-test-") + what + "-" + std::to_string(getpid());
}

// A private folder of the test's own (mode 0700), removed afterwards.
using GuardFolder = testing_support::ScratchFolder;

// The shared fallback folder that UserFolder makes when it is missing: removed afterwards if the test
// made it, and only while it is empty, so that a game of the user's that started meanwhile keeps the
// lock it holds there.
class MadeFallbackFolder {
public:
    explicit MadeFallbackFolder(std::string path) : path_(std::move(path)) {
        struct stat st;
        existed_ = lstat(path_.c_str(), &st) == 0;
    }
    ~MadeFallbackFolder() {
        if (!existed_)
            rmdir(path_.c_str());
    }

private:
    std::string path_;
    bool existed_ = false;
};

// Sets or unsets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old, had_ = true;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (had_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

TEST(SingleInstance, SecondHolderIsRefusedUntilTheFirstLetsGo) {
    GuardFolder folder("guard");
    std::string name = UniqueName("hold");
    plat::SingleInstance first(folder.string()), second(folder.string());
    ASSERT_TRUE(first.Acquire(name));
    EXPECT_TRUE(first.Held());
    EXPECT_FALSE(second.Acquire(name));
    EXPECT_FALSE(second.Held());
    EXPECT_TRUE(first.Held()); // the refused attempt did not loosen the first lock
    first.Release();
    EXPECT_FALSE(std::filesystem::exists(folder.string() + "/" + name + ".lock")) << "the lock file stays";
    EXPECT_FALSE(std::filesystem::exists(folder.string() + "/" + name + ".sock")) << "the socket stays";
    EXPECT_TRUE(second.Acquire(name));
}

TEST(SingleInstance, AnotherProcessIsRefusedAndAForkedChildHoldsNothing) {
    GuardFolder folder("guard");
    std::string name = UniqueName("proc");
    auto tryInChild = [&] {
        pid_t pid = fork();
        if (pid == 0) {
            plat::SingleInstance g(folder.string());
            _exit(g.Acquire(name) && g.Held() ? 0 : 1);
        }
        return pid;
    };
    {
        plat::SingleInstance holder(folder.string());
        ASSERT_TRUE(holder.Acquire(name));
        int status = 0;
        pid_t child = tryInChild();
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_EQ(WEXITSTATUS(status), 1) << "another process took a held guard";
    }
    // A child forked while the parent holds the guard does not keep it after the parent lets go.
    plat::SingleInstance parent(folder.string());
    ASSERT_TRUE(parent.Acquire(name));
    pid_t sleeper = fork();
    if (sleeper == 0) {
        sleep(3);
        _exit(0);
    }
    parent.Release();
    int status = 0;
    pid_t child = tryInChild();
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the forked child kept the guard";
    kill(sleeper, SIGKILL);
    waitpid(sleeper, &status, 0);
}

TEST(SingleInstance, RaiseRequestsArriveOnceEach) {
    GuardFolder folder("guard");
    std::string name = UniqueName("raise");
    plat::SingleInstance holder(folder.string()), asker(folder.string());
    ASSERT_TRUE(holder.Acquire(name));
    EXPECT_FALSE(holder.TakeRaiseRequest());
    EXPECT_TRUE(asker.AskHolderToRaise(name));
    EXPECT_TRUE(holder.TakeRaiseRequest());
    EXPECT_FALSE(holder.TakeRaiseRequest());
    holder.Release();
    EXPECT_FALSE(asker.AskHolderToRaise(name)) << "the socket outlived its holder";
}

TEST(SingleInstance, SilentOrFloodingSendersCostTheHolderNothing) {
    GuardFolder folder("guard");
    std::string name = UniqueName("flood");
    plat::SingleInstance holder(folder.string()), asker(folder.string());
    ASSERT_TRUE(holder.Acquire(name));
    std::string path = folder.string() + "/" + name + ".sock";
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
    // Connections that send nothing are impossible on a datagram socket; empty and junk datagrams
    // by the hundred are read without waiting and ask for nothing.
    int s = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    ASSERT_GE(s, 0);
    ASSERT_EQ(connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    int sent = 0;
    for (int i = 0; i < 500; ++i)
        sent += send(s, i % 2 ? "junk" : "", i % 2 ? 4 : 0, 0) >= 0;
    close(s);
    EXPECT_GT(sent, 10);
    auto start = std::chrono::steady_clock::now();
    bool raised = false;
    for (int i = 0; i < 100; ++i)
        raised = holder.TakeRaiseRequest() || raised;
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(raised);
    // Each call reads only what waits, never blocking: a hundred take microseconds, and even on a
    // busy machine far less than the hundred frames (1.6 s) they stand for.
    EXPECT_LT(took, std::chrono::milliseconds(1600)) << "100 calls over a flooded socket";
    // Once the flood is read, a real request is heard.
    while (holder.TakeRaiseRequest()) {
    }
    EXPECT_TRUE(asker.AskHolderToRaise(name));
    EXPECT_TRUE(holder.TakeRaiseRequest());
}

TEST(SingleInstance, AskingWithNoHolderFails) {
    GuardFolder folder("guard");
    plat::SingleInstance asker(folder.string());
    EXPECT_FALSE(asker.AskHolderToRaise(UniqueName("nobody")));
}

TEST(SingleInstance, NamesDoNotCollide) {
    GuardFolder folder("guard");
    plat::SingleInstance a(folder.string()), b(folder.string());
    EXPECT_TRUE(a.Acquire(UniqueName("a")));
    EXPECT_TRUE(b.Acquire(UniqueName("ab")));
    EXPECT_TRUE(a.Held());
    EXPECT_TRUE(b.Held());
}

TEST(SingleInstanceFolder, RuntimeFolderOnlyWhenPrivateElseOwnFolderOfModeSevenHundred) {
    GuardFolder runtime("guard");
    const std::string fallback = "/tmp/kestrel-" + std::to_string(getuid());
    MadeFallbackFolder cleanup(fallback);
    struct Case {
        const char* what;
        mode_t mode; // of the runtime folder; 0 leaves XDG_RUNTIME_DIR unset
        bool usesRuntime;
    } cases[] = {
        {"private runtime folder", 0700, true},
        {"runtime folder others can enter", 0755, false},
        {"runtime folder others can write", 0733, false},
        {"no runtime folder", 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        chmod(runtime.string().c_str(), c.mode ? c.mode : 0700);
        ScopedEnv env("XDG_RUNTIME_DIR", c.mode ? runtime.string().c_str() : nullptr);
        std::string folder = plat::SingleInstance::UserFolder();
        EXPECT_EQ(folder, c.usesRuntime ? runtime.string() : fallback);
        struct stat st;
        ASSERT_EQ(lstat(folder.c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        EXPECT_EQ(st.st_uid, getuid());
    }
}

} // namespace
