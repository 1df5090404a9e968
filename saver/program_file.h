#pragma once
// The program file of a built saver:
//   [engine, padded with zeros to 708608 bytes]
//   [embedded scenario: a 32-bit field (its length), then the scenario]
//   [payload record][payload offset: u32 LE][settings-disabled byte]
// The engine reads its own file, so appending data to a copy of the engine
// makes a saver. The payload record is the configuration that the authoring
// tool writes; the settings refine it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/file.h"
#include "saver/saver_settings.h"

namespace korv {

#ifndef KORV_ENGINE_SIZE
#define KORV_ENGINE_SIZE 708608
#endif
// 708608 (hexadecimal AD000); larger only in sanitizer builds.
inline constexpr uint64_t kEngineSize = KORV_ENGINE_SIZE;

enum PlayerType : int32_t {
    PlayerBuiltIn = 0,
    PlayerRemote = 1,
    PlayerClassic = 2,
    PlayerClassicExitButton = 3,
};

enum IntervalUnit : int32_t { UnitMinutes = 0, UnitHours = 1, UnitDays = 2 };

// The payload record as stored, field by field.
struct PayloadRecord {
    int32_t playerType = PlayerRemote;
    int32_t alwaysCheck = 0;
    int32_t reserved = 0;
    int32_t intervalUnit = UnitMinutes;
    int32_t intervalCount = 0;
    std::string siteUrl;
    std::string sourceName;
    std::string username;
    std::string password;
};

// What reading the payload gives the application.
struct Payload {
    PayloadRecord record;
    uint8_t settingsDisabled = 0;
    int32_t refreshMinutes = 0;
    std::string siteUrl;        // RemoteSite when set, else the record's address
    std::string siteUrlAtLoad;  // copy taken when the payload was read
    uint64_t payloadOffset = 0; // where the record starts; the embedded scenario ends there
};

// Minutes of `count` units (0 minutes, 1 hours, 2 days); 0 for another unit.
// Saturates instead of overflowing.
int32_t IntervalMinutes(int32_t unit, int32_t count);

// The update interval that the server sent (IntervalTime in IntervalType
// units), in minutes, or 0 when there is none.
int32_t EffectiveIntervalFromServer(const SaverSettings& settings);

// Reads the payload from an open program file. Throws FileException or
// ArchiveException when the file is too short or the record is damaged;
// never allocates more than the file holds.
Payload ReadPayload(platform::File& file, const SaverSettings& settings);

// Reads only the record and the settings-disabled byte, without settings
// (for tools).
PayloadRecord ReadPayloadRecord(platform::File& file, uint8_t& settingsDisabled, uint64_t& payloadOffset);

// The record's bytes in the archive encoding.
std::vector<uint8_t> EncodePayloadRecord(const PayloadRecord& record);

struct SaverBuildRequest {
    std::string enginePath;
    std::optional<std::string> scenarioPath;  // none: no embedded scenario
    PayloadRecord payload;
    bool settingsDisabled = false;
    std::string outputPath;
};

// Writes an executable saver. Returns an empty text on success, else the
// reason (one line). The output appears complete or not at all.
std::string BuildSaver(const SaverBuildRequest& request);

}  // namespace korv
