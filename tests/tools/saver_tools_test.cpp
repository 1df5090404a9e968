// The tools and the engine as a user drives them: build a saver from the real
// engine, inspect it, change its settings, and start it with its switches.

#include <gtest/gtest.h>

#include <filesystem>

#include "saver/program_file.h"
#include "tests/support/command_runner.h"
#include "tests/support/test_environment.h"

namespace korv {
namespace {

namespace fs = std::filesystem;
using test::CommandResult;
using test::RunCommand;

class SaverToolsTest : public ::testing::Test {
protected:
    std::vector<std::string> Env() const {
        return {"XDG_DATA_HOME=" + user_.dataHome().string(), "XDG_CONFIG_HOME=" + user_.configHome().string(),
                "XDG_STATE_HOME=" + user_.stateHome().string(), "TMPDIR=" + user_.tempFolder().string(),
                "-DISPLAY", "-WAYLAND_DISPLAY", "-KORV_LOG"};
    }
    CommandResult Tool(std::vector<std::string> arguments, std::vector<std::string> extraEnv = {}) const {
        auto env = Env();
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        return RunCommand(test::KorvToolPath(), arguments, env);
    }
    CommandResult Saver(std::vector<std::string> arguments, std::vector<std::string> extraEnv = {}) const {
        auto env = Env();
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        return RunCommand(saver_.string(), arguments, env);
    }
    CommandResult Build(std::vector<std::string> extra) {
        std::vector<std::string> arguments = {"build", "--engine", test::KorvRuntimePath(), "--site",
                                              "http://feed.example/saver/", "--source", "index.html", "-o",
                                              saver_.string()};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return Tool(arguments);
    }

    test::IsolatedUser user_;
    fs::path saver_ = user_.root() / "Demo";
};

TEST_F(SaverToolsTest, CompileBuildAndDumpAScenarioInASaver) {
    fs::create_directories(user_.root() / "content");
    test::WriteFileBytes(user_.root() / "content" / "logo.png", "PNG BYTES");
    test::WriteFileBytes(user_.root() / "script.vel",
                         "VERSION 500;<br>\r\nIMAGE logo,logo.png,9,NRM,0,0,,,;<br>\r\nSHOW logo,CTR,CTR,0,0,0,100;<br>\r\n"
                         "WAIT ,1.5;<br>\r\n");
    auto scenario = user_.root() / "demo.zep";
    CommandResult compiled = Tool({"compile", (user_.root() / "script.vel").string(), "--content",
                                   (user_.root() / "content").string(), "-o", scenario.string()});
    ASSERT_EQ(compiled.exitCode, 0) << compiled.err;

    CommandResult built = Build({"--player-type", "0", "--scenario", scenario.string(), "--unit", "2", "--count", "3",
                                 "--always-check", "--user", "u\xC3\xA9", "--password", "p\"w", "--settings-disabled"});
    ASSERT_EQ(built.exitCode, 0) << built.err;
    std::string bytes = test::ReadFileBytes(saver_);
    std::string scenarioBytes = test::ReadFileBytes(scenario);
    EXPECT_EQ(bytes.substr(0, 4), "\x7F" "ELF");
    uint32_t size = static_cast<uint32_t>(scenarioBytes.size());
    EXPECT_EQ(bytes.substr(kEngineSize, 4), std::string(reinterpret_cast<const char*>(&size), 4));
    EXPECT_EQ(bytes.substr(kEngineSize + 4, scenarioBytes.size()), scenarioBytes);
    EXPECT_EQ(bytes.back(), '\x01');
    EXPECT_NE(fs::status(saver_).permissions() & fs::perms::owner_exec, fs::perms::none);

    for (const fs::path& file : {fs::path(saver_), scenario}) {
        CommandResult dump = Tool({"dump", file.string()});
        ASSERT_EQ(dump.exitCode, 0) << dump.err;
        for (const char* field : {"\"command\": \"IMAGE\"", "\"fileName\": \"logo.png\"", "\"size\": 9",
                                  "\"command\": \"SHOW\"", "\"anchorX1\": 1", "\"milliseconds\": 1500",
                                  "\"declaration\": 0", "\"formatVersion\": 25"})
            EXPECT_NE(dump.out.find(field), std::string::npos) << field << "\n" << dump.out;
    }
    // With its script, each record names the line that wrote it.
    CommandResult withScript = Tool({"dump", scenario.string(), "--script", (user_.root() / "script.vel").string()});
    ASSERT_EQ(withScript.exitCode, 0) << withScript.err;
    for (const char* field : {"\"line\": 2", "\"statement\": \"IMAGE logo,logo.png,9,NRM,0,0,,,\"", "\"line\": 4",
                              "\"statement\": \"WAIT ,1.5\""})
        EXPECT_NE(withScript.out.find(field), std::string::npos) << field << "\n" << withScript.out;

    CommandResult dump = Tool({"dump", saver_.string()});
    for (const char* field : {"\"playerType\": 0", "\"alwaysCheck\": 1", "\"intervalUnit\": 2", "\"intervalCount\": 3",
                              "\"siteUrl\": \"http://feed.example/saver/\"", "\"sourceName\": \"index.html\"",
                              "\"username\": \"u\xC3\xA9\"", "\"password\": \"p\\\"w\"", "\"settingsDisabled\": 1"})
        EXPECT_NE(dump.out.find(field), std::string::npos) << field << "\n" << dump.out;
}

TEST_F(SaverToolsTest, CompileAndDumpRefuseWithAOneLineReason) {
    test::WriteFileBytes(user_.root() / "script.vel", "IMAGE logo,missing.png,9,NRM;");
    fs::create_directories(user_.root() / "content");
    auto scenario = user_.root() / "demo.zep";
    CommandResult failed = Tool({"compile", (user_.root() / "script.vel").string(), "--content",
                                 (user_.root() / "content").string(), "-o", scenario.string()});
    EXPECT_NE(failed.exitCode, 0);
    // The findings at their lines, then the one-line reason.
    const std::string script = (user_.root() / "script.vel").string();
    EXPECT_EQ(failed.err, script + ":1:1: warning: no VERSION statement comes before this one; the script is read as "
                                   "version 0\n" +
                              script + ":1:12: error: cannot read 'missing.png' in the content folder " +
                              (user_.root() / "content").string() + "; the compile fails\n" + "korv-tool compile: " +
                              (user_.root() / "content").string() + "/missing.png Cannot be read data.\n");
    EXPECT_FALSE(fs::exists(scenario));

    test::WriteFileBytes(user_.root() / "script.vel", "VERSION 501;CLS ,000.000.000;");
    failed = Tool({"compile", (user_.root() / "script.vel").string(), "--content", (user_.root() / "content").string(),
                   "-o", scenario.string()});
    EXPECT_NE(failed.exitCode, 0);
    EXPECT_NE(failed.err.find("newer engine"), std::string::npos) << failed.err;

    test::WriteFileBytes(scenario, std::string("\x0FKORV-SCENE-FILE\x00\x00\xC8\x41\x05\x00\x00\x00", 24));
    CommandResult damaged = Tool({"dump", scenario.string()});
    EXPECT_NE(damaged.exitCode, 0);
    EXPECT_NE(damaged.err.find("is damaged"), std::string::npos) << damaged.err;
    EXPECT_EQ(std::count(damaged.err.begin(), damaged.err.end(), '\n'), 1) << damaged.err;
}

TEST_F(SaverToolsTest, CompileWarnsAndFailsWithStrictOrWhenTheScenarioDoesNotLoad) {
    fs::create_directories(user_.root() / "content");
    const fs::path script = user_.root() / "script.vel", scenario = user_.root() / "demo.zep";
    auto compile = [&](std::vector<std::string> extra = {}) {
        std::vector<std::string> arguments{"compile", script.string(), "--content", (user_.root() / "content").string(),
                                           "-o", scenario.string()};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return Tool(arguments);
    };
    test::WriteFileBytes(script, "VERSION 400;\nCLS ,0.0.0;\nWAIT 2;\n");
    CommandResult warned = compile();
    EXPECT_EQ(warned.exitCode, 0) << warned.err;
    EXPECT_EQ(warned.err, script.string() + ":2:6: warning: argument 2 of CLS should be a colour written like "
                                            "255.128.000 (three numbers 0-255 of three digits), not '0.0.0'; it reads "
                                            "as 000.000.000\n" +
                              script.string() + ":3:6: warning: WAIT takes its seconds as argument 2 ('WAIT ,2'); as "
                                                "written it waits 0 ms\n");
    EXPECT_TRUE(fs::exists(scenario));

    fs::remove(scenario);
    CommandResult strict = compile({"--strict"});
    EXPECT_EQ(strict.exitCode, 1);
    EXPECT_NE(strict.err.find("korv-tool compile: 2 warnings with --strict; nothing was written\n"), std::string::npos)
        << strict.err;
    EXPECT_FALSE(fs::exists(scenario));

    // A text with nothing to show compiles, but the scenario does not load.
    test::WriteFileBytes(script, "VERSION 400;\nTEXT t,,DejaVu Sans,NRM,-20,,255.255.255,,000.000.000,0;\nSHOW t;\n");
    CommandResult unloadable = compile();
    EXPECT_EQ(unloadable.exitCode, 1);
    EXPECT_EQ(unloadable.err, script.string() + ":2:1: error: the scenario written does not load: this statement's "
                                                "record cannot be prepared\n"
                                                "korv-tool compile: the scenario written does not load (record 0 "
                                                "(IMAGE) cannot be prepared)\n");
    EXPECT_TRUE(fs::exists(scenario));  // kept for dump
}

TEST_F(SaverToolsTest, BuildRefusesBadRequestsWithAOneLineReason) {
    test::WriteFileBytes(user_.root() / "big-engine", std::string(kEngineSize + 1, 'x'));
    CommandResult tooBig = Tool({"build", "--engine", (user_.root() / "big-engine").string(), "--player-type", "1",
                                 "--site", "s", "--source", "n", "-o", saver_.string()});
    EXPECT_NE(tooBig.exitCode, 0);
    EXPECT_NE(tooBig.err.find("larger than the " + std::to_string(kEngineSize) + " bytes"), std::string::npos)
        << tooBig.err;
    EXPECT_FALSE(fs::exists(saver_));

    for (auto arguments : std::vector<std::vector<std::string>>{
             {"--player-type", "4"}, {"--player-type", "x"}, {"--player-type", "1", "--count", "1.5"}, {}}) {
        CommandResult refused = Build(arguments);
        EXPECT_NE(refused.exitCode, 0);
        EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
        EXPECT_FALSE(fs::exists(saver_));
    }
    EXPECT_NE(Tool({"dump", test::KorvRuntimePath()}).exitCode, 0);  // the bare engine is no saver
}

TEST_F(SaverToolsTest, SettingsListDefaultsAndWriteByType) {
    ASSERT_EQ(Build({"--player-type", "1", "--user", "payload-user"}).exitCode, 0);
    CommandResult list = Tool({"settings", saver_.string()});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    for (const char* line : {"Standard=1\n", "ProxyStatus=1\n", "IntervalType=-1\n", "ProxyAddress=\n",
                             "RemoteSite=http://feed.example/saver/\n", "Username=payload-user\n", "UseAuth=0\n",
                             "LastUpdate=0\n"})
        EXPECT_NE(list.out.find(line), std::string::npos) << line;

    // Every setting says what it does and what it is when nobody set it.
    CommandResult explained = Tool({"settings", saver_.string(), "--explain"});
    ASSERT_EQ(explained.exitCode, 0) << explained.err;
    EXPECT_EQ(std::count(explained.out.begin(), explained.out.end(), '\n'), 21) << explained.out;
    for (const char* line :
         {"Standard=1  # 1: any mouse move, button, double click or key ends the saver; 0: the five rules below (default 1)\n",
          "RemoteSite=http://feed.example/saver/  # the address of the site that feeds this saver (the payload's until "
          "changed) (default \"http://feed.example/saver/\")\n",
          "IntervalType=-1  # the unit of IntervalTime: 0 minutes, 1 hours, 2 days; anything else: none asked for "
          "(default -1)\n"})
        EXPECT_NE(explained.out.find(line), std::string::npos) << line << explained.out;

    EXPECT_EQ(Tool({"settings", saver_.string(), "Mute", "1"}).out, "Mute=1\n");
    EXPECT_EQ(Tool({"settings", saver_.string(), "remotesite", "http://other/"}).out, "RemoteSite=http://other/\n");
    EXPECT_EQ(Tool({"settings", saver_.string(), "IntervalType", "4294967295"}).out, "IntervalType=-1\n");
    EXPECT_EQ(Tool({"settings", saver_.string(), "Mute"}).out, "Mute=1\n");
    EXPECT_NE(Tool({"settings", saver_.string(), "Mute", "loud"}).exitCode, 0);
    EXPECT_NE(Tool({"settings", saver_.string(), "NoSuchValue"}).exitCode, 0);
    EXPECT_TRUE(fs::exists(user_.configHome() / "Halcyra" / "Software" / "Halcyra" / "Screen Saver" / "Demo" /
                           "Settings" / "@values.reg"));

    EXPECT_EQ(Tool({"settings", "--machine", "Times", "42"}).out, "Times=42\n");
    CommandResult machine = Tool({"settings", saver_.string(), "--machine"});
    EXPECT_EQ(machine.out, "SysInfo=\nTimes=42\n");
}

TEST_F(SaverToolsTest, EngineObeysItsSwitchesOnTheRealProgramFile) {
    ASSERT_EQ(Build({"--player-type", "2"}).exitCode, 0);

    CommandResult password = Saver({"/a"});
    EXPECT_EQ(password.exitCode, 0);
    EXPECT_EQ(password.err.rfind("The screen saver asks for your login password.", 0), 0u) << password.err;

    // A switch that cannot be obeyed: one line of usage and exit code 2.
    const std::string usage = "usage: " + saver_.string() + " [/s | /p WINDOW | /c | /a]: ";
    const std::vector<std::pair<std::vector<std::string>, std::string>> wrong{
        {{"sx"}, "unknown switch 'sx'"},
        {{"/x"}, "unknown switch '/x'"},
        {{"/p"}, "/p needs the window to draw the preview into"},
        {{"/p", "window"}, "'window' is not a window"}};
    for (const auto& [arguments, reason] : wrong) {
        CommandResult result = Saver(arguments);
        EXPECT_EQ(result.exitCode, 2) << reason;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, usage + reason + "\n");
    }

    // A diagnosed full-screen start says what it found.
    CommandResult run = Saver({"/S"}, {"KORV_LOG=1"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::string log = test::ReadFileBytes(user_.stateHome() / "Halcyra" / "korv_log.txt");
    for (const char* line : {"Starting runtime\r\n", "ime hosta\r\nhttp://feed.example/saver/\r\n",
                             "Player type:2, Refresh intertval:0, URL:http://feed.example/saver/\r\n",
                             "klasik scr\r\n", "Klasik player, neuspeo start\r\n"})
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    EXPECT_EQ(Tool({"settings", saver_.string(), "SessionStatus"}).out, "SessionStatus=0\n");
}

TEST_F(SaverToolsTest, EnginePlaysTheScenarioEmbeddedInItsOwnFile) {
    fs::create_directories(user_.root() / "content");
    test::WriteFileBytes(user_.root() / "script.vel", "VERSION 500;CLS ,000.000.128;REPEAT;WAIT ,1;UNTIL INF,0;");
    auto scenario = user_.root() / "demo.zep";
    ASSERT_EQ(Tool({"compile", (user_.root() / "script.vel").string(), "--content", (user_.root() / "content").string(),
                    "-o", scenario.string()})
                  .exitCode,
              0);
    ASSERT_EQ(Build({"--player-type", "3", "--scenario", scenario.string()}).exitCode, 0);
    CommandResult run = Saver({"/s"}, {"KORV_LOG=1"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::string log = test::ReadFileBytes(user_.stateHome() / "Halcyra" / "korv_log.txt");
    for (const char* line : {"klasik scr\r\nUcitaj body podatke\r\nBody informacije ucitane\r\n"
                             "Inicijalni zep fajl postoji, startujem njega\r\nInterpretiraj\r\nKreiraj SSWnd\r\n"})
        EXPECT_NE(log.find(line), std::string::npos) << log;
    EXPECT_EQ(log.find("neuspeo"), std::string::npos) << log;
}

TEST_F(SaverToolsTest, DamagedSaversEndSilently) {
    ASSERT_EQ(Build({"--player-type", "1"}).exitCode, 0);
    std::string bytes = test::ReadFileBytes(saver_);
    auto runDamaged = [&](std::string damaged, const char* what) {
        test::WriteFileBytes(saver_, damaged);
        fs::permissions(saver_, fs::perms::owner_all);
        CommandResult result = Saver({"/s"}, {"KORV_LOG=1"});
        EXPECT_EQ(result.exitCode, 0) << what;
        EXPECT_EQ(result.out + result.err, "") << what;
        std::string log = test::ReadFileBytes(user_.stateHome() / "Halcyra" / "korv_log.txt");
        EXPECT_EQ(log.find("Player type"), std::string::npos) << what;
    };
    runDamaged(bytes.substr(0, bytes.size() - 3), "trailer cut");
    runDamaged(bytes.substr(0, kEngineSize + 10), "record cut");
    std::string pastEnd = bytes;
    pastEnd[pastEnd.size() - 2] = '\x7F';
    runDamaged(pastEnd, "offset past the end");
    std::string hugeString = bytes;
    hugeString.replace(kEngineSize + 20, 1, std::string("\xFF\xFF\xFF\xF0\xFF\xFF\x7F", 7));
    runDamaged(hugeString, "2 GB string");
}

}  // namespace
}  // namespace korv
