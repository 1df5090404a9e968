// Compiling scripts and loading the files back: the writer and the loader
// must agree on every byte, and the loader must refuse what is damaged.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <limits>
#include <map>

#include "platform/archive.h"
#include "platform/exception.h"
#include "scenario/flow_commands.h"
#include "scenario/html_commands.h"
#include "scenario/line_command.h"
#include "scenario/media_commands.h"
#include "scenario/object_commands.h"
#include "scenario/record_builder.h"
#include "scenario/scenario.h"
#include "scenario/scenario_compiler.h"
#include "scenario/scene_context.h"
#include "scenario/script_values.h"
#include "scenario/visual_object.h"
#include "tests/support/test_environment.h"
#include "update/script_container.h"
#include "update/text_container.h"

namespace korv {
namespace {

namespace fs = std::filesystem;

// Flattens a command's fields into "group.name" → value texts.
class FlatFields : public FieldSink {
public:
    std::map<std::string, std::string> fields;
    void Int(const char* name, int64_t value) override { fields[prefix_ + name] = std::to_string(value); }
    void Text(const char* name, const std::string& value) override { fields[prefix_ + name] = value; }
    void Data(const char* name, std::span<const uint8_t> bytes) override {
        fields[prefix_ + name] = std::string(bytes.begin(), bytes.end());
    }
    void BeginGroup(const char* name) override { prefix_ = std::string(name) + "."; }
    void EndGroup() override { prefix_.clear(); }

private:
    std::string prefix_;
};

std::map<std::string, std::string> Fields(const SceneCommand& command) {
    FlatFields flat;
    command.Describe(flat);
    return flat.fields;
}

// Pictures and texts measured without decoding or rendering: a picture is
// as wide as its byte count and 1 high; a text is 10 pixels per byte and 20
// high, unless texts are told to fail.
class SizedPictures : public ObjectPictures {
public:
    std::optional<Size> MeasurePicture(std::span<const uint8_t> encoded) const override {
        return Size{static_cast<int>(encoded.size()), 1};
    }
    std::optional<Size> RenderText(VisualObject& text) const override {
        if (textsFail) return std::nullopt;
        return Size{static_cast<int>(text.text.size()) * 10, 20};
    }
    bool textsFail = false;
};

class ScenarioFileTest : public ::testing::Test {
protected:
    ScenarioFileTest() { fs::create_directories(content()); }

    fs::path content() const { return dir_ / "content"; }
    fs::path output() const { return dir_ / "out" / "demo.zep"; }
    void AddFile(const std::string& name, const std::string& bytes) { test::WriteFileBytes(content() / name, bytes); }

    CompileResult Compile(const std::string& script, std::vector<std::string> textSources = {}) {
        fs::create_directories(output().parent_path());
        CompileRequest request{SplitStatements(script), content().string(), output().parent_path().string(), "demo",
                               std::move(textSources), ReadTextItem};
        ScenarioCompiler compiler(std::move(request));
        CompileResult result = compiler.Compile();
        lastError_ = compiler.Error();
        return result;
    }
    // Loads the compiled file into `scenario_`.
    bool Load() { return LoadBytes(test::ReadFileBytes(output())); }
    bool LoadBytes(const std::string& bytes) {
        scenario_ = std::make_unique<Scenario>();
        auto data = reinterpret_cast<const uint8_t*>(bytes.data());
        platform::ArchiveReader archive(std::span<const uint8_t>(data, bytes.size()));
        return scenario_->Load(archive, pictures_);
    }
    template <typename T>
    T& Record(size_t index) {
        auto* command = dynamic_cast<T*>(&scenario_->At(index));
        EXPECT_NE(command, nullptr) << "record " << index;
        return *command;
    }

    test::TempDir dir_;
    test::CapturedMessages messages_;
    SizedPictures pictures_;
    std::unique_ptr<Scenario> scenario_;
    std::string lastError_;
};

const char* kEveryCommand =
    "VERSION 500;\r\n"
    "IMAGE pic,pic.png,7,NRM,640,480,ON,ON,http://x/pic.png;\r\n"
    "TEXT hello,greeting,Verdana,BLI,-24,SU,255.128.000,OPQ,000.000.255,238,2,texts;\r\n"
    "MEDIA beep,beep.wav,8,http://x/beep.wav;\r\n"
    "CLS RND,010.020.030;\r\n"
    "REPEAT;\r\n"
    "SHOW pic,CTR,BTM,15,25,7,150,ON,LBL,1800;\r\n"
    "WAIT RND,2.5;\r\n"
    "MOVE pic,LFT,TOP,RGT,12,1,2,100,200,X,7,11,ON,ON;\r\n"
    "HIDE pic;\r\n"
    "UNTIL INF,3;\r\n"
    "LINE 2,1,RND,x,RND,y,10,20,30,40,RND,255.000.000;\r\n"
    "PLAY beep,ON,ON,INF,2,320,240,,CTR,x,5,6,9;\r\n"
    "STOP beep;\r\n"
    "COMMENT hello there;\r\n"
    "URL http://example.com/,1,OFF;\r\n"
    "SHOWHTML CTR,RNP,10,20,300,200,ON,ON,page.html;\r\n"
    "SHOWHTML 1,2,3,4,5,6,,OFF,http://example.com/live;\r\n"
    "HIDEHTML ON;\r\n"
    "SHOW hello,LFT,TOP,10,10,0,100,,,;\r\n";

TEST_F(ScenarioFileTest, EveryCommandCompilesAndLoadsBackFieldForField) {
    AddFile("pic.png", "PNGDATA");
    AddFile("beep.wav", "RIFFWAVE");
    AddFile("page.html", "<html>hi</html>");
    AddFile("TextFile000.html", "<KORVText><br><TextItem=greeting>Hi<br>there\\0044 you</TextItem></KORVText>");
    ASSERT_EQ(Compile(kEveryCommand, {"texts"}), CompileResult::Ok) << lastError_;
    ASSERT_TRUE(Load()) << scenario_->LoadError();
    ASSERT_EQ(scenario_->CommandCount(), 19u);
    EXPECT_EQ(scenario_->FormatVersion(), 25.0f);

    // Every loaded record equals what the compiler built for its statement.
    auto statements = SplitStatements(kEveryCommand);
    CompileRequest request{statements, content().string(), "", "demo", {"texts"}, ReadTextItem};
    RecordBuilder builder(request, 500);
    for (size_t i = 1; i < statements.size(); ++i) {
        auto expected = builder.Build(ScriptTokens(statements[i]));
        EXPECT_EQ(Fields(scenario_->At(i - 1)), Fields(*expected)) << statements[i];
    }

    auto& picture = Record<VisualObject>(0);
    EXPECT_EQ(picture.mode, PictureEmbedded);
    EXPECT_EQ(picture.width, 640);
    EXPECT_EQ(picture.fitScreen, 1);
    EXPECT_EQ(std::string(picture.data.begin(), picture.data.end()), "PNGDATA");
    EXPECT_EQ(picture.extra, "http://x/pic.png");
    EXPECT_EQ(picture.naturalWidth, 7);  // measured at load

    auto& text = Record<VisualObject>(1);
    EXPECT_EQ(text.text, "Hi\r\nthere, you");
    EXPECT_EQ(text.font.FaceName(), "Verdana");
    EXPECT_EQ(text.font.weight, 700);
    EXPECT_EQ(text.font.italic, 1);
    EXPECT_EQ(text.font.underline, 1);
    EXPECT_EQ(text.font.strikeOut, 1);
    EXPECT_EQ(text.font.height, -24);
    EXPECT_EQ(text.font.charSet, 238);
    EXPECT_EQ(text.textColour, 255u + 256u * 128u);
    EXPECT_EQ(text.backColour, 255u * 65536u);
    EXPECT_EQ(text.opaque, 1);
    EXPECT_EQ(text.align, AlignRight);
    EXPECT_EQ(text.extra, "texts");
    EXPECT_EQ(text.naturalWidth, 140);

    auto& media = Record<CMedia>(2);
    EXPECT_EQ(media.kind, MediaWave);
    EXPECT_EQ(media.fileName, "beep.wav");

    auto& show = Record<ShowCommand>(5);
    EXPECT_EQ(show.Target(), &picture);
    EXPECT_EQ(show.placement.anchorX1, AnchorCentre);
    EXPECT_EQ(show.placement.anchorY1, AnchorEnd);
    EXPECT_EQ(show.placement.stepX, -1);  // x2 0 lies left of x1 15
    EXPECT_EQ(show.placement.alongX, 0);
    EXPECT_EQ(show.placement.label, 1);
    EXPECT_EQ(show.placement.labelPeriod, 1800);
    EXPECT_EQ(show.placement.effect, 7);
    EXPECT_EQ(show.placement.saveUnder, 1);

    auto& move = Record<MoveCommand>(7);
    EXPECT_EQ(move.placement.anchorY2, AnchorExplicit);
    EXPECT_EQ(move.placement.speedPeriod, 1100);
    EXPECT_EQ(move.placement.stepX, 7);
    EXPECT_EQ(move.placement.alongX, 1);

    auto& until = Record<UntilCommand>(9);
    EXPECT_EQ(until.BodyStart(), 5);
    EXPECT_EQ(until.infinite, 1);

    auto& play = Record<PlayCommand>(11);
    EXPECT_EQ(play.Target(), &media);
    EXPECT_EQ(play.centreX, 1);
    EXPECT_EQ(play.centreY, 5);
    EXPECT_EQ(play.frame, 9);
    EXPECT_EQ(play.hasFrame, 1);

    auto& localPage = Record<ShowHtmlCommand>(15);
    EXPECT_EQ(localPage.isAddress, 0);
    EXPECT_EQ(std::string(localPage.data.begin(), localPage.data.end()), "<html>hi</html>");
    EXPECT_EQ(Record<ShowHtmlCommand>(16).isAddress, 1);
    EXPECT_TRUE(Record<ShowHtmlCommand>(16).data.empty());
    EXPECT_EQ(Record<ShowCommand>(18).Target(), &text);

    ASSERT_EQ(scenario_->References().size(), 3u);
    EXPECT_EQ(scenario_->References()[0].users, (std::vector<int32_t>{5, 7, 8}));
    EXPECT_EQ(scenario_->References()[1].users, (std::vector<int32_t>{18}));
    EXPECT_EQ(scenario_->References()[2].users, (std::vector<int32_t>{11, 12}));
}

TEST_F(ScenarioFileTest, ArgumentRulesOfWaitMoveAndColour) {
    AddFile("p.png", "P");
    ASSERT_EQ(Compile("VERSION 500;IMAGE p,p.png,1,NRM;WAIT RND,2.5;WAIT ,0.0015;WAIT ;"
                      "MOVE p,,,,,0,0,0,0,,1,5;MOVE p,,,,,0,0,0,0,,1,10;MOVE p,,,,,0,0,0,0,,1,11;"
                      "MOVE p,,,,,0,0,0,0,,1,1000;MOVE p,,,,,0,0,0,0,,1,0;CLS ,255,128,000;IMAGE q,p.png,1;"),
              CompileResult::Ok)
        << lastError_;
    ASSERT_TRUE(Load());
    EXPECT_EQ(Record<WaitCommand>(1).milliseconds, 2500);
    EXPECT_EQ(Record<WaitCommand>(1).random, 1);
    EXPECT_EQ(Record<WaitCommand>(2).milliseconds, 1);
    EXPECT_EQ(Record<WaitCommand>(3).milliseconds, 0);
    const int32_t periods[] = {50000, 100000, 1100, 100000, 0};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Record<MoveCommand>(4 + i).placement.speedPeriod, periods[i]);
    // In a script the colour's commas split arguments: "255" is all CLS sees.
    EXPECT_EQ(Record<ClearCommand>(9).colour.colour, 255u + 65536u * 255u);
    EXPECT_EQ(Record<VisualObject>(10).mode, PictureDesktop);  // no mode argument
}

TEST_F(ScenarioFileTest, FaceNamesKeepAtMost31Characters) {
    std::string face31(31, 'F'), face40(40, 'G');
    ASSERT_EQ(Compile("TEXT a,x," + face31 + ",NRM,12;TEXT b,y," + face40 + ",NRM,12;"), CompileResult::Ok);
    ASSERT_TRUE(Load());
    EXPECT_EQ(Record<VisualObject>(0).font.FaceName(), face31);
    EXPECT_EQ(Record<VisualObject>(1).font.FaceName(), face40.substr(0, 31));
}

TEST_F(ScenarioFileTest, TextLengthsSwitchEncodingAt255) {
    ASSERT_EQ(Compile("COMMENT " + std::string(254, 'a') + ";COMMENT " + std::string(255, 'b') + ";"), CompileResult::Ok);
    std::string bytes = test::ReadFileBytes(output());
    size_t first = bytes.find(std::string(254, 'a'));
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(static_cast<uint8_t>(bytes[first - 1]), 254);
    size_t second = bytes.find(std::string(255, 'b'));
    EXPECT_EQ(bytes.substr(second - 3, 3), std::string("\xFF\xFF\x00", 3));
    ASSERT_TRUE(Load());
    EXPECT_EQ(Record<CommentCommand>(1).comment, std::string(255, 'b'));
}

TEST_F(ScenarioFileTest, VersionAbove500IsRefusedAndWritesNothing) {
    EXPECT_EQ(Compile("VERSION 500;CLS ,000.000.000;"), CompileResult::Ok);
    std::string before = test::ReadFileBytes(output());
    EXPECT_EQ(Compile("VERSION 501;CLS ,255.255.255;"), CompileResult::NewerFormat);
    EXPECT_EQ(test::ReadFileBytes(output()), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(output().parent_path()), fs::directory_iterator()), 1);
}

TEST_F(ScenarioFileTest, ScriptsWithoutVersionOrWithStrayLinesStillLoad) {
    AddFile("s.mp3", "ID3");
    ASSERT_EQ(Compile("COMMENT first;bogus line; ;TEXT t,plain<br>text,Arial,NRM,10;SHOW t,LFT,TOP,0,0,0,100,,LBL,50;"
                      "MEDIA s,s.mp3,3,;PLAY s,,ON,,1,9,9,ON,CTR,CTR,3,3,3;"),
              CompileResult::Ok);
    ASSERT_TRUE(Load()) << scenario_->LoadError();
    ASSERT_EQ(scenario_->CommandCount(), 5u);
    EXPECT_EQ(Record<VisualObject>(1).text, "plain\r\ntext");
    EXPECT_EQ(Record<ShowCommand>(2).placement.labelPeriod, 200);  // before version 400
    EXPECT_EQ(Record<ShowCommand>(2).placement.label, 0);
    EXPECT_EQ(Record<CMedia>(3).kind, MediaMp3);
    auto& play = Record<PlayCommand>(4);
    EXPECT_EQ(play.width, 0);  // the short form below version 450
    EXPECT_EQ(play.fullScreen, 0);
    EXPECT_EQ(play.frame, -1);
    EXPECT_EQ(play.Target(), &Record<CMedia>(3));
}

TEST_F(ScenarioFileTest, TwoDeclarationsOfOneNameTheLaterWins) {
    AddFile("a.png", "AAAA");
    AddFile("b.png", "BB");
    ASSERT_EQ(Compile("IMAGE pic,a.png,4,NRM;IMAGE pic,b.png,2,NRM;SHOW pic;HIDE pic;"), CompileResult::Ok);
    ASSERT_TRUE(Load());
    EXPECT_EQ(scenario_->References()[0].users, (std::vector<int32_t>{2, 3}));
    EXPECT_EQ(scenario_->References()[1].users, (std::vector<int32_t>{2, 3}));
    EXPECT_EQ(Record<ShowCommand>(2).Target(), &Record<VisualObject>(1));
    EXPECT_EQ(Record<VisualObject>(0).Referrers().size(), 2u);
}

TEST_F(ScenarioFileTest, CommandsNamingNothingCompileButDoNotLoad) {
    ASSERT_EQ(Compile("SHOW ghost,LFT,TOP;"), CompileResult::Ok);
    EXPECT_FALSE(Load());
    EXPECT_EQ(messages_.texts(), std::vector<std::string>{"You have to choose the image."});
    ASSERT_EQ(Compile("STOP ghost;"), CompileResult::Ok);
    EXPECT_FALSE(Load());
    EXPECT_EQ(messages_.texts().back(), "You have to choose the media.");
}

// Whatever stops a scenario from loading is reported with the stop icon.
TEST_F(ScenarioFileTest, WhatCannotBePreparedIsReportedWithTheStopIcon) {
    auto expectStop = [&](const std::string& text) {
        ASSERT_FALSE(messages_.all().empty());
        EXPECT_EQ(messages_.all().back().text, text);
        EXPECT_EQ(messages_.all().back().icon, platform::MessageBoxIcon::Stop) << text;
    };
    ASSERT_EQ(Compile("SHOW ghost,LFT,TOP;"), CompileResult::Ok);
    EXPECT_FALSE(Load());
    expectStop("You have to choose the image.");
    ASSERT_EQ(Compile("STOP ghost;"), CompileResult::Ok);
    EXPECT_FALSE(Load());
    expectStop("You have to choose the media.");

    pictures_.textsFail = true;
    ASSERT_EQ(Compile("TEXT t,Hello,Arial,NRM,10;SHOW t;"), CompileResult::Ok);
    EXPECT_FALSE(Load());
    expectStop("Hello\ntext bitmap cannot be made.");

    VisualObject picture;
    EXPECT_FALSE(picture.Prepare(pictures_));
    expectStop("You have to choose the image.");
    CMedia media;
    EXPECT_FALSE(media.Prepare(pictures_));
    expectStop("You have to choose the media.");
}

TEST_F(ScenarioFileTest, LoopsFindTheirRepeatAndNest) {
    ASSERT_EQ(Compile("REPEAT;REPEAT;WAIT ,1;UNTIL ,3;UNTIL ,2;"), CompileResult::Ok);
    ASSERT_TRUE(Load());
    EXPECT_EQ(Record<UntilCommand>(3).BodyStart(), 2);
    EXPECT_EQ(Record<UntilCommand>(4).BodyStart(), 1);

    // The inner body runs 3 × 2 times; a count of 0 runs a body once.
    struct NullWindow : SceneWindow {
        void Draw(const std::function<void(platform::Surface&)>&) override {}
        Size ClientSize() const override { return {}; }
        void SetBackground(platform::Colour, uint32_t) override {}
        platform::Colour GetBackground() const override { return {}; }
        uint32_t GetRasterOp() const override { return kRasterCopy; }
        void SetLink(const std::string&, int32_t) override {}
        void ClearLink() override {}
    };
    struct LoopContext : SceneContext {
        NullWindow window;
        platform::Event stop;
        platform::VirtualClock clock;
        SceneWindow& Window() override { return window; }
        const platform::Event& StopEvent() const override { return stop; }
        platform::Clock& Clock() override { return clock; }
        uint32_t SpeedCalibration() const override { return 0; }
    } context;
    int bodyRuns = 0;
    for (int i = 0; i < static_cast<int>(scenario_->CommandCount()); ++i) {
        if (i == 2) ++bodyRuns;
        scenario_->At(static_cast<size_t>(i)).Execute(context, i);
    }
    EXPECT_EQ(bodyRuns, 6);

    ASSERT_EQ(Compile("WAIT ,1;UNTIL ,3;"), CompileResult::Ok);
    EXPECT_FALSE(Load());  // UNTIL without REPEAT
}

TEST_F(ScenarioFileTest, UnreadableOrHostileFilesFailTheCompileAndKeepTheOldScenario) {
    AddFile("ok.png", "OK");
    ASSERT_EQ(Compile("IMAGE a,ok.png,2,NRM;"), CompileResult::Ok);
    const std::string good = test::ReadFileBytes(output());
    AddFile("empty.png", "");
    fs::create_directories(content() / "folder.png");
    test::WriteFileBytes(dir_ / "secret.png", "SECRET");
    for (std::string name : {"missing.png", "empty.png", "folder.png", "../secret.png", "\\0046\\0046\\0047secret.png",
                             "/etc/hostname"}) {
        EXPECT_EQ(Compile("IMAGE a," + name + ",2,NRM;"), CompileResult::Failed) << name;
        EXPECT_EQ(test::ReadFileBytes(output()), good) << name;
    }
    EXPECT_EQ(messages_.texts().front(), (content() / "missing.png").string() + "\nCannot be read data.");
    EXPECT_EQ(std::distance(fs::directory_iterator(output().parent_path()), fs::directory_iterator()), 1);

    // An escaped name is read under its unescaped name.
    AddFile("a,b.png", "COMMA");
    ASSERT_EQ(Compile("MEDIA m,a\\0044b.png,5,;"), CompileResult::Ok) << lastError_;
    ASSERT_TRUE(Load());
    EXPECT_EQ(Record<CMedia>(0).data.size(), 5u);
}

TEST_F(ScenarioFileTest, FormatVersionRangeIsInclusive) {
    ASSERT_EQ(Compile("COMMENT x;"), CompileResult::Ok);
    std::string bytes = test::ReadFileBytes(output());
    const size_t versionAt = 16;  // after the 15-character signature and its length byte
    auto withVersion = [&](float version) {
        std::string patched = bytes;
        std::memcpy(patched.data() + versionAt, &version, 4);
        return patched;
    };
    EXPECT_TRUE(LoadBytes(withVersion(20.0f)));
    EXPECT_TRUE(LoadBytes(withVersion(25.11f)));
    EXPECT_FALSE(LoadBytes(withVersion(19.99f)));
    EXPECT_FALSE(LoadBytes(withVersion(25.2f)));
    EXPECT_FALSE(LoadBytes(withVersion(std::numeric_limits<float>::quiet_NaN())));
    std::string badSignature = bytes;
    badSignature[5] ^= 1;
    EXPECT_FALSE(LoadBytes(badSignature));
}

TEST_F(ScenarioFileTest, DisabledDeclarationsWithoutUsersNeedNoData) {
    // Written by hand: a picture without data, disabled, and then with an enabled user.
    auto write = [&](bool withUser) {
        platform::File file;
        EXPECT_TRUE(file.Open(output().string(), platform::File::Mode::Write));
        platform::ArchiveWriter archive(file);
        archive.WriteString("KORV-SCENE-FILE");
        archive.WriteFloat(25.0f);
        archive.WriteI32(withUser ? 2 : 1);
        VisualObject picture;
        picture.SetDisabled(1);
        picture.Store(archive);
        if (withUser) ShowCommand().Store(archive);
        archive.WriteI32(withUser ? 1 : 0);
        if (withUser) archive.WriteI32(1);
        archive.Flush();
    };
    fs::create_directories(output().parent_path());
    write(false);
    EXPECT_TRUE(Load()) << scenario_->LoadError();
    write(true);
    EXPECT_FALSE(Load());
    EXPECT_EQ(messages_.texts().back(), "You have to choose the image.");
}

TEST_F(ScenarioFileTest, DamagedFilesAreRefusedAtEveryCut) {
    AddFile("p.png", "PICTURE");
    AddFile("m.mid", "MThd");
    ASSERT_EQ(Compile("VERSION 500;IMAGE p,p.png,7,NRM;MEDIA m,m.mid,4,;TEXT t,x,Arial,NRM,10;SHOW p;PLAY m;"
                      "REPEAT;UNTIL ,2;URL http://a/,0,;SHOWHTML 1,2,3,4,5,6,,OFF,http://b/;"),
              CompileResult::Ok);
    const std::string good = test::ReadFileBytes(output());
    ASSERT_TRUE(LoadBytes(good));
    for (size_t cut = 0; cut < good.size(); ++cut) EXPECT_FALSE(LoadBytes(good.substr(0, cut))) << cut;

    // Claims beyond the data: a record count, a picture size, a reference.
    auto patchI32 = [&](size_t at, int32_t value) {
        std::string patched = good;
        std::memcpy(patched.data() + at, &value, 4);
        return patched;
    };
    EXPECT_FALSE(LoadBytes(patchI32(20, 0x7FFFFFFF)));
    EXPECT_FALSE(LoadBytes(patchI32(20, -1)));
    size_t pictureSize = good.find(std::string("\x07\x00\x00\x00", 4), 24);
    ASSERT_NE(pictureSize, std::string::npos);
    EXPECT_FALSE(LoadBytes(patchI32(pictureSize, 0x7FFFFFF0)));
    EXPECT_FALSE(LoadBytes(patchI32(pictureSize, -5)));
    EXPECT_FALSE(LoadBytes(patchI32(24, 16)));                     // the first record's code
    EXPECT_FALSE(LoadBytes(patchI32(good.size() - 12, 99)));       // a reference outside the list
    EXPECT_FALSE(LoadBytes(patchI32(good.size() - 12, -1)));
    EXPECT_FALSE(LoadBytes(patchI32(good.size() - 8, 2)));         // PLAY's media list names the picture's SHOW
}

}  // namespace
}  // namespace korv
