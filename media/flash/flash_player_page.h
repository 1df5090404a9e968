#pragma once
// The page that hosts the web Flash player, and what it tells its host.
//
// The page is served from a scheme of our own ("korv-flash://player/"):
// "/player.html" is the page, "/ruffle/<file>" the player's files,
// "/movie/<n>.swf" the movie of play n. Once the player runs, the page
// says "ready"; the host then calls korvPlay(address, loop, volume) and
// korvStop() in it. While a movie plays the page reports its facts on
// loading, each frame of a movie that reports its frames, the end of a
// movie whose frames cannot be seen, and a movie that failed.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korv {

inline constexpr char kFlashScheme[] = "korv-flash";
inline constexpr char kFlashPageAddress[] = "korv-flash://player/player.html";

std::string FlashPlayerPageHtml();
// The Content-Type for a file the page loads, by its extension.
std::string FlashPlayerContentType(std::string_view path);
// How a play goes: `timedEnd` ends a movie without loop after its frame
// count at its frame rate, for movies that do not report their frames
// (ActionScript 3 ones always end so).
struct FlashPlayOptions {
    bool loop = false;
    bool muted = false;
    bool timedEnd = false;
};

// The address of play `playNumber`'s movie, and the script lines that
// start and stop it.
std::string FlashMovieAddress(uint64_t playNumber);
std::string FlashPlayScript(uint64_t playNumber, const FlashPlayOptions& options);
std::string FlashStopScript();
std::string FlashVolumeScript(bool muted);

struct FlashPageMessage {
    enum Kind { Ready, Loaded, Frame, Ended, Failed } kind;
    uint64_t play = 0;  // the play the message is about (not for Ready)
    // Loaded: what the movie's header says.
    bool actionScript3 = false;
    int frameCount = 0;
    double frameRate = 0;
    int frame = 0;  // Frame: the 0-based frame reached
    std::string text;  // Failed: why
};
// A message of the page; nothing for text that is none of them.
std::optional<FlashPageMessage> ParseFlashPageMessage(std::string_view text);

}  // namespace korv
