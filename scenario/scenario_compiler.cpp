#include "scenario/scenario_compiler.h"

#include <filesystem>

#include "platform/archive.h"
#include "platform/exception.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "resources/string_table.h"
#include "scenario/record_builder.h"
#include "scenario/scenario.h"
#include "scenario/script_tokens.h"
#include "scenario/script_values.h"

namespace korv {

namespace {

bool IsDeclaration(const std::string& word) { return word == "IMAGE" || word == "TEXT" || word == "MEDIA"; }

bool UsesDeclaration(const std::string& declaration, const std::string& word) {
    if (declaration == "MEDIA") return word == "PLAY" || word == "STOP";
    return word == "SHOW" || word == "MOVE" || word == "HIDE";
}

}  // namespace

ScenarioCompiler::ScenarioCompiler(CompileRequest request) : request_(std::move(request)) {}

std::string ScenarioCompiler::OutputPath() const {
    return platform::JoinPath(request_.outputFolder, request_.baseName + ".zep");
}

CompileResult ScenarioCompiler::Compile() {
    error_.clear();
    const auto& statements = request_.statements;
    std::vector<ScriptTokens> lines(statements.size());
    // The record index of each statement's record, or -1 when it writes none.
    std::vector<int32_t> recordIndex(statements.size(), -1);
    int32_t records = 0;
    scriptVersion_ = 0;
    for (size_t i = 0; i < statements.size(); ++i) {
        lines[i].SplitLine(statements[i]);
        const std::string& word = lines[i].GetToken(0);
        if (word == "VERSION") scriptVersion_ = AtoiRule(lines[i].GetToken(1));
        if (RecordCodeOfWord(word) >= 0) recordIndex[i] = records++;
    }
    if (scriptVersion_ > kHighestScriptVersion) {
        error_ = "script version " + std::to_string(scriptVersion_) + " needs a newer engine";
        return CompileResult::NewerFormat;
    }

    // The process identifier in the name tells a later clean-up whether the
    // writer still runs.
    std::string temp = platform::CreateUniqueTempFile(
        request_.outputFolder, request_.baseName + ".zep." + std::to_string(platform::CurrentProcessId()) + "-");
    if (temp.empty()) {
        error_ = "cannot write in " + request_.outputFolder;
        return CompileResult::Failed;
    }
    auto abandon = [&](std::string reason) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        error_ = std::move(reason);
        return CompileResult::Failed;
    };

    try {
        platform::File file;
        if (!file.Open(temp, platform::File::Mode::Write)) return abandon("cannot write " + temp);
        platform::ArchiveWriter archive(file);
        archive.WriteString(LoadString(IDS_SCENARIO_SIGNATURE));
        archive.WriteFloat(kFormatVersionWritten);
        archive.WriteI32(records);

        // Pass 1: the records, in script order; the version governs the lines after it.
        int32_t version = 0;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].GetToken(0) == "VERSION") version = AtoiRule(lines[i].GetToken(1));
            if (recordIndex[i] < 0) continue;
            RecordBuilder builder(request_, version);
            builder.Build(lines[i])->Store(archive);
        }

        // Pass 2: for each declaration, the records of the commands that use it.
        for (size_t i = 0; i < lines.size(); ++i) {
            const std::string& word = lines[i].GetToken(0);
            if (!IsDeclaration(word)) continue;
            std::vector<int32_t> users;
            for (size_t j = 0; j < lines.size(); ++j)
                if (UsesDeclaration(word, lines[j].GetToken(0)) && lines[j].GetToken(1) == lines[i].GetToken(1))
                    users.push_back(recordIndex[j]);
            archive.WriteI32(static_cast<int32_t>(users.size()));
            for (int32_t user : users) archive.WriteI32(user);
        }
        archive.Flush();
        file.Sync();
        file.Close();
    } catch (const EmbedFailure& failure) {
        platform::ShowMessageBox(failure.what());
        return abandon(failure.what());
    } catch (const Exception& error) {
        return abandon(error.what());
    } catch (const std::bad_alloc&) {
        return abandon("out of memory");
    }

    // The temporary file was made private; the scenario is an ordinary file.
    namespace fs = std::filesystem;
    std::error_code error;
    fs::permissions(temp, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read,
                    error);
    fs::rename(temp, OutputPath(), error);
    if (error) return abandon("cannot replace " + OutputPath() + ": " + error.message());
    return CompileResult::Ok;
}

}  // namespace korv
