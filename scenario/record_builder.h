#pragma once
// Turns one script statement into the scene command it stands for, with
// every argument read by its rules and every named file embedded.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "scenario/compile_request.h"
#include "scenario/scene_command.h"
#include "scenario/script_tokens.h"

namespace korv {

// A file that a statement names cannot be embedded; the text is the
// message for the user (the full path and "\nCannot be read data.").
class EmbedFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The record code that a command word writes, or -1 for a word that writes
// no record (VERSION, unknown words, blank statements).
int RecordCodeOfWord(const std::string& word);

class RecordBuilder {
public:
    RecordBuilder(const CompileRequest& request, int32_t scriptVersion)
        : request_(request), version_(scriptVersion) {}

    // The command for `tokens`, or nothing when the statement writes no
    // record. Throws EmbedFailure.
    std::unique_ptr<SceneCommand> Build(const ScriptTokens& tokens) const;

private:
    std::unique_ptr<SceneCommand> Image(const ScriptTokens& t) const;
    std::unique_ptr<SceneCommand> Text(const ScriptTokens& t) const;
    std::unique_ptr<SceneCommand> Media(const ScriptTokens& t) const;
    std::unique_ptr<SceneCommand> Object(int code, const ScriptTokens& t) const;
    std::unique_ptr<SceneCommand> Line(const ScriptTokens& t) const;
    std::unique_ptr<SceneCommand> Play(const ScriptTokens& t) const;
    std::unique_ptr<SceneCommand> ShowHtml(const ScriptTokens& t) const;
    std::vector<uint8_t> Embed(const std::string& name) const;
    std::string TextFromSource(const std::string& itemId, const std::string& sourceName) const;

    const CompileRequest& request_;
    int32_t version_;
};

}  // namespace korv
