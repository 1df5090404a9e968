// The .desktop file of an installed saver: quoting that keeps every path
// one argument and every name one value.

#include <gtest/gtest.h>

#include "platform/web_browser.h"
#include "tools/desktop_entry.h"

namespace korv::tool {
namespace {

TEST(DesktopEntryTest, AwkwardPathsAndNamesStayInTheirValues) {
    std::string text = ScreensaverDesktopEntry("Demo\nExec=/bin/evil", "/s/a \"b\" $c 100%", "-root");
    EXPECT_NE(text.find("\nExec=\"/s/a \\\\\"b\\\\\" \\\\$c 100%%\" -root\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nTryExec=/s/a \"b\" $c 100%\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nName=DemoExec=/bin/evil\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("\nExec=/bin/evil"), std::string::npos) << text;
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u);
    for (const char* line : {"\nType=Application\n", "\nCategories=Screensaver;\n", "\nNoDisplay=true\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;

    EXPECT_EQ(DesktopEntryProgram(text), "/s/a \"b\" $c 100%");
    EXPECT_EQ(DesktopEntryProgram(ScreensaverDesktopEntry("x", "/s/back\\slash", "")), "/s/back\\slash");
    EXPECT_EQ(ScreensaverDesktopEntry("x", "/s/plain", "-root").find("\nExec=/s/plain -root\n") != std::string::npos,
              true);
    EXPECT_EQ(DesktopEntryProgram("[Desktop Entry]\nName=x\n"), "");

    // A desktop's own reading of Exec finds the whole path as the program.
    const std::string awkward = "/s/my savers/a \"b\" $c `d` \\e 'f'";
    EXPECT_EQ(platform::ProgramFromExecValue(
                  platform::ExecValueOfDesktopEntry(ScreensaverDesktopEntry("x", awkward, "-root"))),
              awkward);
}

}  // namespace
}  // namespace korv::tool
