#include "scenario/scenario.h"

#include <cmath>
#include <new>

#include "platform/exception.h"
#include "resources/string_table.h"
#include "scenario/flow_commands.h"
#include "scenario/html_commands.h"
#include "scenario/line_command.h"
#include "scenario/media_commands.h"
#include "scenario/object_commands.h"
#include "scenario/record_io.h"
#include "scenario/visual_object.h"

namespace korv {

namespace {

std::unique_ptr<Scenario>& GlobalSlot() {
    static std::unique_ptr<Scenario> scenario = std::make_unique<Scenario>();
    return scenario;
}

// The smallest record: code, empty name, tag and disabled.
constexpr uint64_t kSmallestRecord = 13;

}  // namespace

Scenario::Scenario() {
    prototypes_[CodeVisual] = std::make_unique<VisualObject>();
    prototypes_[CodeShow] = std::make_unique<ShowCommand>();
    prototypes_[CodeMove] = std::make_unique<MoveCommand>();
    prototypes_[CodeHide] = std::make_unique<HideCommand>();
    prototypes_[CodeWait] = std::make_unique<WaitCommand>();
    prototypes_[CodeClear] = std::make_unique<ClearCommand>();
    prototypes_[CodeRepeat] = std::make_unique<RepeatCommand>();
    prototypes_[CodeUntil] = std::make_unique<UntilCommand>();
    prototypes_[CodeLine] = std::make_unique<LineCommand>();
    prototypes_[CodeMedia] = std::make_unique<CMedia>();
    prototypes_[CodePlay] = std::make_unique<PlayCommand>();
    prototypes_[CodeStop] = std::make_unique<StopCommand>();
    prototypes_[CodeComment] = std::make_unique<CommentCommand>();
    prototypes_[CodeUrl] = std::make_unique<UrlCommand>();
    prototypes_[CodeShowHtml] = std::make_unique<ShowHtmlCommand>();
    prototypes_[CodeHideHtml] = std::make_unique<HideHtmlCommand>();
}

void Scenario::Clear() {
    commands_.clear();
    references_.clear();
    matchingRepeat_.clear();
}

int32_t Scenario::MatchingRepeat(int32_t untilIndex) const {
    if (untilIndex < 0 || static_cast<size_t>(untilIndex) >= matchingRepeat_.size()) return -1;
    return matchingRepeat_[static_cast<size_t>(untilIndex)];
}

bool Scenario::ReadRecords(platform::ArchiveReader& archive) {
    std::string signature = archive.ReadString();
    if (signature != LoadString(IDS_SCENARIO_SIGNATURE)) throw ArchiveException("not a scenario file");
    formatVersion_ = archive.ReadFloat();
    if (!(formatVersion_ >= kFormatVersionLowest && formatVersion_ <= kFormatVersionHighest))
        throw ArchiveException("unsupported format version");

    int32_t count = ReadCount(archive, "record count");
    if (static_cast<uint64_t>(count) > archive.Remaining() / kSmallestRecord)
        throw ArchiveException("more records claimed than the file holds");
    commands_.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        int32_t code = archive.ReadI32();
        if (code < 0 || code >= kRecordCodeCount) throw ArchiveException("unknown record code " + std::to_string(code));
        std::unique_ptr<SceneCommand> command = prototypes_[static_cast<size_t>(code)]->Clone();
        command->SetOwner(this);
        commands_.push_back(std::move(command));
        commands_.back()->Load(archive);
    }

    for (size_t i = 0; i < commands_.size(); ++i) {
        SceneCommand& declaration = *commands_[i];
        if (declaration.Code() != CodeVisual && declaration.Code() != CodeMedia) continue;
        int32_t users = ReadCount(archive, "reference count");
        if (static_cast<uint64_t>(users) > archive.Remaining() / 4)
            throw ArchiveException("more references claimed than the file holds");
        ReferenceList list{static_cast<int32_t>(i), {}};
        for (int32_t k = 0; k < users; ++k) {
            int32_t index = archive.ReadI32();
            if (index < 0 || static_cast<size_t>(index) >= commands_.size())
                throw ArchiveException("reference to record " + std::to_string(index) + " outside the scenario");
            SceneCommand& user = *commands_[static_cast<size_t>(index)];
            user.SetTarget(&declaration);
            declaration.AddReferrer(&user);
            list.users.push_back(index);
        }
        references_.push_back(std::move(list));
    }
    return true;
}

bool Scenario::Load(platform::ArchiveReader& archive, const ObjectPictures& pictures) {
    loadError_.clear();
    failedRecord_ = -1;
    try {
        ReadRecords(archive);
    } catch (const Exception& error) {
        loadError_ = error.what();
        return false;
    } catch (const std::bad_alloc&) {
        loadError_ = "out of memory";
        return false;
    }
    for (size_t i = 0; i < commands_.size(); ++i) commands_[i]->SetIndex(static_cast<int32_t>(i));
    // Pair each UNTIL with the REPEAT that opens its loop, as walking back
    // from it with a nesting depth would, but in one pass for all loops.
    matchingRepeat_.assign(commands_.size(), -1);
    std::vector<int32_t> open;
    for (size_t i = 0; i < commands_.size(); ++i) {
        if (commands_[i]->Code() == CodeRepeat) open.push_back(static_cast<int32_t>(i));
        if (commands_[i]->Code() == CodeUntil && !open.empty()) {
            matchingRepeat_[i] = open.back();
            open.pop_back();
        }
    }
    for (size_t i = 0; i < commands_.size(); ++i) {
        if (!commands_[i]->Prepare(pictures)) {
            loadError_ = std::string("record ") + std::to_string(i) + " (" + CommandWord(commands_[i]->Code()) +
                         ") cannot be prepared";
            failedRecord_ = static_cast<int32_t>(i);
            return false;
        }
    }
    return true;
}

Scenario& GlobalScenario() { return *GlobalSlot(); }

void ResetGlobalScenario() { GlobalSlot() = std::make_unique<Scenario>(); }

void ReplaceGlobalScenario(std::unique_ptr<Scenario> scenario) {
    GlobalSlot() = scenario ? std::move(scenario) : std::make_unique<Scenario>();
}

}  // namespace korv
