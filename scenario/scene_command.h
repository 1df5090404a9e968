#pragma once
// The base of every scene command. A scenario is a list of commands; each
// kind has a record code and a class. Objects that several commands act on
// (pictures, texts, media) are commands too, and the commands that act on
// them hold a direct reference, resolved when the scenario loads.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/archive.h"
#include "scenario/field_sink.h"

namespace korv {

class CommandSequence;
class ObjectPictures;
class SceneContext;

enum RecordCode : int32_t {
    CodeVisual = 0,
    CodeShow = 1,
    CodeMove = 2,
    CodeHide = 3,
    CodeWait = 4,
    CodeClear = 5,
    CodeRepeat = 6,
    CodeUntil = 7,
    CodeLine = 8,
    CodeMedia = 9,
    CodePlay = 10,
    CodeStop = 11,
    CodeComment = 12,
    CodeUrl = 13,
    CodeShowHtml = 14,
    CodeHideHtml = 15,
};
inline constexpr int kRecordCodeCount = 16;

// The script's command word of a record code ("IMAGE" for pictures and
// texts alike).
const char* CommandWord(int code);

class SceneCommand {
public:
    virtual ~SceneCommand() = default;

    int32_t Code() const { return code_; }
    const std::string& Name() const { return name_; }
    int32_t Tag() const { return tag_; }
    int32_t Index() const { return index_; }
    void SetIndex(int32_t index) { index_ = index; }
    // The scenario that holds this command (set when it is loaded).
    const CommandSequence* Owner() const { return owner_; }
    void SetOwner(const CommandSequence* owner) { owner_ = owner; }

    // Reads the rest of the record after its code: the common header, then
    // the command's own fields. Throws on damaged data.
    void Load(platform::ArchiveReader& archive);
    // Writes the whole record, code first.
    void Store(platform::ArchiveWriter& archive) const;
    // Gets ready to play; false (after a message) makes the scenario unusable.
    // A disabled command is ready at once. `pictures` measures pictures and
    // renders texts.
    virtual bool Prepare(const ObjectPictures& pictures);
    // Plays the command; may move the running `index` (loops).
    virtual int Execute(SceneContext& context, int& index) = 0;

    // A new object of the same class with default fields.
    virtual std::unique_ptr<SceneCommand> Clone() const = 0;
    // Assigns every persistent field of `other` (of the same class).
    virtual void CopyFrom(const SceneCommand& other) = 0;
    virtual void AddReferrer(SceneCommand* command) {}
    virtual void SetTarget(SceneCommand* target) {}
    void SetDisabled(int32_t value) { disabled_ = value; }
    bool IsDisabled() const { return disabled_ != 0; }

    // Lists the persistent fields by their names.
    void Describe(FieldSink& sink) const;
    // The script's command word for this command.
    virtual const char* Word() const { return CommandWord(code_); }

protected:
    explicit SceneCommand(int32_t code) : code_(code) {}
    SceneCommand(const SceneCommand&) = default;
    SceneCommand& operator=(const SceneCommand&) = default;

    virtual void LoadFields(platform::ArchiveReader& archive) {}
    virtual void WriteFields(platform::ArchiveWriter& archive) const {}
    virtual bool PrepareFields() { return true; }
    virtual void DescribeFields(FieldSink& sink) const {}

private:
    int32_t code_;
    std::string name_;
    int32_t tag_ = 0;
    int32_t disabled_ = 0;
    int32_t index_ = -1;
    const CommandSequence* owner_ = nullptr;
};

// Clone and CopyFrom for a concrete command class.
template <typename Derived, typename Base = SceneCommand>
class SceneCommandOf : public Base {
public:
    std::unique_ptr<SceneCommand> Clone() const override { return std::make_unique<Derived>(); }
    void CopyFrom(const SceneCommand& other) override {
        static_cast<Derived&>(*this) = static_cast<const Derived&>(other);
    }

protected:
    using Base::Base;
};

}  // namespace korv
