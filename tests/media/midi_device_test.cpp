// The MIDI device: each play's end reaches the callback window's thread as a
// notification with the device id; a successful end sets the done event, or
// with loop set opens and plays the file again; stopped, closed and
// superseded plays neither restart nor set it; damaged files fail to open;
// a device destroyed while its notification waits is left alone.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "media/sound/mci_errors.h"
#include "media/sound/midi_device.h"
#include "tests/support/instant_audio_output.h"
#include "tests/support/midi_file_writer.h"
#include "tests/support/test_environment.h"
#include "tests/support/worker_media_host.h"

namespace korv {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kWaitMs = 30000;

// A song of `seconds` at 120 beats a minute: a flute note, then rests.
void WriteSong(const fs::path& path, uint32_t seconds) {
    test::MidiFileWriter midi(480);
    midi.Program(0, 0, 73);
    midi.Note(0, 240, 0, 69);
    midi.EndAt(seconds * 960);
    midi.Save(path);
}

class MidiDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetSystemAudio(&output);
        WriteSong(dir / "short.mid", 1);
        WriteSong(dir / "long.mid", 600);
        device->SetCallbackWindow(&host);
    }
    void TearDown() override {
        device.reset();
        host.WaitIdle(kWaitMs);
        platform::SetSystemAudio(nullptr);
    }

    std::string File(const char* name) const { return (dir / name).string(); }
    size_t Sources() const { return output.Sources().size(); }
    // Waits for `count` sources (plays) in all.
    bool WaitSources(size_t count) const {
        for (uint32_t i = 0; i < kWaitMs / 10 && Sources() < count; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return Sources() >= count;
    }
    // No notification in flight changes anything more.
    void Settle() {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ASSERT_TRUE(host.WaitIdle(kWaitMs));
    }

    test::TempDir dir;
    test::InstantAudioOutput output;
    test::WorkerMediaHost host;
    std::shared_ptr<CMidiDevice> device = CMidiDevice::Create();
};

TEST_F(MidiDeviceTest, PlayWithoutLoopSetsTheDoneEventOnceAfterTheWholeSong) {
    ASSERT_TRUE(device->Open(File("short.mid"), false));
    EXPECT_TRUE(device->IsOpened());
    EXPECT_NE(device->GetDeviceId(), 0u);
    ASSERT_TRUE(device->Play());
    ASSERT_TRUE(device->doneEvent.Wait(kWaitMs));
    ASSERT_EQ(Sources(), 1u);
    auto source = output.Sources()[0];
    EXPECT_EQ(source->Bytes().size(), 44100u * 4) << "one second of 16-bit stereo: the song ends at its last event";
    EXPECT_TRUE(source->Ended().IsSet());
    EXPECT_FALSE(source->Stopped());

    device->doneEvent.Reset();
    Settle();
    EXPECT_FALSE(device->doneEvent.IsSet()) << "the done event is set once";
    EXPECT_EQ(Sources(), 1u);
    EXPECT_EQ(host.Posted(), 1) << "one notification for one play";
}

TEST_F(MidiDeviceTest, LoopRestartsOnEverySuccessfulEndWithANewDeviceId) {
    device->loop = true;
    ASSERT_TRUE(device->Open(File("short.mid"), false));
    const uint32_t firstId = device->GetDeviceId();
    ASSERT_TRUE(device->Play());
    ASSERT_TRUE(WaitSources(3)) << "two restarts";
    EXPECT_FALSE(device->doneEvent.IsSet());
    EXPECT_TRUE(device->IsOpened());
    EXPECT_NE(device->GetDeviceId(), firstId);
    for (size_t i = 0; i + 1 < Sources(); ++i)
        EXPECT_EQ(output.Sources()[i]->Bytes().size(), 44100u * 4) << "play " << i << " was heard to its end";

    ASSERT_TRUE(device->Stop());
    Settle();
    const size_t plays = Sources();
    Settle();
    EXPECT_EQ(Sources(), plays) << "a stopped loop stays stopped";
    EXPECT_FALSE(device->doneEvent.IsSet());
}

TEST_F(MidiDeviceTest, StopAndCloseAbortWithoutRestartOrDone) {
    device->loop = true;
    ASSERT_TRUE(device->Open(File("long.mid"), false));
    ASSERT_TRUE(device->Play());
    ASSERT_TRUE(device->Stop());
    ASSERT_EQ(Sources(), 1u);
    EXPECT_TRUE(output.Sources()[0]->Stopped()) << "the sound stops at once";
    EXPECT_TRUE(device->IsOpened());

    ASSERT_TRUE(device->Play()) << "a stopped device plays on";
    ASSERT_TRUE(device->Close());
    EXPECT_FALSE(device->IsOpened());
    EXPECT_EQ(device->GetDeviceId(), 0u);
    EXPECT_TRUE(output.Sources()[1]->Stopped());
    Settle();
    EXPECT_EQ(Sources(), 2u) << "aborted plays do not restart";
    EXPECT_FALSE(device->doneEvent.IsSet());
    EXPECT_EQ(host.Posted(), 2) << "one aborted notification each, nothing from Close itself";

    EXPECT_FALSE(device->Play());
    EXPECT_EQ(device->lastError, kMciErrorInvalidDeviceId);
}

TEST_F(MidiDeviceTest, AStopAfterTheEndCancelsTheRestartOnItsWay) {
    host.Hold();
    device->loop = true;
    ASSERT_TRUE(device->Open(File("short.mid"), false));
    ASSERT_TRUE(device->Play());
    ASSERT_TRUE(host.WaitPosted(1, kWaitMs)) << "the successful end is waiting";
    ASSERT_TRUE(device->Stop());
    host.Release();
    Settle();
    EXPECT_EQ(Sources(), 1u);
    EXPECT_FALSE(device->doneEvent.IsSet());
}

TEST_F(MidiDeviceTest, ASecondPlaySupersedesTheFirstAndOwnsTheEnd) {
    WriteSong(dir / "ten.mid", 10);
    ASSERT_TRUE(device->Open(File("ten.mid"), false));
    ASSERT_TRUE(device->Play());
    ASSERT_TRUE(device->Play());
    ASSERT_TRUE(device->doneEvent.Wait(kWaitMs));
    ASSERT_EQ(Sources(), 1u) << "the play went on";
    EXPECT_EQ(output.Sources()[0]->Bytes().size(), 10u * 44100 * 4);
    Settle();
    EXPECT_EQ(host.Posted(), 2) << "superseded, then successful";
}

TEST_F(MidiDeviceTest, NotificationsForOtherIdsOrCodesAreIgnored) {
    ASSERT_TRUE(device->Open(File("long.mid"), false));
    const uint32_t id = device->GetDeviceId();
    device->OnNotify(kMciNotifySuccessful, id + 1);
    device->OnNotify(kMciNotifyAborted, id);
    device->OnNotify(kMciNotifySuperseded, id);
    device->OnNotify(kMciNotifyFailure, id);
    EXPECT_FALSE(device->doneEvent.IsSet());
    device->OnNotify(kMciNotifySuccessful, id);
    EXPECT_TRUE(device->doneEvent.IsSet());

    device->doneEvent.Reset();
    device->loop = true;
    device->OnNotify(kMciNotifySuccessful, id);
    EXPECT_TRUE(device->IsOpened());
    EXPECT_NE(device->GetDeviceId(), id) << "reopened";
    EXPECT_EQ(Sources(), 1u) << "and playing";
    EXPECT_FALSE(device->doneEvent.IsSet());
    device->OnNotify(kMciNotifySuccessful, id);
    EXPECT_EQ(Sources(), 1u) << "the old open's end does nothing";
}

TEST_F(MidiDeviceTest, DamagedFilesFailToOpen) {
    const auto bytes = [] {
        test::MidiFileWriter midi;
        midi.Note(0, 480, 0, 60);
        return midi.Bytes();
    }();
    auto write = [&](const char* name, size_t size) {
        std::ofstream(dir / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(size));
        return File(name);
    };
    struct Case {
        std::string file;
        uint32_t error;
    };
    for (const Case& c : {Case{write("empty.mid", 0), kMciErrorInvalidFile},
                          Case{write("header.mid", 14), kMciErrorInvalidFile},
                          Case{write("cut.mid", bytes.size() - 1), kMciErrorInvalidFile},
                          Case{File("missing.mid"), kMciErrorFileNotFound}}) {
        device->lastError = 0;
        EXPECT_FALSE(device->Open(c.file, false)) << c.file;
        EXPECT_EQ(device->lastError, c.error) << c.file;
        EXPECT_FALSE(device->IsOpened());
        EXPECT_EQ(device->GetDeviceId(), 0u);
        EXPECT_FALSE(device->Play());
    }
    EXPECT_EQ(Sources(), 0u);
}

TEST_F(MidiDeviceTest, DeviceIdsAreUniqueForEveryOpen) {
    std::set<uint32_t> ids;
    auto other = CMidiDevice::Create();
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(device->Open(File("short.mid"), false));
        ASSERT_TRUE(other->Open(File("short.mid"), true));
        ids.insert(device->GetDeviceId());
        ids.insert(other->GetDeviceId());
    }
    EXPECT_EQ(ids.size(), 6u);
    EXPECT_EQ(ids.count(0), 0u);
}

TEST_F(MidiDeviceTest, DestroyingTheDeviceWithANotificationInFlightIsSafe) {
    host.Hold();
    device->loop = true;
    device->fileName = File("short.mid");
    ASSERT_TRUE(device->Open(device->fileName, false));
    ASSERT_TRUE(device->Play());
    ASSERT_TRUE(host.WaitPosted(1, kWaitMs)) << "the successful end is waiting";
    device.reset();
    EXPECT_FALSE(fs::exists(dir / "short.mid")) << "the destructor deletes the file played";
    host.Release();
    ASSERT_TRUE(host.WaitIdle(kWaitMs));
    EXPECT_EQ(host.Ran(), 1);
    EXPECT_EQ(Sources(), 1u) << "no restart for a device that is gone";
}

// An output that takes no source.
class RefusingAudioOutput final : public platform::AudioOutput {
public:
    std::shared_ptr<platform::AudioSource> Open(const platform::AudioFormat&) override { return nullptr; }
    void SetMuted(bool) override {}
    bool Muted() const override { return false; }
    std::string DriverName() const override { return "refusing"; }
};

TEST_F(MidiDeviceTest, WithoutAnAudioOutputPlayFails) {
    RefusingAudioOutput refusing;
    platform::SetSystemAudio(&refusing);
    ASSERT_TRUE(device->Open(File("short.mid"), false));
    EXPECT_FALSE(device->Play());
    EXPECT_EQ(device->lastError, kMciErrorHardware);
}

}  // namespace
}  // namespace korv
