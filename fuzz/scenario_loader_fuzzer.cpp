// Feeds arbitrary bytes to the scenario loader as a whole scenario file.
// Loading must refuse anything damaged without crashing, reading past the
// input or allocating more than the input could describe; whatever loaded
// must then be describable field by field.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/archive.h"
#include "platform/message_box.h"
#include "scenario/field_sink.h"
#include "scenario/object_pictures.h"
#include "scenario/scenario.h"
#include "scenario/visual_object.h"

namespace {

// Visits every field and keeps nothing but a running count, so that the
// reads are not optimised away.
class CountingSink : public korv::FieldSink {
public:
    void Int(const char*, int64_t value) override { total += static_cast<uint64_t>(value); }
    void Text(const char*, const std::string& value) override { total += value.size(); }
    void Data(const char*, std::span<const uint8_t> bytes) override { total += bytes.size(); }
    void BeginGroup(const char*) override { ++total; }
    void EndGroup() override { ++total; }
    uint64_t total = 0;
};

// Pictures and texts prepare as 1 × 1 so that loading goes on past them.
class OnePixelPictures : public korv::ObjectPictures {
public:
    std::optional<korv::Size> MeasurePicture(std::span<const uint8_t>) const override { return korv::Size{1, 1}; }
    std::optional<korv::Size> RenderText(korv::VisualObject&) const override { return korv::Size{1, 1}; }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Failed preparations report through message boxes: swallow them.
    korv::platform::SetMessageBoxSink([](const korv::platform::MessageBoxRequest&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korv::platform::ArchiveReader archive(std::span<const uint8_t>(data, size));
    korv::Scenario scenario;
    scenario.Load(archive, OnePixelPictures());
    CountingSink sink;
    for (size_t i = 0; i < scenario.CommandCount(); ++i) scenario.At(i).Describe(sink);
    // Keeps the visits from being optimised away.
    asm volatile("" : : "r"(sink.total));
    return 0;
}
