#pragma once
// The configuration payload that the authoring tool writes into a built
// saver's program file, and the settings that refine it.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file.h"
#include "shell/saver_settings.h"

namespace korv {

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

}  // namespace korv
