#pragma once
// The scenario: the ordered list of scene commands that the scene thread
// plays, loaded from a scenario file (or the scenario embedded in a saver).
//
// File layout: the signature text, the format version (float, 20.0–25.11),
// the record count, the records, then one reference list (count, indexes)
// for every picture, text and media declaration, in record order.

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/archive.h"
#include "scenario/command_sequence.h"
#include "scenario/image_layer_pictures.h"
#include "scenario/scene_command.h"

namespace korv {

inline constexpr float kFormatVersionWritten = 25.0f;
inline constexpr float kFormatVersionLowest = 20.0f;
inline constexpr float kFormatVersionHighest = 25.11f;

struct ReferenceList {
    int32_t declaration = 0;       // index of the picture, text or media record
    std::vector<int32_t> users;    // indexes of the commands that act on it
};

class Scenario final : public CommandSequence {
public:
    Scenario();
    Scenario(const Scenario&) = delete;
    Scenario& operator=(const Scenario&) = delete;

    // Reads a whole scenario and prepares it. False when the data is damaged,
    // refers to what is not there, or a command cannot be prepared; the
    // commands read so far stay in the list. `pictures` measures the pictures
    // and renders the texts.
    bool Load(platform::ArchiveReader& archive, const ObjectPictures& pictures = ImageLayerPictures());
    // The reason the last load failed (for tools), empty after success.
    const std::string& LoadError() const { return loadError_; }
    // The record whose preparation failed the last load; -1 when none did.
    int32_t FailedRecord() const { return failedRecord_; }

    const SceneCommand& GetPrototype(int code) const { return *prototypes_.at(static_cast<size_t>(code)); }
    size_t CommandCount() const { return commands_.size(); }
    bool Empty() const { return commands_.empty(); }
    SceneCommand& At(size_t index) { return *commands_.at(index); }
    const SceneCommand& At(size_t index) const override { return *commands_.at(index); }
    // Destroys every command; the prototypes stay.
    void Clear();

    float FormatVersion() const { return formatVersion_; }
    int32_t MatchingRepeat(int32_t untilIndex) const override;
    const std::vector<ReferenceList>& References() const { return references_; }

private:
    bool ReadRecords(platform::ArchiveReader& archive);

    std::array<std::unique_ptr<SceneCommand>, kRecordCodeCount> prototypes_;
    std::vector<std::unique_ptr<SceneCommand>> commands_;
    std::vector<ReferenceList> references_;
    std::vector<int32_t> matchingRepeat_;  // per command; -1 where none
    float formatVersion_ = 0;
    std::string loadError_;
    int32_t failedRecord_ = -1;
};

// The one scenario the scene thread plays.
Scenario& GlobalScenario();
// Deletes the global scenario and creates an empty one.
void ResetGlobalScenario();
// Makes `scenario` the global one (the old one is deleted).
void ReplaceGlobalScenario(std::unique_ptr<Scenario> scenario);

}  // namespace korv
