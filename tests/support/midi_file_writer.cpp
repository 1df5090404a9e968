#include "tests/support/midi_file_writer.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace korv::test {
namespace {

void PutVariableLength(std::vector<uint8_t>& out, uint32_t value) {
    uint8_t groups[5];
    int count = 0;
    do {
        groups[count++] = value & 0x7F;
        value >>= 7;
    } while (value);
    while (count > 1) out.push_back(groups[--count] | 0x80);
    out.push_back(groups[0]);
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

}  // namespace

void MidiFileWriter::SetTimeCodeDivision(int framesPerSecond, int ticksPerFrame) {
    division_ = static_cast<uint16_t>((static_cast<uint8_t>(-framesPerSecond) << 8) | ticksPerFrame);
}

MidiFileWriter::Track& MidiFileWriter::At(int track) {
    if (static_cast<int>(tracks_.size()) <= track) tracks_.resize(track + 1);
    return tracks_[track];
}

void MidiFileWriter::Add(int track, uint32_t tick, std::vector<uint8_t> bytes) {
    Track& t = At(track);
    t.events.push_back({tick, order_++, std::move(bytes)});
    t.end = std::max(t.end, tick);
}

void MidiFileWriter::Tempo(uint32_t tick, uint32_t micros, int track) {
    Add(track, tick, {0xFF, 0x51, 0x03, uint8_t(micros >> 16), uint8_t(micros >> 8), uint8_t(micros)});
}

void MidiFileWriter::Program(uint32_t tick, int channel, int program, int track) {
    Add(track, tick, {uint8_t(0xC0 | channel), uint8_t(program)});
}

void MidiFileWriter::Note(uint32_t tick, uint32_t lengthTicks, int channel, int key, int velocity, int track) {
    Add(track, tick, {uint8_t(0x90 | channel), uint8_t(key), uint8_t(velocity)});
    Add(track, tick + lengthTicks, {uint8_t(0x80 | channel), uint8_t(key), 0});
}

void MidiFileWriter::EndAt(uint32_t tick, int track) {
    Track& t = At(track);
    t.end = std::max(t.end, tick);
}

std::vector<uint8_t> MidiFileWriter::Bytes() const {
    std::vector<uint8_t> out = {'M', 'T', 'h', 'd'};
    Put32(out, 6);
    const auto trackCount = static_cast<uint16_t>(std::max<size_t>(tracks_.size(), 1));
    for (uint16_t value : {uint16_t(trackCount > 1 ? 1 : 0), trackCount, division_}) {
        out.push_back(uint8_t(value >> 8));
        out.push_back(uint8_t(value));
    }
    const std::vector<Track> tracks = tracks_.empty() ? std::vector<Track>(1) : tracks_;
    for (const Track& track : tracks) {
        std::vector<Event> events = track.events;
        std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
            return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
        });
        std::vector<uint8_t> body;
        uint32_t now = 0;
        for (const Event& event : events) {
            PutVariableLength(body, event.tick - now);
            now = event.tick;
            body.insert(body.end(), event.bytes.begin(), event.bytes.end());
        }
        PutVariableLength(body, track.end - now);
        body.insert(body.end(), {0xFF, 0x2F, 0x00});
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        Put32(out, static_cast<uint32_t>(body.size()));
        out.insert(out.end(), body.begin(), body.end());
    }
    return out;
}

void MidiFileWriter::Save(const std::filesystem::path& path) const {
    const auto bytes = Bytes();
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace korv::test
