#pragma once
// Writes small Standard MIDI Files for tests: notes, program and tempo
// changes at given ticks, on one track (format 0) or several (format 1).

#include <cstdint>
#include <filesystem>
#include <vector>

namespace korv::test {

class MidiFileWriter {
public:
    explicit MidiFileWriter(uint16_t ticksPerQuarter = 480) : division_(ticksPerQuarter) {}
    // A time-code division instead: frames a second and ticks a frame.
    void SetTimeCodeDivision(int framesPerSecond, int ticksPerFrame);

    void Tempo(uint32_t tick, uint32_t microsecondsPerQuarter, int track = 0);
    void Program(uint32_t tick, int channel, int program, int track = 0);
    void Note(uint32_t tick, uint32_t lengthTicks, int channel, int key, int velocity = 100, int track = 0);
    // Where a track's end marker goes (default: at its last event).
    void EndAt(uint32_t tick, int track = 0);

    std::vector<uint8_t> Bytes() const;
    void Save(const std::filesystem::path& path) const;

private:
    struct Event {
        uint32_t tick;
        int order;
        std::vector<uint8_t> bytes;
    };
    struct Track {
        std::vector<Event> events;
        uint32_t end = 0;
    };
    Track& At(int track);
    void Add(int track, uint32_t tick, std::vector<uint8_t> bytes);

    uint16_t division_;
    std::vector<Track> tracks_;
    int order_ = 0;
};

}  // namespace korv::test
