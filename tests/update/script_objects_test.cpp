#include <gtest/gtest.h>

#include "platform/settings_store.h"
#include "resources/string_table.h"
#include "saver/saver_settings.h"
#include "tests/support/test_environment.h"
#include "update/script_container.h"
#include "update/update_config.h"

namespace korv {
namespace {

std::vector<ScriptObject> Collect(const std::string& script) {
    ScriptContainer container;
    container.SetScriptText(script);
    container.SplitStatements();
    container.CollectObjects();
    return container.Objects();
}


TEST(ScriptExtraction, TheScriptLiesBetweenTheTagsLessTheirNeighbours) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "temp.html", "<html><KORV><br>VERSION 500;<br>CLS ,0;<br></KORV></html>");
    ScriptContainer container;
    ASSERT_TRUE(container.ExtractScript((dir / "temp.html").string(), (dir / "temp.vel").string()));
    EXPECT_EQ(container.ScriptText(), "VERSION 500;<br>CLS ,0;<");
    EXPECT_EQ(test::ReadFileBytes(dir / "temp.vel"), "VERSION 500;<br>CLS ,0;<");

    // A closing tag alone, or one too close to the opening tag.
    test::WriteFileBytes(dir / "bad.html", "x</KORV>");
    EXPECT_FALSE(container.ExtractScript((dir / "bad.html").string(), (dir / "bad.vel").string()));
    EXPECT_FALSE(std::filesystem::exists(dir / "bad.vel"));
    test::WriteFileBytes(dir / "short.html", "<KORV>ab</KORV>");
    ASSERT_TRUE(container.ExtractScript((dir / "short.html").string(), (dir / "short.vel").string()));
    EXPECT_EQ(container.ScriptText(), "");
    EXPECT_FALSE(container.ExtractScript((dir / "missing.html").string(), (dir / "m.vel").string()));
}

TEST(ScriptObjects, KindsAndUrlsFollowTheScriptVersion) {
    EXPECT_EQ(Collect("VERSION 500;"
                      "IMAGE sky, sky.jpg ,1234,NRM,0,0,,,http://a/sky.jpg,;"
                      "MEDIA tune,tune.mp3,99,http://a/tune.mp3;"
                      "TEXT t,greeting,Arial,NRM,-20,,255.255.255,,0.0.0,0,1,http://a/texts.html;"
                      "SHOWHTML v,0,0,10,10,,,ON,page.html;"
                      "SHOWHTML w,0,0,10,10,,,on,other.html;"),
              (std::vector<ScriptObject>{{"sky.jpg ", 1234, "http://a/sky.jpg"},
                                         {"tune.mp3", 99, "http://a/tune.mp3"},
                                         {"greeting", kTextSourceKind, "http://a/texts.html"},
                                         {"page.html", kSitePageKind, ""}}));
    EXPECT_EQ(Collect("VERSION 450;IMAGE a,a.png,5,NRM,http://h/a.png;TEXT t,item,F,NRM,1,,1.1.1,,0.0.0,0,http://h/t;"),
              (std::vector<ScriptObject>{{"a.png", 5, "http://h/a.png"}, {"item", kTextSourceKind, "http://h/t"}}));
}

TEST(ScriptObjects, StatementsWithoutAUrlAreLeftOut) {
    // TEXT under 400 carries its own text; IMAGE before any VERSION or under
    // an unknown version has no URL to fetch from.
    EXPECT_TRUE(Collect("IMAGE a,a.png,5,NRM,http://h/a.png;VERSION 400;TEXT t,hello,F,NRM,1,,1.1.1,,0.0.0,0;").empty());
    EXPECT_TRUE(Collect("VERSION 360;IMAGE a,a.png,5,NRM,http://h/a.png;").empty());
    EXPECT_TRUE(Collect("VERSION 500;image a,a.png,5,NRM,0,0,,,http://h/a.png;").empty());
    EXPECT_TRUE(Collect("VERSION 500; IMAGE a,a.png,5,NRM,0,0,,,http://h/a.png;").empty());
    EXPECT_TRUE(Collect("VERSION 500 IMAGE a,a.png").empty());
    // A size that is no number reads as 0.
    EXPECT_EQ(Collect("VERSION 400;IMAGE a,a.png,big,NRM,u;"), (std::vector<ScriptObject>{{"a.png", 0, "u"}}));
}

TEST(ScriptObjects, ConfigNamesComeFromThePageName) {
    EXPECT_EQ(ConfigFileName("index.html"), "index_config.html");
    EXPECT_EQ(ConfigFileName("sub\\page.v2.htm"), "page.v2_config.htm");
    EXPECT_EQ(ConfigFileName("default"), "default_config.");
}

TEST(UpdateConfiguration, IntervalAndRedirectAreStoredOnlyWhenComplete) {
    test::IsolatedUser user;
    SaverSettings settings(platform::SettingsStore::ForUser(), "Saver");
    test::TempDir dir;
    auto apply = [&](const std::string& text) {
        test::WriteFileBytes(dir / "index_config.html", text);
        return ApplyUpdateConfig((dir / "index_config.html").string(), settings);
    };
    ASSERT_TRUE(apply("<KORVConfig><UpdateData Version=500><Redirect>http://new/site/index.html</Redirect>"
                      "<Update TimeType=1>6</Update></UpdateData></KORVConfig>"));
    EXPECT_EQ(settings.ReadInt(LoadString(IDS_INTERVAL_TIME), -1), 6);
    EXPECT_EQ(settings.ReadInt(LoadString(IDS_INTERVAL_TYPE), -1), 1);
    EXPECT_EQ(settings.ReadString(LoadString(IDS_REDIRECT_VALUE), "?"), "http://new/site/index.html");

    // Format 400: no redirect is read and the stored one stays.
    ASSERT_TRUE(apply("<KORVConfig><UpdateData Version=400><Update TimeType=2>3</Update></UpdateData></KORVConfig>"));
    EXPECT_EQ(settings.ReadInt(LoadString(IDS_INTERVAL_TIME), -1), 3);
    EXPECT_EQ(settings.ReadString(LoadString(IDS_REDIRECT_VALUE), "?"), "http://new/site/index.html");

    // Above 500 the redirect is cleared.
    ASSERT_TRUE(apply("<KORVConfig><UpdateData Version=600><Update TimeType=0>45</Update></UpdateData></KORVConfig>"));
    EXPECT_EQ(settings.ReadString(LoadString(IDS_REDIRECT_VALUE), "?"), "");

    // Format 500 without a redirect, or a missing part: nothing changes.
    EXPECT_FALSE(apply("<KORVConfig><UpdateData Version=500><Update TimeType=1>9</Update></UpdateData></KORVConfig>"));
    EXPECT_FALSE(apply("<KORVConfig><UpdateData Version=400></UpdateData></KORVConfig>"));
    EXPECT_FALSE(apply("<UpdateData Version=400><Update TimeType=1>9</Update></UpdateData>"));
    EXPECT_FALSE(apply(""));
    EXPECT_EQ(settings.ReadInt(LoadString(IDS_INTERVAL_TIME), -1), 45);
    EXPECT_FALSE(ApplyUpdateConfig((dir / "absent.html").string(), settings));
}

}  // namespace
}  // namespace korv
