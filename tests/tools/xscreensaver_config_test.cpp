// The display-mode list of xscreensaver preferences files: reading the
// entries of real files, adding one and taking it out again without
// disturbing anything else in the file.

#include <gtest/gtest.h>

#include "tests/support/command_runner.h"
#include "tests/support/test_environment.h"
#include "tools/xscreensaver_config.h"

namespace korv::tool {
namespace {

std::string Fixture(const std::string& name) {
    return test::ReadFileBytes(test::SourceFilePath("tests/tools/xscreensaver-files/" + name));
}

const char* const kListedFiles[] = {"written-by-settings.xscreensaver", "hand-edited.xscreensaver",
                                    "app-defaults.XScreenSaver"};
const std::string kAwkwardPath = "/home/u/my savers/It's \"Demo\"; $(rm -rf ~) `x` & *";

TEST(XScreenSaverConfigTest, ReadsEntriesAsXScreenSaverLaysThemOut) {
    auto written = ReadProgramsList(Fixture("written-by-settings.xscreensaver"));
    ASSERT_TRUE(written);
    ASSERT_EQ(written->size(), 249u);
    EXPECT_EQ(written->front().program, "maze");
    EXPECT_FALSE(written->front().disabled);
    EXPECT_EQ((*written)[1].command, "superquadrics --root");
    EXPECT_TRUE((*written)[1].disabled);
    EXPECT_EQ((*written)[1].visual, "GL");
    EXPECT_EQ(written->back().program, "squirtorus");

    // A later resource overrides an earlier one; a comment is no resource.
    auto edited = ReadProgramsList(Fixture("hand-edited.xscreensaver"));
    ASSERT_TRUE(edited);
    std::vector<std::string> programs;
    for (const ProgramsEntry& entry : *edited) programs.push_back(entry.program);
    EXPECT_EQ(programs, (std::vector<std::string>{"first-on-the-line", "qix", "rocks", "superquadrics", "pipes",
                                                  "/opt/hacks/starfield", "sh"}));
    EXPECT_EQ((*edited)[1].name, "Qix (solid)");
    EXPECT_EQ((*edited)[1].command, "qix -root -solid -segments 100");
    EXPECT_TRUE((*edited)[2].disabled);
    EXPECT_EQ((*edited)[2].name, "Rocks,  slow");
    EXPECT_TRUE((*edited)[3].disabled && (*edited)[3].visual == "GL");
    EXPECT_TRUE(!(*edited)[4].disabled && (*edited)[4].visual == "GL" && (*edited)[4].name == "Pipes");
    EXPECT_EQ((*edited)[5].visual, "default");
    EXPECT_NE((*edited)[5].command.find("-speed 3"), std::string::npos);  // continued on the next line
    EXPECT_EQ((*edited)[6].command, "sh -c \"fortune | xmessage -file -\"");

    EXPECT_FALSE(ReadProgramsList(Fixture("without-programs.xscreensaver")));
    EXPECT_EQ(ReadProgramsList(Fixture("app-defaults.XScreenSaver"))->size(), 4u);
}

TEST(XScreenSaverConfigTest, AnAddedEntryComesBackWhole_AndRemovingItRestoresTheFile) {
    ASSERT_TRUE(FitsProgramsList(kAwkwardPath));
    std::string entry = FormatProgramsEntry("It's \"Demo\"\\n\\\n- GL: evil", kAwkwardPath, "--root");
    std::vector<std::string> texts;
    for (const char* name : kListedFiles) texts.push_back(Fixture(name));
    // Lists whose last entry has no "\n" after it, on the last line or
    // before a blank one; an empty list; a list at the end of the file.
    for (const char* text : {"programs: a -root\nmode: one\n", "programs: \\\n  a -root \\\n\nmode: one\n",
                             "programs:\n", "programs: a -root \\n\\\n  b -root"})
        texts.push_back(text);
    for (const std::string& original : texts) {
        const std::string& name = original;
        size_t before = ReadProgramsList(original)->size();
        std::string added = AddProgramsEntry(original, entry, "");
        auto entries = ReadProgramsList(added);
        ASSERT_TRUE(entries) << name;
        // Exactly one more entry: the list neither swallowed the resources
        // after it nor let the name start another entry.
        ASSERT_EQ(entries->size(), before + 1) << name << "\n" << added;
        EXPECT_EQ(entries->back().program, kAwkwardPath) << name;
        EXPECT_EQ(entries->back().name, "It's Demon- GL: evil") << name;
        EXPECT_FALSE(entries->back().disabled);
        // Files as people and xscreensaver write them come back byte for
        // byte; an unended last entry keeps the "\n" that now ends it.
        std::string removed = RemoveProgramsEntries(added, kAwkwardPath);
        if (&original - texts.data() < 3) EXPECT_EQ(removed, original) << name;
        EXPECT_EQ(ReadProgramsList(removed)->size(), before) << name;
    }
    // The shell that runs the entry gets the path as one word.
    auto entries = ReadProgramsList(AddProgramsEntry("", FormatProgramsEntry("Demo", kAwkwardPath, ""), ""));
    ASSERT_TRUE(entries && entries->size() == 1);
    test::CommandResult shell = test::RunCommand("/bin/sh", {"-c", "printf %s " + entries->front().command});
    EXPECT_EQ(shell.out, kAwkwardPath);

    for (const std::string unfit : {"/a\\n\\b", "/a\nb", "/a\tb"})
        EXPECT_FALSE(FitsProgramsList(unfit)) << unfit;
}

TEST(XScreenSaverConfigTest, RemovingKeepsEveryOtherLineByteForByte) {
    std::string written = Fixture("written-by-settings.xscreensaver");
    std::string mazeLine = "\t\t\t\tmaze --root\t\t\t\t    \\n\\\n";
    ASSERT_NE(written.find(mazeLine), std::string::npos);
    std::string withoutMaze = written;
    withoutMaze.erase(withoutMaze.find(mazeLine), mazeLine.size());
    EXPECT_EQ(RemoveProgramsEntries(written, "maze"), withoutMaze);

    std::string edited = Fixture("hand-edited.xscreensaver");
    for (const char* program : {"first-on-the-line", "/opt/hacks/starfield", "sh", "rocks"}) {
        std::string removed = RemoveProgramsEntries(edited, program);
        auto entries = ReadProgramsList(removed);
        ASSERT_TRUE(entries) << program;
        EXPECT_EQ(entries->size(), 6u) << program << "\n" << removed;
        for (const ProgramsEntry& entry : *entries) EXPECT_NE(entry.program, program);
        EXPECT_NE(removed.find("# after the list\nlock:\t\tTrue\n"), std::string::npos) << program;
        EXPECT_NE(removed.find("programs:   old-list --root\n"), std::string::npos) << program;
    }
    EXPECT_EQ(RemoveProgramsEntries(edited, "no-such-hack"), edited);

    // Neighbours of the same program go together.
    std::string twice = "programs: \\\n  a -root \\n\\\n  a -root \\n\\\n  b -root \\n\\\n\nmode: one\n";
    EXPECT_EQ(RemoveProgramsEntries(twice, "a"), "programs: \\\n  b -root \\n\\\n\nmode: one\n");
}

TEST(XScreenSaverConfigTest, AFileWithoutAListGetsTheSystemListAndTheEntry) {
    std::string original = Fixture("without-programs.xscreensaver");
    auto defaults = ProgramsValueText(Fixture("app-defaults.XScreenSaver"));
    ASSERT_TRUE(defaults);
    std::string added = AddProgramsEntry(original, FormatProgramsEntry("Demo", "/s/Demo", "--root"), *defaults);
    EXPECT_EQ(added.substr(0, original.size()), original);
    auto entries = ReadProgramsList(added);
    ASSERT_TRUE(entries);
    std::vector<std::string> programs;
    for (const ProgramsEntry& entry : *entries) programs.push_back(entry.program);
    EXPECT_EQ(programs, (std::vector<std::string>{"maze", "superquadrics", "noseguy", "qix", "/s/Demo"}));
    EXPECT_TRUE((*entries)[2].disabled);

    auto alone = ReadProgramsList(AddProgramsEntry("", FormatProgramsEntry("Demo", "/s/Demo", "--root"), ""));
    ASSERT_TRUE(alone && alone->size() == 1);
    EXPECT_EQ(alone->front().command, "/s/Demo --root");
}

}  // namespace
}  // namespace korv::tool
