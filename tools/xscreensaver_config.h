#pragma once
// The display-mode list ("programs") of an xscreensaver preferences file
// (~/.xscreensaver, or the system's app-defaults file), read and changed as
// text: everything outside the entries that change stays byte for byte.
//
/* The list is one resource value over several lines: each line but the last
   ends with a backslash, and "\n" separates the entries, so a file holds
       programs:                                   \
                       maze --root                \n\
       - GL:           superquadrics --root       \n\
         "Korv Demo"   /home/u/savers/Demo --root \n\

*/
// An entry is [-] [VISUAL:] ["Name"] COMMAND; a leading "-" leaves it out of
// the rotation, "GL:" (a visual) marks an OpenGL hack. COMMAND is run by the
// shell.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace korv::tool {

struct ProgramsEntry {
    bool disabled = false;
    std::string visual;   // "GL" for "GL:", empty without one
    std::string name;     // the quoted name, empty without one
    std::string command;  // the rest, as the shell gets it
    std::string program;  // the command's first word, unquoted as the shell would
    // The bytes of the file that make up the entry; removing them removes
    // the entry and leaves a valid list.
    size_t removeBegin = 0;
    size_t removeEnd = 0;
};

// The entries of the last "programs" resource in `text` (a later line
// overrides an earlier one); nothing when there is no such resource.
std::optional<std::vector<ProgramsEntry>> ReadProgramsList(const std::string& text);

// The raw value of the last "programs" resource, from after its colon to the
// end of its last line (without that line's newline); nothing without one.
std::optional<std::string> ProgramsValueText(const std::string& text);

// Whether `path` can be written into the list: no backslash (the file's
// escape character) and no control character.
bool FitsProgramsList(const std::string& path);

// The entry that runs `programPath` with `arguments` under `name`, as it
// appears in the file (without the line's indent and ending): the name loses
// quotes, backslashes and control characters; the path is quoted for the
// shell when it needs to be. `programPath` must fit the list.
std::string FormatProgramsEntry(const std::string& name, const std::string& programPath,
                                const std::string& arguments);

// `text` with `entry` (a FormatProgramsEntry result) appended to the end of
// its programs list. A text without a list gets one at its end, starting
// with the entries of `defaultList` (a raw list value such as
// ProgramsValueText gives, empty for none) so that the modes that were in
// use stay available.
std::string AddProgramsEntry(const std::string& text, const std::string& entry, const std::string& defaultList);

// `text` without the list entries whose program is `programPath`.
std::string RemoveProgramsEntries(const std::string& text, const std::string& programPath);

}  // namespace korv::tool
