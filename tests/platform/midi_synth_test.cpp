// The MIDI file reader and the synth: the song's length is its last event's
// time through every tempo change; damaged files are refused; the rendered
// sound has the notes' pitches, stops exactly at the last event and does
// not depend on how it is asked for.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <vector>

#include "platform/midi_file.h"
#include "platform/midi_synth.h"
#include "tests/support/midi_file_writer.h"
#include "tests/support/test_environment.h"

namespace korv {
namespace {

using platform::MidiOpenResult;
using test::MidiFileWriter;

constexpr int kFlute = 73;
constexpr int kA4 = 69;  // 440 Hz
constexpr int kA5 = 81;  // 880 Hz

// Half a second of A4, then the tempo doubles and A5 plays a quarter second,
// and the track ends at one second.
MidiFileWriter TwoNotesWithTempoChange() {
    MidiFileWriter midi(480);
    midi.Tempo(0, 500000);
    midi.Program(0, 0, kFlute);
    midi.Note(0, 470, 0, kA4);
    midi.Tempo(480, 250000);
    midi.Note(480, 480, 0, kA5);
    midi.EndAt(1440);
    return midi;
}

// Power of `frequency` in a Hann-windowed stretch of the left channel.
double Power(const std::vector<int16_t>& stereo, double fromSeconds, double toSeconds, double frequency) {
    const size_t first = static_cast<size_t>(fromSeconds * platform::kMidiSampleRate);
    const size_t last = static_cast<size_t>(toSeconds * platform::kMidiSampleRate);
    const double coefficient = 2 * std::cos(2 * std::numbers::pi * frequency / platform::kMidiSampleRate);
    double previous = 0, beforePrevious = 0;
    for (size_t i = first; i < last; ++i) {
        const double window = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i - first) / double(last - first));
        const double value = window * stereo[2 * i] + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = value;
    }
    return previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
}

// The note in a stretch is `frequency` when it is far stronger than the
// semitones beside it and than the octave below.
void ExpectPitch(const std::vector<int16_t>& stereo, double from, double to, double frequency) {
    const double power = Power(stereo, from, to, frequency);
    const double semitone = std::pow(2.0, 1.0 / 12);
    for (double other : {frequency / semitone, frequency * semitone, frequency / 2})
        EXPECT_GT(power, 20 * Power(stereo, from, to, other)) << frequency << " Hz against " << other << " Hz";
}

std::vector<int16_t> RenderAll(platform::MidiSong& song, size_t block = 1000) {
    std::vector<int16_t> all, part(block * 2);
    while (size_t frames = song.Render(part)) all.insert(all.end(), part.begin(), part.begin() + frames * 2);
    return all;
}

void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

TEST(MidiFileReader, LastEventTimeFollowsTheTempoMap) {
    auto summary = platform::ReadMidiFile(TwoNotesWithTempoChange().Bytes());
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->format, 0);
    EXPECT_EQ(summary->lastEventTick, 1440u);
    EXPECT_EQ(summary->lastEventMicroseconds, 1000000u);

    // Format 1: the tempo track is apart from the notes, which end later.
    MidiFileWriter tracks(96);
    tracks.Tempo(0, 1000000, 0);
    tracks.Tempo(192, 125000, 0);
    tracks.Note(0, 288, 0, 60, 100, 1);  // 2 s at the first tempo, then 96 ticks at 1/8 s a quarter
    summary = platform::ReadMidiFile(tracks.Bytes());
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->format, 1);
    EXPECT_EQ(summary->tracks, 2);
    EXPECT_EQ(summary->lastEventMicroseconds, 2125000u);

    // Time-code division: 25 frames of 40 ticks, 1 000 ticks a second; tempo is ignored.
    MidiFileWriter timeCode;
    timeCode.SetTimeCodeDivision(25, 40);
    timeCode.Tempo(0, 250000);
    timeCode.Note(100, 2400, 0, 60);
    summary = platform::ReadMidiFile(timeCode.Bytes());
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->lastEventMicroseconds, 2500000u);

    // Running status and a system-exclusive message are read through.
    std::vector<uint8_t> running = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 100, 'M', 'T', 'r', 'k', 0, 0, 0, 17,
                                    0, 0xF0, 2, 0x7E, 0xF7, 0, 0x90, 60, 100, 50, 60, 0, 0x81, 0x48, 0xFF, 0x2F, 0};
    summary = platform::ReadMidiFile(running);
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->lastEventTick, 50u + 200u);
    EXPECT_EQ(summary->lastEventMicroseconds, 1250000u);
}

TEST(MidiFileReader, RefusesDamagedFiles) {
    const auto good = TwoNotesWithTempoChange().Bytes();
    ASSERT_TRUE(platform::ReadMidiFile(good));
    for (size_t size = 0; size < good.size(); ++size)
        EXPECT_FALSE(platform::ReadMidiFile(std::span(good).first(size))) << "cut to " << size << " bytes";

    auto damaged = [&](size_t at, uint8_t value) {
        auto bytes = good;
        bytes[at] = value;
        return platform::ReadMidiFile(bytes).has_value();
    };
    EXPECT_FALSE(damaged(0, 'X'));    // not MThd
    EXPECT_FALSE(damaged(9, 3));      // format 3
    EXPECT_FALSE(damaged(11, 0));     // no tracks
    EXPECT_FALSE(damaged(11, 2));     // a second track that is not there
    EXPECT_FALSE(damaged(21, 0xFF));  // the track claims more bytes than the file has
    EXPECT_FALSE(damaged(good.size() - 2, 0x20));  // no end marker

    const std::vector<uint8_t> head = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0};
    auto track = [&](std::vector<uint8_t> body) {
        auto bytes = head;
        bytes.push_back(static_cast<uint8_t>(body.size()));
        bytes.insert(bytes.end(), body.begin(), body.end());
        return platform::ReadMidiFile(bytes).has_value();
    };
    EXPECT_TRUE(track({0, 0xFF, 0x2F, 0}));
    EXPECT_FALSE(track({0, 60, 100, 0, 0xFF, 0x2F, 0}));                     // data without a status
    EXPECT_FALSE(track({0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x2F, 0}));      // five-byte delta time
    EXPECT_FALSE(track({0, 0x90, 60, 0xC0, 0, 0xFF, 0x2F, 0}));              // status byte as data
    EXPECT_FALSE(track({0, 0xFF, 0x51, 2, 7, 0xA1, 0, 0xFF, 0x2F, 0}));      // tempo of two bytes
    EXPECT_FALSE(track({0, 0xFF, 0x51, 3, 0, 0, 0, 0, 0xFF, 0x2F, 0}));      // tempo zero
    EXPECT_FALSE(track({0, 0xF0, 0x7F, 1, 0, 0xFF, 0x2F, 0}));               // system-exclusive past the track
    EXPECT_FALSE(track({0, 0xF8, 0, 0xFF, 0x2F, 0}));                        // real-time byte
    EXPECT_FALSE(platform::ReadMidiFile({}));
}

TEST(MidiSynth, OpenReportsWhyAFileCannotPlay) {
    test::TempDir dir;
    EXPECT_EQ(platform::OpenMidiSong((dir / "missing.mid").string()).result, MidiOpenResult::FileNotFound);
    EXPECT_EQ(platform::OpenMidiSong(dir.str()).result, MidiOpenResult::FileUnreadable);
    WriteBytes(dir / "empty.mid", {});
    EXPECT_EQ(platform::OpenMidiSong((dir / "empty.mid").string()).result, MidiOpenResult::NotMidi);
    auto truncated = TwoNotesWithTempoChange().Bytes();
    truncated.resize(truncated.size() - 5);
    WriteBytes(dir / "truncated.mid", truncated);
    auto outcome = platform::OpenMidiSong((dir / "truncated.mid").string());
    EXPECT_EQ(outcome.result, MidiOpenResult::NotMidi);
    EXPECT_FALSE(outcome.song);

    MidiFileWriter silence;
    silence.Save(dir / "silence.mid");
    auto empty = platform::OpenMidiSong((dir / "silence.mid").string());
    ASSERT_EQ(empty.result, MidiOpenResult::Ok);
    EXPECT_EQ(empty.song->TotalFrames(), 4410u) << "a song without time lasts a tenth of a second";
    empty.song.reset();

    test::ScopedEnv noSoundfont("KORV_SOUNDFONT", (dir / "none.sf2").string());
    TwoNotesWithTempoChange().Save(dir / "song.mid");
    EXPECT_EQ(platform::MidiSoundfontPath(), "");
    platform::ReleaseIdleMidiSynths();
    EXPECT_EQ(platform::OpenMidiSong((dir / "song.mid").string()).result, MidiOpenResult::NoSynth);
}

TEST(MidiSynth, RendersThePitchesAndEndsAtTheLastEvent) {
    test::TempDir dir;
    TwoNotesWithTempoChange().Save(dir / "song.mid");
    ASSERT_FALSE(platform::MidiSoundfontPath().empty()) << "no General MIDI soundfont (timgm6mb-soundfont)";
    auto outcome = platform::OpenMidiSong((dir / "song.mid").string());
    ASSERT_EQ(outcome.result, MidiOpenResult::Ok);
    platform::MidiSong& song = *outcome.song;
    EXPECT_EQ(song.TotalFrames(), 44100u);

    const auto pcm = RenderAll(song);
    EXPECT_EQ(pcm.size(), 44100u * 2) << "the render lasts exactly one second";
    EXPECT_TRUE(song.Ended());
    std::vector<int16_t> more(200);
    EXPECT_EQ(song.Render(more), 0u);

    ExpectPitch(pcm, 0.1, 0.45, 440);
    // The doubled tempo puts A5 from 0.5 s to 0.75 s (at the first tempo it would last until 1 s).
    ExpectPitch(pcm, 0.52, 0.74, 880);
    EXPECT_GT(Power(pcm, 0.52, 0.74, 880), 1000 * Power(pcm, 0.9, 0.99, 880) + 1) << "A5 still sounds after its end";

    // Rewound, it plays the same song again.
    song.Rewind();
    const auto replay = RenderAll(song, 777);
    EXPECT_EQ(replay.size(), pcm.size());
    ExpectPitch(replay, 0.1, 0.45, 440);
    ExpectPitch(replay, 0.52, 0.74, 880);
}

TEST(MidiSynth, TwoFreshSynthsRenderTheSameSamples) {
    test::TempDir dir;
    TwoNotesWithTempoChange().Save(dir / "song.mid");
    // Both open at once on freshly loaded synths.
    platform::ReleaseIdleMidiSynths();
    auto first = platform::OpenMidiSong((dir / "song.mid").string());
    auto second = platform::OpenMidiSong((dir / "song.mid").string());
    ASSERT_EQ(first.result, MidiOpenResult::Ok);
    ASSERT_EQ(second.result, MidiOpenResult::Ok);
    const auto pcm = RenderAll(*first.song, 512);
    EXPECT_EQ(RenderAll(*second.song, 4096), pcm) << "the sound depends on the block sizes asked for";
}

}  // namespace
}  // namespace korv
