#include "saver/program_file.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <optional>
#include <vector>

#include "platform/archive.h"
#include "platform/atomic_file.h"
#include "platform/exception.h"
#include "platform/file.h"
#include "resources/string_table.h"
#include "saver/log.h"

namespace korv {

namespace {

bool Put(std::FILE* out, const void* bytes, size_t size) { return std::fwrite(bytes, 1, size, out) == size; }

bool PutU32(std::FILE* out, uint32_t value) {
    char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                     static_cast<char>(value >> 24)};
    return Put(out, bytes, 4);
}

constexpr uint64_t kTrailerSize = 5;  // payload offset (4 bytes) + settings-disabled byte

int32_t Saturate(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// Reads the trailer and leaves the file at the payload record; returns the
// end of the record (the start of the trailer).
uint64_t SeekToRecord(platform::File& file, uint8_t& settingsDisabled, uint64_t& payloadOffset) {
    uint64_t length = file.Length();
    if (length < kTrailerSize) throw ArchiveException("program file too short for a payload");
    file.Seek(static_cast<int64_t>(length - 1), platform::File::Origin::Begin);
    if (file.Read(&settingsDisabled, 1) != 1) throw ArchiveException("cannot read the settings flag");

    uint64_t recordEnd = length - kTrailerSize;
    file.Seek(static_cast<int64_t>(recordEnd), platform::File::Origin::Begin);
    uint8_t offset[4];
    if (file.Read(offset, 4) != 4) throw ArchiveException("cannot read the payload offset");
    payloadOffset = offset[0] | (offset[1] << 8) | (offset[2] << 16) | (static_cast<uint64_t>(offset[3]) << 24);
    if (payloadOffset > recordEnd) throw ArchiveException("payload offset past the end of the file");
    // The record follows the engine; an offset inside it is no payload.
    if (payloadOffset < kEngineSize) throw ArchiveException("payload offset inside the engine");
    file.Seek(static_cast<int64_t>(payloadOffset), platform::File::Origin::Begin);
    return recordEnd;
}

void ReadNumbers(platform::ArchiveReader& archive, PayloadRecord& record) {
    record.playerType = archive.ReadI32();
    record.alwaysCheck = archive.ReadI32();
    record.reserved = archive.ReadI32();
    record.intervalUnit = archive.ReadI32();
    record.intervalCount = archive.ReadI32();
}

void AppendI32(std::vector<uint8_t>& out, int32_t value) {
    auto bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(bits >> (8 * i)));
}

void AppendString(std::vector<uint8_t>& out, const std::string& text) {
    auto prefix = platform::EncodeStringLength(static_cast<uint32_t>(text.size()));
    out.insert(out.end(), prefix.begin(), prefix.end());
    out.insert(out.end(), text.begin(), text.end());
}

}  // namespace

int32_t IntervalMinutes(int32_t unit, int32_t count) {
    switch (unit) {
        case UnitMinutes: return count;
        case UnitHours: return Saturate(int64_t{count} * 60);
        case UnitDays: return Saturate(int64_t{count} * 1440);
        default: return 0;
    }
}

int32_t EffectiveIntervalFromServer(const SaverSettings& settings) {
    int32_t time = settings.ReadInt(Setting::IntervalTime);
    int32_t type = settings.ReadInt(Setting::IntervalType);
    return IntervalMinutes(type, time);
}

Payload ReadPayload(platform::File& file, const SaverSettings& settings) {
    Payload payload;
    uint64_t recordEnd = SeekToRecord(file, payload.settingsDisabled, payload.payloadOffset);
    platform::ArchiveReader archive(file, platform::kArchiveBufferSize, recordEnd);

    PayloadRecord& record = payload.record;
    ReadNumbers(archive, record);
    payload.refreshMinutes = IntervalMinutes(record.intervalUnit, record.intervalCount);
    int32_t serverMinutes = EffectiveIntervalFromServer(settings);
    if (serverMinutes > 0) payload.refreshMinutes = serverMinutes;

    record.siteUrl = archive.ReadString();
    record.sourceName = archive.ReadString();
    AppLog("ime source fajla");
    AppLog(record.sourceName);
    AppLog("ime hosta");
    AppLog(record.siteUrl);
    record.username = archive.ReadString();
    record.password = archive.ReadString();

    payload.siteUrl = settings.ReadString(Setting::RemoteSite, record.siteUrl);
    payload.siteUrlAtLoad = payload.siteUrl;
    return payload;
}

PayloadRecord ReadPayloadRecord(platform::File& file, uint8_t& settingsDisabled, uint64_t& payloadOffset) {
    uint64_t recordEnd = SeekToRecord(file, settingsDisabled, payloadOffset);
    platform::ArchiveReader archive(file, platform::kArchiveBufferSize, recordEnd);
    PayloadRecord record;
    ReadNumbers(archive, record);
    record.siteUrl = archive.ReadString();
    record.sourceName = archive.ReadString();
    record.username = archive.ReadString();
    record.password = archive.ReadString();
    return record;
}

std::vector<uint8_t> EncodePayloadRecord(const PayloadRecord& record) {
    std::vector<uint8_t> out;
    AppendI32(out, record.playerType);
    AppendI32(out, record.alwaysCheck);
    AppendI32(out, record.reserved);
    AppendI32(out, record.intervalUnit);
    AppendI32(out, record.intervalCount);
    AppendString(out, record.siteUrl);
    AppendString(out, record.sourceName);
    AppendString(out, record.username);
    AppendString(out, record.password);
    return out;
}

std::string BuildSaver(const SaverBuildRequest& request) {
    std::optional<std::string> engineRead = platform::ReadFileText(request.enginePath);
    if (!engineRead) return "cannot read the engine " + request.enginePath;
    const std::string& engine = *engineRead;
    if (engine.size() > kEngineSize)
        return "the engine " + request.enginePath + " is " + std::to_string(engine.size()) + " bytes, larger than the " +
               std::to_string(kEngineSize) + " bytes a saver reserves for it";

    std::string scenario;
    if (request.scenarioPath) {
        std::optional<std::string> scenarioRead = platform::ReadFileText(*request.scenarioPath);
        if (!scenarioRead) return "cannot read the scenario " + *request.scenarioPath;
        scenario = std::move(*scenarioRead);
    }
    uint64_t payloadOffset = kEngineSize + (request.scenarioPath ? 4 + scenario.size() : 0);
    if (payloadOffset > UINT32_MAX) return "the scenario is too large for a saver";

    auto record = EncodePayloadRecord(request.payload);
    auto write = [&](std::FILE* out) {
        std::vector<char> padding(kEngineSize - engine.size(), 0);
        const char settingsDisabled = request.settingsDisabled ? 1 : 0;
        return Put(out, engine.data(), engine.size()) && Put(out, padding.data(), padding.size()) &&
               (!request.scenarioPath ||
                (PutU32(out, static_cast<uint32_t>(scenario.size())) && Put(out, scenario.data(), scenario.size()))) &&
               Put(out, record.data(), record.size()) && PutU32(out, static_cast<uint32_t>(payloadOffset)) &&
               Put(out, &settingsDisabled, 1);
    };
    // A saver is a program: it runs for everyone.
    if (!platform::WriteFileReplacing(request.outputPath, write, platform::kExecutableFile))
        return "cannot write " + request.outputPath;
    return {};
}

}  // namespace korv
