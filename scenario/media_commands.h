#pragma once
// Media (record code 9) and the commands that play and stop it (10, 11).

#include <vector>

#include "platform/geometry.h"
#include "scenario/scene_command.h"

namespace korv {
class Scenario;
}

namespace korv {

enum MediaKind : int32_t { MediaWave = 0, MediaVideo = 1, MediaMp3 = 2, MediaFlash = 3, MediaMidi = 4 };

// The kind of a media file by its extension (WAV, AVI, SWF, MID; any other,
// MP3 included, plays as MP3).
int32_t MediaKindOfFile(const std::string& fileName);

class CMedia : public SceneCommandOf<CMedia> {
public:
    CMedia() : SceneCommandOf(CodeMedia) {}

    std::string fileName;
    int32_t kind = MediaMp3;
    std::vector<uint8_t> data;
    std::string extra;

    const std::vector<SceneCommand*>& Referrers() const { return referrers_; }
    void AddReferrer(SceneCommand* command) override { referrers_.push_back(command); }
    bool Prepare(const ObjectPictures& pictures) override;
    int Execute(SceneContext&, int&) override { return 0; }

    // Plays the medium with the player of its kind. wait: to the end before
    // returning (or until the scene stops); loop: a play without waiting
    // repeats; `area` on the screen; `flashDuration` in ms, -1 for none.
    void Play(bool wait, bool loop, SceneContext& scene, Rect area, int32_t flashDuration);
    // Stops whatever plays with the player of its kind.
    void Stop(SceneContext& scene);
    // The stage size of a Flash movie from its header (the authoring tool's
    // default stage when the header cannot be read).
    Size GetFlashSize() const;

protected:
    void LoadFields(platform::ArchiveReader& archive) override;
    void WriteFields(platform::ArchiveWriter& archive) const override;
    void DescribeFields(FieldSink& sink) const override;

private:
    std::vector<SceneCommand*> referrers_;
};

// Starts the Flash player in the background when `scenario` holds a Flash
// movie, so that its first play does not wait for the player to start.
void PrepareFlashPlayer(const Scenario& scenario);

class MediaCommand : public SceneCommand {
public:
    CMedia* Target() const { return target_; }
    void SetTarget(SceneCommand* target) override;
    int Execute(SceneContext&, int&) override { return 0; }

protected:
    using SceneCommand::SceneCommand;
    bool PrepareFields() override;

private:
    CMedia* target_ = nullptr;
};

class PlayCommand : public SceneCommandOf<PlayCommand, MediaCommand> {
public:
    PlayCommand() : SceneCommandOf(CodePlay) {}

    int32_t count = 1;
    int32_t infinite = 0;
    int32_t wait = 0;
    int32_t loop = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t centreX = 0;
    int32_t centreY = 0;
    int32_t fullScreen = 0;
    int32_t hasFrame = 0;
    int32_t frame = -1;

    int Execute(SceneContext& scene, int& index) override;

protected:
    void LoadFields(platform::ArchiveReader& archive) override;
    void WriteFields(platform::ArchiveWriter& archive) const override;
    void DescribeFields(FieldSink& sink) const override;
};

class StopCommand : public SceneCommandOf<StopCommand, MediaCommand> {
public:
    StopCommand() : SceneCommandOf(CodeStop) {}
    int Execute(SceneContext& scene, int& index) override;
};

}  // namespace korv
