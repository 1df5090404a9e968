#include "platform/midi_file.h"

#include <algorithm>
#include <vector>

namespace korv::platform {
namespace {

constexpr uint32_t kDefaultMicrosecondsPerQuarter = 500000;  // 120 beats a minute
// Longer songs are held at this length (about 11.5 days), far past any real one.
constexpr long double kLongestMicroseconds = 1e12L;

uint64_t ClampedMicroseconds(long double micros) {
    return static_cast<uint64_t>(std::min(micros, kLongestMicroseconds) + 0.5L);
}

struct TempoChange {
    uint64_t tick;
    uint32_t microsecondsPerQuarter;
};

// Reads bytes inside one chunk; every read checks what is left.
class ChunkReader {
public:
    explicit ChunkReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    bool AtEnd() const { return position_ >= bytes_.size(); }
    bool Byte(uint8_t& value) {
        if (AtEnd()) return false;
        value = bytes_[position_++];
        return true;
    }
    // A variable-length number: at most four bytes, seven bits each.
    bool VariableLength(uint32_t& value) {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t byte = 0;
            if (!Byte(byte)) return false;
            value = (value << 7) | (byte & 0x7F);
            if (!(byte & 0x80)) return true;
        }
        return false;
    }
    bool Skip(uint32_t count) {
        if (count > bytes_.size() - position_) return false;
        position_ += count;
        return true;
    }
    std::span<const uint8_t> Take(uint32_t count) {
        auto taken = bytes_.subspan(position_, count);
        position_ += count;
        return taken;
    }
    size_t Left() const { return bytes_.size() - position_; }

private:
    std::span<const uint8_t> bytes_;
    size_t position_ = 0;
};

uint32_t BigEndian32(std::span<const uint8_t> b) {
    return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
}
uint16_t BigEndian16(std::span<const uint8_t> b) { return static_cast<uint16_t>((b[0] << 8) | b[1]); }

// Data bytes that follow a channel message's status byte.
int ChannelDataBytes(uint8_t status) {
    const uint8_t kind = status & 0xF0;
    return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
}

// Reads one track; adds its tempo changes and returns its last event's tick.
bool ReadTrack(std::span<const uint8_t> chunk, std::vector<TempoChange>& tempos, uint64_t& lastTick, uint64_t& events) {
    ChunkReader reader(chunk);
    uint64_t tick = 0;
    uint8_t runningStatus = 0;
    while (!reader.AtEnd()) {
        uint32_t delta = 0;
        if (!reader.VariableLength(delta)) return false;
        tick += delta;
        ++events;
        uint8_t status = 0;
        if (!reader.Byte(status)) return false;
        if (status == 0xFF) {
            uint8_t type = 0;
            uint32_t length = 0;
            if (!reader.Byte(type) || !reader.VariableLength(length) || length > reader.Left()) return false;
            auto data = reader.Take(length);
            if (type == 0x2F) {
                lastTick = tick;
                return true;  // anything after the end marker is ignored
            }
            if (type == 0x51) {
                if (length != 3) return false;
                const uint32_t tempo = (uint32_t{data[0]} << 16) | (uint32_t{data[1]} << 8) | data[2];
                if (tempo == 0) return false;
                tempos.push_back({tick, tempo});
            }
            runningStatus = 0;
        } else if (status == 0xF0 || status == 0xF7) {
            uint32_t length = 0;
            if (!reader.VariableLength(length) || !reader.Skip(length)) return false;
            runningStatus = 0;
        } else if (status >= 0xF1) {
            return false;  // real-time and common messages have no place in a file
        } else {
            int dataBytes = 0;
            if (status & 0x80) {
                runningStatus = status;
                dataBytes = ChannelDataBytes(status);
            } else {
                if (!runningStatus) return false;
                dataBytes = ChannelDataBytes(runningStatus) - 1;  // the byte read was the first data byte
            }
            for (int i = 0; i < dataBytes; ++i) {
                uint8_t data = 0;
                if (!reader.Byte(data) || (data & 0x80)) return false;
            }
        }
    }
    return false;  // no end-of-track marker
}

// Microseconds from the start to `tick` through the tempo map.
uint64_t TickToMicroseconds(uint64_t tick, uint16_t ticksPerQuarter, const std::vector<TempoChange>& tempos) {
    long double micros = 0;
    uint64_t at = 0;
    uint32_t tempo = kDefaultMicrosecondsPerQuarter;
    for (const TempoChange& change : tempos) {
        if (change.tick >= tick) break;
        micros += static_cast<long double>(change.tick - at) * tempo / ticksPerQuarter;
        at = change.tick;
        tempo = change.microsecondsPerQuarter;
    }
    micros += static_cast<long double>(tick - at) * tempo / ticksPerQuarter;
    return ClampedMicroseconds(micros);
}

}  // namespace

std::optional<MidiFileSummary> ReadMidiFile(std::span<const uint8_t> bytes) {
    if (bytes.size() < 14 || BigEndian32(bytes.subspan(0, 4)) != 0x4D546864 /* MThd */) return std::nullopt;
    const uint32_t headerLength = BigEndian32(bytes.subspan(4, 4));
    if (headerLength < 6 || headerLength > bytes.size() - 8) return std::nullopt;
    MidiFileSummary summary;
    summary.format = BigEndian16(bytes.subspan(8, 2));
    const uint16_t declaredTracks = BigEndian16(bytes.subspan(10, 2));
    const uint16_t division = BigEndian16(bytes.subspan(12, 2));
    if (summary.format > 2 || declaredTracks == 0 || division == 0) return std::nullopt;

    std::vector<TempoChange> tempos;
    size_t position = 8 + size_t{headerLength};
    while (summary.tracks < declaredTracks) {
        if (bytes.size() - position < 8) return std::nullopt;
        const uint32_t id = BigEndian32(bytes.subspan(position, 4));
        const uint32_t length = BigEndian32(bytes.subspan(position + 4, 4));
        position += 8;
        if (length > bytes.size() - position) return std::nullopt;
        auto chunk = bytes.subspan(position, length);
        position += length;
        if (id != 0x4D54726B /* MTrk */) continue;  // unknown chunks are skipped
        uint64_t lastTick = 0;
        if (!ReadTrack(chunk, tempos, lastTick, summary.events)) return std::nullopt;
        summary.lastEventTick = std::max(summary.lastEventTick, lastTick);
        ++summary.tracks;
    }

    if (division & 0x8000) {
        // Time code division: frames a second times ticks a frame; tempo plays no part.
        const int framesPerSecond = -static_cast<int8_t>(division >> 8);
        const int ticksPerFrame = division & 0xFF;
        if (framesPerSecond <= 0 || ticksPerFrame == 0) return std::nullopt;
        const int rate = framesPerSecond == 29 ? 2997 : framesPerSecond * 100;  // 29 is 29.97 drop-frame
        summary.lastEventMicroseconds = ClampedMicroseconds(static_cast<long double>(summary.lastEventTick) * 100000000.0L /
                                                            (static_cast<long double>(rate) * ticksPerFrame));
    } else {
        std::stable_sort(tempos.begin(), tempos.end(), [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
        summary.lastEventMicroseconds = TickToMicroseconds(summary.lastEventTick, division, tempos);
    }
    return summary;
}

}  // namespace korv::platform
