// What `korv-tool compile` tells an author: every finding with its exact
// message and place, and none for scripts written as the guide writes them.

#include "scenario/script_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/test_environment.h"
#include "update/script_locations.h"
#include "update/text_container.h"

namespace korv {
namespace {

class ScriptCheckTest : public ::testing::Test {
protected:
    ScriptCheckTest() {
        std::filesystem::create_directories(content_.path());
        test::WriteFileBytes(content_ / "sky.jpg", "JPEG");
        test::WriteFileBytes(content_ / "tune.mid", "MIDI");
        test::WriteFileBytes(content_ / "TextFile000.html", "<KORVText><TextItem=title>Hello</TextItem></KORVText>");
    }

    // The findings as the tool prints them, for "script.vel".
    std::vector<std::string> Check(const std::string& script, std::vector<std::string> sources = {}) {
        ScriptCheckInput input = LocateScript(script);
        input.contentFolder = content_.path().string();
        input.textSources = std::move(sources);
        input.readTextItem = FindTextItem;
        std::vector<std::string> printed;
        for (const ScriptFinding& finding : CheckScript(input)) printed.push_back(FormatFinding("script.vel", finding));
        return printed;
    }

    test::TempDir content_;
};

using Lines = std::vector<std::string>;

TEST_F(ScriptCheckTest, AWellWrittenScriptGivesNoFindings) {
    EXPECT_EQ(Check("VERSION 400;\n"
                    "IMAGE sky,sky.jpg,4,NRM,;\n"
                    "TEXT title,Hello<br>there,Liberation Sans,BLD,-44,,255.255.255,,000.000.000,0;\n"
                    "MEDIA tune,tune.mid,4,http://site/tune.mid,;\n"
                    "REPEAT;\n"
                    "CLS ,000.000.000;\n"
                    "PLAY tune,,,,1;\n"
                    "SHOW sky,CTR,CTR,0,0,21,300;\n"
                    "MOVE title,-600,TOP,CTR,TOP,-600,20,0,20,X,6,995,ON,;\n"
                    "WAIT ,1.5;\n"
                    "LINE 3,0,RND,RND,RND,RND,0,0,0,0,RND,000.000.000;\n"
                    "HIDE title;\n"
                    "STOP tune;\n"
                    "COMMENT anything, at all;\n"
                    "UNTIL INF,0;\n"),
              Lines{});
}

TEST_F(ScriptCheckTest, DroppedStatementsSayWhy) {
    EXPECT_EQ(Check("VERSION 400;\nshow sky;\nBLINK sky;\nCLS ,000.000.000; WAIT ,1;\nCLS ,000.000.000;\nWAIT ,1\n"),
              (Lines{"script.vel:2:1: warning: 'show' is not a command (commands are upper case: SHOW); the statement is dropped",
                     "script.vel:3:1: warning: 'BLINK' is not a command; the statement is dropped",
                     "script.vel:4:18: warning: the statement begins with a blank, so it has no command word; it is dropped",
                     "script.vel:6:1: warning: 'WAIT ,1' has no ';' after it, so it is no statement and is dropped"}));
    EXPECT_EQ(Check("CLS ,000.000.000;"),
              Lines{"script.vel:1:1: warning: no VERSION statement comes before this one; the script is read as version 0"});
    EXPECT_EQ(Check("VERSION 600;"),
              Lines{"script.vel:1:1: error: VERSION 600 needs a newer engine (this one reads up to 500)"});
}

TEST_F(ScriptCheckTest, ArgumentCountsFollowTheCommandAndTheVersion) {
    EXPECT_EQ(Check("VERSION 400;\nIMAGE sky,sky.jpg;\nSHOW sky,CTR,CTR,0,0,0,100,,LBL,1940,extra;\nHIDE sky,1;"),
              (Lines{"script.vel:2:1: warning: IMAGE needs at least 4 arguments, not 2; the missing ones read as empty or 0",
                     "script.vel:3:38: warning: SHOW takes 10 arguments in version 400, not 11; the rest are ignored",
                     "script.vel:4:10: warning: HIDE takes 1 argument in version 400, not 2; the rest are ignored"}));
    // Version 360 has no typewriter arguments; version 500 pictures have nine.
    EXPECT_EQ(Check("VERSION 360;\nIMAGE sky,sky.jpg,4,NRM,;\nSHOW sky,CTR,CTR,0,0,0,100,,LBL;"),
              Lines{"script.vel:3:29: warning: SHOW takes 8 arguments in version 360, not 9; the rest are ignored"});
    EXPECT_EQ(Check("VERSION 500;\nIMAGE sky,sky.jpg,4,NRM,0,0,ON,ON,;"), Lines{});
}

TEST_F(ScriptCheckTest, ArgumentsReadOtherwiseThanWritten) {
    EXPECT_EQ(Check("VERSION 400;\nIMAGE sky,sky.jpg,4,nrm,;\n"
                    "TEXT t,Hi,Arial,BOLD,-20,,255,0,0,,000.000.000,0;\n"
                    "SHOW sky,CENTER,CTR,10px,0,0,100,on;\n"
                    "WAIT 1;\nWAIT ,soon;\nCLS ,0.0.0;\nUNTIL ALWAYS,0;\n"),
              (Lines{"script.vel:2:21: warning: argument 4 of IMAGE should be one of NRM, DTP or empty, not 'nrm'; it "
                     "reads as the desktop capture taken at start-up",
                     "script.vel:3:17: warning: argument 4 of TEXT should be one of NRM, BLD, ITL, BLI or empty, not "
                     "'BOLD'; it reads as regular",
                     // "255,0,0" is three arguments: red 255 and blue 255 (magenta), and the rest shift.
                     "script.vel:3:27: warning: argument 7 of TEXT should be a colour written like 255.128.000 (three "
                     "numbers 0-255 of three digits), not '255'; it reads as 255.000.255",
                     "script.vel:3:31: warning: argument 8 of TEXT should be OPQ or empty, not '0'; it reads as transparent",
                     "script.vel:3:33: warning: argument 9 of TEXT should be a colour written like 255.128.000 (three "
                     "numbers 0-255 of three digits), not '0'; it reads as 000.000.000",
                     "script.vel:3:36: warning: TEXT takes 10 arguments in version 400, not 12; the rest are ignored",
                     "script.vel:4:10: warning: argument 2 of SHOW should be LFT, CTR, RGT, RND, RNP or a number, not "
                     "'CENTER'; it reads as a number",
                     "script.vel:4:21: warning: argument 4 of SHOW should be a whole number, not '10px'; it reads as 10",
                     "script.vel:4:34: warning: argument 8 of SHOW should be ON or empty, not 'on'; it reads as off",
                     "script.vel:5:6: warning: WAIT takes its seconds as argument 2 ('WAIT ,1'); as written it waits 0 ms",
                     "script.vel:6:7: warning: argument 2 of WAIT should be a number of seconds, not 'soon'; it reads as 0 ms",
                     "script.vel:7:6: warning: argument 2 of CLS should be a colour written like 255.128.000 (three "
                     "numbers 0-255 of three digits), not '0.0.0'; it reads as 000.000.000",
                     "script.vel:8:1: error: UNTIL without a REPEAT before it; the scenario does not load",
                     "script.vel:8:7: warning: argument 1 of UNTIL should be INF or empty, not 'ALWAYS'; it reads as not "
                     "endless"}));
}

TEST_F(ScriptCheckTest, NamesFilesLoopsAndTextsThatAreMissing) {
    EXPECT_EQ(Check("VERSION 450;\nSHOW logo;\nPLAY song,,,,1;\nMEDIA clip,clip.avi,0,;\nIMAGE a,../a.jpg,0,NRM,;\n"
                    "REPEAT;\nTEXT t,title,Arial,NRM,-20,,255.255.255,,000.000.000,0,news;\n"
                    "TEXT u,missing,Arial,NRM,-20,,255.255.255,,000.000.000,0,feed;\n",
                    {"feed"}),
              (Lines{"script.vel:2:6: error: SHOW of 'logo', which no IMAGE or TEXT declares; the scenario does not load",
                     "script.vel:3:6: error: PLAY of 'song', which no MEDIA declares; the scenario does not load",
                     "script.vel:4:12: error: cannot read 'clip.avi' in the content folder " + content_.path().string() +
                         "; the compile fails",
                     "script.vel:5:9: error: '../a.jpg' is not the name of a file in the content folder; the compile fails",
                     "script.vel:6:1: warning: REPEAT without an UNTIL after it; what follows plays once",
                     "script.vel:7:56: warning: text source 'news' is not among the text sources; the text is ' '",
                     "script.vel:8:8: warning: text source 'feed' (TextFile000.html) has no item 'missing'; the text is ' '"}));
}

}  // namespace
}  // namespace korv
