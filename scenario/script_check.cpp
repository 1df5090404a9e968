#include "scenario/script_check.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>

#include "scenario/scenario_compiler.h"
#include "scenario/script_values.h"

namespace korv {

namespace {

// How the compiler reads an argument, as far as a finding is concerned.
enum class Arg {
    Name,      // a declared object's name
    File,      // a file embedded from the content folder
    Text,      // anything
    Int,       // the atoi rule
    Seconds,   // the atof rule
    Colour,    // ParseColour
    HAnchor,   // LFT CTR RGT RND RNP or a number
    VAnchor,   // TOP CTR BTM RND RNP or a number
    On,        // "ON" or not
    Off,       // "OFF" or not
    Rnd,       // "RND" or not
    Inf,       // "INF" or not
    Lbl,       // "LBL" or not
    Opq,       // "OPQ" or not
    PictureMode,  // NRM DTP (anything else: the desktop capture)
    TextStyle,    // BLD ITL BLI NRM
    Decoration,   // UL SO SU
};

struct CommandShape {
    std::vector<Arg> args;  // every argument the command reads, in order
    size_t required = 0;    // how many an author must write
};

CommandShape ShapeOf(const std::string& word, int version) {
    using enum Arg;
    if (word == "IMAGE") {
        CommandShape shape{{Name, File, Int, PictureMode}, 4};
        if (version == 360 || version == 400 || version == 450) shape.args.push_back(Text);
        if (version == 500) shape.args.insert(shape.args.end(), {Int, Int, On, On, Text});
        return shape;
    }
    if (word == "TEXT") {
        CommandShape shape{{Name, Text, Text, TextStyle, Int, Decoration, Colour, Opq, Colour, Int}, 7};
        if (version == 450) shape.args.push_back(Text);
        if (version == 500) shape.args.insert(shape.args.end(), {Int, Text});
        return shape;
    }
    if (word == "MEDIA") return {{Name, File, Int, Text}, 2};
    if (word == "WAIT") return {{Rnd, Seconds}, 2};
    if (word == "CLS") return {{Rnd, Colour}, 2};
    if (word == "REPEAT") return {{}, 0};
    if (word == "UNTIL") return {{Inf, Int}, 2};
    if (word == "LINE") return {{Int, Int, Text, Text, Text, Text, Int, Int, Int, Int, Rnd, Colour}, 10};
    if (word == "URL") return {{Text, Int, Off}, 1};
    if (word == "SHOW") {
        CommandShape shape{{Name, HAnchor, VAnchor, Int, Int, Int, Int, On}, 1};
        if (version >= 400) shape.args.insert(shape.args.end(), {Lbl, Int});
        return shape;
    }
    if (word == "MOVE") return {{Name, HAnchor, VAnchor, HAnchor, VAnchor, Int, Int, Int, Int, Text, Int, Int, On, On}, 9};
    if (word == "HIDE") return {{Name}, 1};
    if (word == "PLAY") {
        CommandShape shape{{Name, On, On, Inf, Int}, 1};
        if (version >= 450) shape.args.insert(shape.args.end(), {Int, Int, On, Text, Text, Int, Int});
        if (version > 450) shape.args.push_back(Int);
        return shape;
    }
    if (word == "STOP") return {{Name}, 1};
    if (word == "SHOWHTML") return {{HAnchor, VAnchor, Int, Int, Int, Int, On, On, Text}, 9};
    if (word == "HIDEHTML") return {{On}, 0};
    return {{}, 0};
}

const char* const kCommands[] = {"IMAGE", "TEXT",  "MEDIA", "WAIT", "CLS",  "REPEAT",  "UNTIL",   "LINE",    "URL",
                                 "SHOW",  "MOVE",  "HIDE",  "PLAY", "STOP", "COMMENT", "SHOWHTML", "HIDEHTML"};

bool IsCommand(const std::string& word) {
    return std::find(std::begin(kCommands), std::end(kCommands), word) != std::end(kCommands);
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool IsWholeNumber(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const size_t digits = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    return i > digits && i == text.size();
}

bool IsDecimalNumber(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    bool digits = false;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) digits = ++i;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) digits = ++i;
    }
    return digits && i == text.size();
}

// Three three-digit numbers 0–255 with a non-digit between them, the only
// form ParseColour reads as written.
bool IsWellFormedColour(const std::string& text) {
    if (text.size() != 11) return false;
    for (size_t group : {0u, 4u, 8u}) {
        for (size_t i = group; i < group + 3; ++i)
            if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
        if (std::stoi(text.substr(group, 3)) > 255) return false;
    }
    return !std::isdigit(static_cast<unsigned char>(text[3])) && !std::isdigit(static_cast<unsigned char>(text[7]));
}

std::string ColourText(uint32_t colour) {
    char text[16];
    std::snprintf(text, sizeof text, "%03u.%03u.%03u", colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    return text;
}

bool Readable(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    std::ifstream file(path, std::ios::binary);
    return file.good() && std::filesystem::file_size(path, error) > 0;
}

// The statement's arguments with where each begins (offsets into the
// statement), split as the compiler splits them.
struct Token {
    std::string text;
    size_t offset = 0;
};

std::vector<Token> Tokens(const std::string& statement) {
    std::vector<Token> tokens;
    const size_t blank = statement.find(' ');
    tokens.push_back({statement.substr(0, blank), 0});
    if (blank == std::string::npos) return tokens;
    size_t at = blank + 1;
    for (bool first = true;; first = false) {
        const size_t comma = statement.find(',', at);
        size_t start = at;
        const size_t end = comma == std::string::npos ? statement.size() : comma;
        if (!first)
            while (start < end && std::isspace(static_cast<unsigned char>(statement[start]))) ++start;
        tokens.push_back({statement.substr(start, end - start), start});
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    return tokens;
}

class Checker {
public:
    explicit Checker(const ScriptCheckInput& input) : input_(input) {}

    std::vector<ScriptFinding> Run() {
        CollectDeclarations();
        int version = 0;
        bool versionSeen = false;
        int openLoops = 0;
        const LocatedStatement* lastRepeat = nullptr;
        for (const LocatedStatement& statement : input_.statements) {
            const std::vector<Token> tokens = Tokens(statement.text);
            const std::string& word = tokens[0].text;
            if (word == "VERSION") {
                version = AtoiRule(tokens.size() > 1 ? tokens[1].text : "");
                versionSeen = true;
                if (version > kHighestScriptVersion)
                    Add(statement, 0, FindingSeverity::Error,
                        "VERSION " + std::to_string(version) + " needs a newer engine (this one reads up to " +
                            std::to_string(kHighestScriptVersion) + ")");
                continue;
            }
            if (!IsCommand(word)) {
                Dropped(statement, word);
                continue;
            }
            if (!versionSeen) {
                Add(statement, 0, FindingSeverity::Warning,
                    "no VERSION statement comes before this one; the script is read as version 0");
                versionSeen = true;  // said once
            }
            if (word == "COMMENT") continue;
            CheckArguments(statement, tokens, word, version);
            if (word == "REPEAT") {
                ++openLoops;
                lastRepeat = &statement;
            }
            if (word == "UNTIL") {
                if (openLoops == 0)
                    Add(statement, 0, FindingSeverity::Error, "UNTIL without a REPEAT before it; the scenario does not load");
                else
                    --openLoops;
            }
        }
        if (openLoops > 0 && lastRepeat)
            Add(*lastRepeat, 0, FindingSeverity::Warning, "REPEAT without an UNTIL after it; what follows plays once");
        if (input_.unterminated) {
            std::string shown = input_.unterminated->text;
            shown.erase(shown.find_last_not_of(" \t\r\n") + 1);
            if (shown.size() > 40) shown = shown.substr(0, 37) + "...";
            Add(*input_.unterminated, 0, FindingSeverity::Warning,
                "'" + shown + "' has no ';' after it, so it is no statement and is dropped");
        }
        std::stable_sort(findings_.begin(), findings_.end(), [](const ScriptFinding& a, const ScriptFinding& b) {
            return a.line != b.line ? a.line < b.line : a.column < b.column;
        });
        return std::move(findings_);
    }

private:
    void CollectDeclarations() {
        for (const LocatedStatement& statement : input_.statements) {
            const std::vector<Token> tokens = Tokens(statement.text);
            if (tokens.size() < 2) continue;
            if (tokens[0].text == "IMAGE" || tokens[0].text == "TEXT") visuals_.insert(tokens[1].text);
            if (tokens[0].text == "MEDIA") media_.insert(tokens[1].text);
        }
    }

    void Dropped(const LocatedStatement& statement, const std::string& word) {
        if (word.empty() && !statement.text.empty() && statement.text[0] == ' ') {
            Add(statement, 0, FindingSeverity::Warning,
                "the statement begins with a blank, so it has no command word; it is dropped");
        } else if (word.empty()) {
            Add(statement, 0, FindingSeverity::Warning, "an empty statement is dropped");
        } else if (IsCommand(Upper(word)) || Upper(word) == "VERSION") {
            Add(statement, 0, FindingSeverity::Warning,
                "'" + word + "' is not a command (commands are upper case: " + Upper(word) + "); the statement is dropped");
        } else {
            Add(statement, 0, FindingSeverity::Warning, "'" + word + "' is not a command; the statement is dropped");
        }
    }

    void CheckArguments(const LocatedStatement& statement, const std::vector<Token>& tokens, const std::string& word,
                        int version) {
        const CommandShape shape = ShapeOf(word, version);
        const size_t given = tokens.size() - 1;
        if (word == "WAIT" && given == 1 && IsDecimalNumber(tokens[1].text)) {
            Add(statement, tokens[1].offset, FindingSeverity::Warning,
                "WAIT takes its seconds as argument 2 ('WAIT ," + tokens[1].text + "'); as written it waits 0 ms");
            return;
        }
        // A last comma with nothing after it is how a site writes the URL of
        // a file (the update reads up to that comma): no argument to speak of.
        const bool extraWritten = std::any_of(tokens.begin() + static_cast<std::ptrdiff_t>(std::min(given, shape.args.size()) + 1),
                                              tokens.end(), [](const Token& t) { return !t.text.empty(); });
        if (given > shape.args.size() && extraWritten) {
            Add(statement, tokens[shape.args.size() + 1].offset, FindingSeverity::Warning,
                word + " takes " + Count(shape.args.size()) + " in version " + std::to_string(version) + ", not " +
                    std::to_string(given) + "; the rest are ignored");
        } else if (given < shape.required) {
            Add(statement, 0, FindingSeverity::Warning,
                word + " needs at least " + Count(shape.required) + ", not " + std::to_string(given) +
                    "; the missing ones read as empty or 0");
        }
        for (size_t n = 1; n <= std::min(given, shape.args.size()); ++n)
            CheckArgument(statement, tokens[n], word, n, shape.args[n - 1], tokens);
    }

    static std::string Count(size_t n) { return std::to_string(n) + (n == 1 ? " argument" : " arguments"); }

    void CheckArgument(const LocatedStatement& statement, const Token& token, const std::string& word, size_t n,
                       Arg type, const std::vector<Token>& tokens) {
        const std::string& text = token.text;
        const std::string which = "argument " + std::to_string(n) + " of " + word;
        auto warn = [&](const std::string& message) { Add(statement, token.offset, FindingSeverity::Warning, message); };
        // The loader cannot link a command to a name nothing declares.
        auto unlinked = [&](const std::string& message) { Add(statement, token.offset, FindingSeverity::Error, message); };
        auto keyword = [&](std::initializer_list<const char*> words, const std::string& otherwise) {
            if (text.empty()) return;
            for (const char* w : words)
                if (text == w) return;
            std::string list;
            for (const char* w : words) list += std::string(list.empty() ? "" : ", ") + w;
            warn(which + " should be " + (words.size() == 1 ? list : "one of " + list) + " or empty, not '" + text +
                 "'; it reads as " + otherwise);
        };
        switch (type) {
            case Arg::Name:
                if (word == "SHOW" || word == "MOVE" || word == "HIDE") {
                    if (!visuals_.count(text))
                        unlinked(word + " of '" + text + "', which no IMAGE or TEXT declares; the scenario does not load");
                } else if ((word == "PLAY" || word == "STOP") && !media_.count(text)) {
                    unlinked(word + " of '" + text + "', which no MEDIA declares; the scenario does not load");
                }
                break;
            case Arg::File: CheckFile(statement, token); break;
            case Arg::Text:
                if (word == "TEXT" && n >= 11) CheckTextSource(statement, token, tokens[2]);
                if (word == "SHOWHTML" && n == 9 && tokens.size() > 8 && tokens[8].text == "ON") CheckFile(statement, token);
                break;
            case Arg::Int:
                if (!text.empty() && !IsWholeNumber(text))
                    warn(which + " should be a whole number, not '" + text + "'; it reads as " +
                         std::to_string(AtoiRule(text)));
                break;
            case Arg::Seconds:
                if (!text.empty() && !IsDecimalNumber(text))
                    warn(which + " should be a number of seconds, not '" + text + "'; it reads as " +
                         std::to_string(static_cast<long long>(AtofRule(text) * 1000)) + " ms");
                break;
            case Arg::Colour:
                if (!text.empty() && !IsWellFormedColour(text))
                    warn(which + " should be a colour written like 255.128.000 (three numbers 0-255 of three digits), not '" +
                         text + "'; it reads as " + ColourText(ParseColour(text)));
                break;
            case Arg::HAnchor:
            case Arg::VAnchor: {
                const bool h = type == Arg::HAnchor;
                if (text.empty() || IsWholeNumber(text)) break;
                static const char* const kHorizontal[] = {"LFT", "CTR", "RGT", "RND", "RNP"};
                static const char* const kVertical[] = {"TOP", "CTR", "BTM", "RND", "RNP"};
                for (const char* w : h ? kHorizontal : kVertical)
                    if (text == w) return;
                warn(which + " should be " + (h ? "LFT, CTR, RGT" : "TOP, CTR, BTM") +
                     ", RND, RNP or a number, not '" + text + "'; it reads as a number");
                break;
            }
            case Arg::On: keyword({"ON"}, "off"); break;
            case Arg::Off: keyword({"OFF"}, "on"); break;
            case Arg::Rnd: keyword({"RND"}, "not random"); break;
            case Arg::Inf: keyword({"INF"}, "not endless"); break;
            case Arg::Lbl: keyword({"LBL"}, "shown at once, not typed"); break;
            case Arg::Opq: keyword({"OPQ"}, "transparent"); break;
            case Arg::PictureMode: keyword({"NRM", "DTP"}, "the desktop capture taken at start-up"); break;
            case Arg::TextStyle: keyword({"NRM", "BLD", "ITL", "BLI"}, "regular"); break;
            case Arg::Decoration: keyword({"UL", "SO", "SU"}, "no decoration"); break;
        }
    }

    void CheckFile(const LocatedStatement& statement, const Token& token) {
        const std::string name = UnescapeText(token.text);
        if (!IsPlainFileName(name)) {
            Add(statement, token.offset, FindingSeverity::Error,
                "'" + token.text + "' is not the name of a file in the content folder; the compile fails");
        } else if (!Readable(std::filesystem::path(input_.contentFolder) / name)) {
            Add(statement, token.offset, FindingSeverity::Error,
                "cannot read '" + name + "' in the content folder " + input_.contentFolder + "; the compile fails");
        }
    }

    void CheckTextSource(const LocatedStatement& statement, const Token& source, const Token& itemToken) {
        const auto& sources = input_.textSources;
        const auto found = std::find(sources.begin(), sources.end(), source.text);
        if (found == sources.end()) {
            Add(statement, source.offset, FindingSeverity::Warning,
                "text source '" + source.text + "' is not among the text sources; the text is ' '");
            return;
        }
        char file[32];
        std::snprintf(file, sizeof file, "TextFile%03zu.html", static_cast<size_t>(found - sources.begin()));
        const std::string& item = itemToken.text;
        if (!input_.readTextItem || !input_.readTextItem((std::filesystem::path(input_.contentFolder) / file).string(), item))
            Add(statement, itemToken.offset, FindingSeverity::Warning,
                "text source '" + source.text + "' (" + file + ") has no item '" + item + "'; the text is ' '");
    }

    // Where `offset` of the statement lies in the script.
    void Add(const LocatedStatement& statement, size_t offset, FindingSeverity severity, std::string message) {
        ScriptFinding finding{statement.line, statement.column, severity, std::move(message)};
        for (size_t i = 0; i < offset && i < statement.text.size(); ++i) {
            if (statement.text[i] == '\n') {
                ++finding.line;
                finding.column = 1;
            } else {
                ++finding.column;
            }
        }
        findings_.push_back(std::move(finding));
    }

    const ScriptCheckInput& input_;
    std::set<std::string> visuals_;
    std::set<std::string> media_;
    std::vector<ScriptFinding> findings_;
};

}  // namespace

std::vector<ScriptFinding> CheckScript(const ScriptCheckInput& input) { return Checker(input).Run(); }

std::string FormatFinding(const std::string& file, const ScriptFinding& finding) {
    return file + ":" + std::to_string(finding.line) + ":" + std::to_string(finding.column) + ": " +
           (finding.severity == FindingSeverity::Error ? "error: " : "warning: ") + finding.message;
}

}  // namespace korv
