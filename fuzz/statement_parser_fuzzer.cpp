// Feeds arbitrary text to the script side of the compiler: the statement
// split, the tokenizer, the argument readers and the record builder of each
// script version. Every command built is written as a record and read back,
// and must come back field for field.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/archive.h"
#include "platform/exception.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "platform/message_box.h"
#include "scenario/field_sink.h"
#include "scenario/record_builder.h"
#include "scenario/scenario.h"
#include "scenario/scenario_compiler.h"
#include "scenario/script_tokens.h"
#include "scenario/script_values.h"
#include "update/script_container.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "statement_parser_fuzzer: %s\n", what);
    std::abort();
}

void Check(bool condition, const char* what) {
    if (!condition) Fail(what);
}

// Packs every field's value into one byte string, to compare two commands
// of the same class (their fields come in the same order).
class PackingSink : public korv::FieldSink {
public:
    void Int(const char*, int64_t value) override { out.append(reinterpret_cast<const char*>(&value), sizeof value); }
    void Text(const char*, const std::string& value) override {
        Int(nullptr, static_cast<int64_t>(value.size()));
        out += value;
    }
    void Data(const char*, std::span<const uint8_t> bytes) override {
        Int(nullptr, static_cast<int64_t>(bytes.size()));
        out.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    void BeginGroup(const char*) override { out += '{'; }
    void EndGroup() override { out += '}'; }
    std::string out;
};

std::string Describe(const korv::SceneCommand& command) {
    PackingSink sink;
    command.Describe(sink);
    return sink.out;
}

// A scratch folder for the run: an empty content folder, so that every
// statement that embeds a file fails to find it, and a file that records
// are written to and read back from.
struct Scratch {
    std::string root;
    korv::CompileRequest request;
    korv::platform::File records;
    std::unique_ptr<korv::Scenario> prototypes;
};

Scratch* scratch = nullptr;

void RemoveScratch() {
    if (!scratch) return;
    scratch->records.Close();
    std::error_code ignored;
    std::filesystem::remove_all(scratch->root, ignored);
}

void ReadValues(const std::string& token) {
    int32_t number = korv::AtoiRule(token);
    (void)number;
    Check(std::isfinite(korv::AtofRule(token)), "AtofRule gave a value that is not finite");
    (void)korv::SecondsToMilliseconds(token);
    Check(korv::ParseColour(token) <= 0xFFFFFF, "ParseColour gave more than 24 bits");
    (void)korv::HorizontalAnchor(token);
    (void)korv::VerticalAnchor(token);
    std::string unescaped = korv::UnescapeText(token);
    Check(unescaped.size() <= token.size(), "UnescapeText made the text longer");
    if (korv::IsPlainFileName(token))
        Check(token.find_first_of(std::string_view("/\\\0", 3)) == std::string::npos,
              "IsPlainFileName accepted a separator");
}

// Writes the command as a record, reads it back into a fresh command of the
// same kind, and compares the two. Small buffers make the archive refill and
// pass large pieces straight through, as it does for large files.
void RoundTrip(const korv::SceneCommand& command, size_t bufferSize) {
    using korv::platform::File;
    File& file = scratch->records;
    file.Seek(0, File::Origin::Begin);
    {
        korv::platform::ArchiveWriter writer(file, bufferSize);
        command.Store(writer);
        writer.Flush();
    }
    uint64_t length = file.Position();
    file.Seek(0, File::Origin::Begin);
    korv::platform::ArchiveReader reader(file, bufferSize, length);
    int32_t code = reader.ReadI32();
    Check(code == command.Code(), "a stored record has the wrong code");
    std::unique_ptr<korv::SceneCommand> copy = scratch->prototypes->GetPrototype(code).Clone();
    copy->Load(reader);
    Check(reader.Remaining() == 0, "a stored record reads back shorter than written");
    Check(Describe(*copy) == Describe(command), "a stored record reads back different");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    korv::platform::SetMessageBoxSink([](const korv::platform::MessageBoxRequest&) {});
    scratch = new Scratch;
    std::string pattern = korv::platform::JoinPath(korv::platform::TempFolder(), "korv-fuzz-XXXXXX");
    if (!mkdtemp(pattern.data())) Fail("cannot create a scratch folder");
    scratch->root = pattern;
    scratch->request.contentFolder = korv::platform::JoinPath(scratch->root, "content");
    std::filesystem::create_directory(scratch->request.contentFolder);
    // TEXT of script versions 450 and 500 reads its text from a named
    // source; these two exist, and an item's text is its id.
    scratch->request.textSources = {"news", "tips"};
    scratch->request.readTextItem = [](const std::string&, const std::string& itemId) { return itemId; };
    if (!scratch->records.Open(korv::platform::JoinPath(scratch->root, "records.bin"),
                               korv::platform::File::Mode::ReadWrite))
        Fail("cannot create the record file");
    scratch->prototypes = std::make_unique<korv::Scenario>();
    std::atexit(RemoveScratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> statements = korv::SplitStatements(text);
    korv::ScriptContainer container;
    container.SetScriptText(text);
    container.SplitStatements();
    Check(container.Statements() == statements, "the container splits differently");

    static constexpr int32_t kVersions[] = {0, 360, 400, 450, 500};
    static constexpr size_t kBufferSizes[] = {16, 64, korv::platform::kArchiveBufferSize};
    size_t bufferSize = kBufferSizes[size % 3];
    korv::ScriptTokens tokens;
    for (const std::string& statement : statements) {
        Check(statement.find(';') == std::string::npos, "a statement holds a ';'");
        size_t count = tokens.SplitLine(statement);
        Check(count == tokens.Count() && count >= 1, "the token count is wrong");
        Check(tokens.GetToken(count).empty(), "a token past the end is not empty");
        for (size_t n = 0; n < count; ++n) ReadValues(tokens.GetToken(n));

        int code = korv::RecordCodeOfWord(tokens.GetToken(0));
        for (int32_t version : kVersions) {
            std::unique_ptr<korv::SceneCommand> command;
            try {
                command = korv::RecordBuilder(scratch->request, version).Build(tokens);
            } catch (const korv::EmbedFailure&) {
                continue;  // the content folder is empty: any embedded file is missing
            }
            if (!command) {
                Check(code < 0, "a command word built no record");
                continue;
            }
            Check(command->Code() == code, "a record has another code than its word");
            RoundTrip(*command, bufferSize);
        }
    }
    return 0;
}
