#include "platform/System.h"
#include "shell/Startup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

using namespace nuvo;

TEST(Startup, GuardNameFollowsTheDataFolder) {
    struct Case { std::vector<std::string> args; const char* exeFolder; const char* guard; } cases[] = {
        {{"/games/title"}, "/opt/x/", "-GAMES-TITLE-"},
        {{"/games/Title/"}, "/opt/x/", "-GAMES-TITLE-"},
        {{"/games/./other/../title"}, "/opt/x/", "-GAMES-TITLE-"},
        {{}, "/opt/Nuvo/", "-OPT-NUVO-"},
        {{"/CONFIG"}, "/opt/x/", "/CONFIG-"},
        {{"/config", "x"}, "/opt/x/", "/CONFIG-"},
    };
    for (const auto& c : cases) EXPECT_EQ(InstanceGuardName(c.args, c.exeFolder), c.guard);
    const std::string relative = InstanceGuardName({"data"}, "/");
    EXPECT_EQ(relative.front(), '-') << "a relative folder is made absolute first";
    EXPECT_TRUE(IsConfigArgument({"/Config"}));
    EXPECT_FALSE(IsConfigArgument({"/configx"}));
}

TEST(Startup, SecondInstanceOnTheSameFolderEndsSilently) {
    auto system = platform::createLinuxSystem();
    const std::vector<std::string> args = {"/nonexistent/nuvo-guard-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed())};
    int played = 0;
    TEntryHooks inner{nullptr, [&] { ++played; return 0; }};
    TEntryHooks outer{nullptr, [&] {
        ++played;
        // While this instance runs, the same folder in other letter case is refused.
        std::vector<std::string> upper = args;
        for (char& c : upper[0]) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(RunEntry(upper, *system, inner), 0);
        EXPECT_EQ(played, 1);
        // Another folder runs side by side.
        EXPECT_EQ(RunEntry({args[0] + "-other"}, *system, inner), 0);
        EXPECT_EQ(played, 2);
        return 0;
    }};
    EXPECT_EQ(RunEntry(args, *system, outer), 0);
    // The guard is released at the end: the folder may be opened again.
    EXPECT_EQ(RunEntry(args, *system, inner), 0);
    EXPECT_EQ(played, 3);
}

TEST(Startup, LocksAcceptAnyGuardName) {
    auto system = platform::createLinuxSystem();
    const std::string odd = std::string(600, 'A') + "/..\\\x83\x5C" + std::to_string(std::random_device{}());
    auto first = system->TryLock(odd);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(system->TryLock(odd), nullptr);
    EXPECT_NE(system->TryLock(odd + "x"), nullptr) << "long names stay distinct";
}
