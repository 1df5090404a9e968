#include "media/flash/flash_player_page.h"

#include <charconv>
#include <cstdlib>
#include <vector>

namespace korv {

namespace {

// The player fills the page; the page is black until a movie draws.
// Movies that report their frames (trace lines "korv-frame:N") end on
// their last frame; ActionScript 3 movies cannot, so their length is
// their frame count at their frame rate, after which the player is
// suspended on the last picture.
constexpr char kPage[] = R"html(<!DOCTYPE html>
<html><head><meta charset="utf-8">
<style>
html, body { margin: 0; padding: 0; overflow: hidden; background: #000; width: 100%; height: 100%; }
ruffle-player, ruffle-object, ruffle-embed { display: block; width: 100vw; height: 100vh; }
</style>
<script>
window.RufflePlayer = window.RufflePlayer || {};
window.RufflePlayer.config = {
  publicPath: "korv-flash://player/ruffle/",
  autoplay: "on",
  unmuteOverlay: "hidden",
  splashScreen: false,
  contextMenu: "off",
  letterbox: "off",
  allowNetworking: "none",
  preferredRenderer: "canvas",
  openUrlMode: "deny",
  allowScriptAccess: false,
  warnOnUnsupportedContent: false,
  showSwfDownload: false,
  logLevel: "error",
  polyfills: false
};
</script>
<script src="korv-flash://player/ruffle/ruffle.js"></script>
<script>
"use strict";
const korvHost = (text) => window.webkit.messageHandlers.korv.postMessage(text);
let korvPlayer = null;
let korvCurrent = 0;
let korvEndTimer = null;
let korvLoadTimer = null;
// A movie the player neither starts nor refuses within this time (a damaged
// header can leave it waiting for data that never comes) fails its play.
const korvLoadLimitMs = 10000;

function korvClearTimer() {
  if (korvEndTimer !== null) { clearTimeout(korvEndTimer); korvEndTimer = null; }
  if (korvLoadTimer !== null) { clearTimeout(korvLoadTimer); korvLoadTimer = null; }
}

function korvStart() {
  try {
    korvPlayer = window.RufflePlayer.newest().createPlayer();
    document.body.appendChild(korvPlayer);
    korvPlayer.addEventListener("loadedmetadata", () => {
      const play = korvCurrent;
      if (korvLoadTimer !== null) { clearTimeout(korvLoadTimer); korvLoadTimer = null; }
      const meta = korvPlayer.metadata || {};
      const as3 = meta.isActionScript3 ? 1 : 0;
      const frames = meta.numFrames || 0;
      const rate = meta.frameRate || 0;
      korvHost("loaded " + play + " " + as3 + " " + frames + " " + rate);
      if ((as3 || korvPlayer.korvTimedEnd) && !korvPlayer.korvLoop && frames > 0 && rate > 0) {
        korvEndTimer = setTimeout(() => {
          if (play !== korvCurrent) return;
          korvHost("ended " + play);
          try { korvPlayer.suspend(); } catch (error) {}
        }, frames / rate * 1000);
      }
    });
    korvHost("ready");
  } catch (error) {
    korvHost("failed 0 " + error);
  }
}

async function korvPlay(address, play, loop, volume, timedEnd) {
  korvClearTimer();
  korvCurrent = play;
  korvPlayer.korvLoop = loop;
  korvPlayer.korvTimedEnd = timedEnd;
  korvLoadTimer = setTimeout(() => {
    korvLoadTimer = null;
    if (play === korvCurrent) korvHost("failed " + play + " the player did not start the movie");
  }, korvLoadLimitMs);
  korvPlayer.volume = volume;
  try {
    await korvPlayer.load({ url: address });
    if (play !== korvCurrent) return;
    korvPlayer.volume = volume;
    korvPlayer.traceObserver = (text) => {
      const match = /^korv-frame:(\d+)$/.exec(String(text));
      if (match && play === korvCurrent) korvHost("frame " + play + " " + match[1]);
    };
  } catch (error) {
    if (play === korvCurrent) korvHost("failed " + play + " " + error);
  }
}

function korvStop() {
  korvClearTimer();
  korvCurrent = 0;
  if (korvPlayer) try { korvPlayer.suspend(); } catch (error) {}
}

window.addEventListener("DOMContentLoaded", korvStart);
</script>
</head><body></body></html>
)html";

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

std::vector<std::string_view> Words(std::string_view text, size_t most) {
    std::vector<std::string_view> words;
    while (!text.empty() && words.size() + 1 < most) {
        size_t space = text.find(' ');
        words.push_back(text.substr(0, space));
        if (space == std::string_view::npos) return words;
        text.remove_prefix(space + 1);
    }
    if (!text.empty()) words.push_back(text);
    return words;
}

template <typename Number>
bool ReadNumber(std::string_view text, Number& value) {
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// A rate such as "24" or "12.5" (the page writes JavaScript numbers).
bool ReadRate(std::string_view text, double& value) {
    std::string copy(text);
    char* end = nullptr;
    value = std::strtod(copy.c_str(), &end);
    return !copy.empty() && end == copy.c_str() + copy.size() && value >= 0;
}

}  // namespace

std::string FlashPlayerPageHtml() { return kPage; }

std::string FlashPlayerContentType(std::string_view path) {
    if (EndsWith(path, ".html")) return "text/html; charset=utf-8";
    if (EndsWith(path, ".js")) return "text/javascript";
    if (EndsWith(path, ".wasm")) return "application/wasm";
    if (EndsWith(path, ".swf")) return "application/x-shockwave-flash";
    return "application/octet-stream";
}

std::string FlashMovieAddress(uint64_t playNumber) {
    return "korv-flash://player/movie/" + std::to_string(playNumber) + ".swf";
}

std::string FlashPlayScript(uint64_t playNumber, const FlashPlayOptions& options) {
    return "korvPlay(\"" + FlashMovieAddress(playNumber) + "\", " + std::to_string(playNumber) + ", " +
           (options.loop ? "true" : "false") + ", " + (options.muted ? "0" : "1") + ", " +
           (options.timedEnd ? "true" : "false") + ");";
}

std::string FlashStopScript() { return "korvStop();"; }

std::string FlashVolumeScript(bool muted) {
    return std::string("if (korvPlayer) korvPlayer.volume = ") + (muted ? "0" : "1") + ";";
}

std::optional<FlashPageMessage> ParseFlashPageMessage(std::string_view text) {
    std::vector<std::string_view> words = Words(text, 6);
    if (words.empty()) return std::nullopt;
    FlashPageMessage message{FlashPageMessage::Ready};
    if (words[0] == "ready") return words.size() == 1 ? std::optional(message) : std::nullopt;
    if (words.size() < 2 || !ReadNumber(words[1], message.play)) return std::nullopt;
    if (words[0] == "loaded" && words.size() == 5) {
        int as3 = 0;
        message.kind = FlashPageMessage::Loaded;
        if (!ReadNumber(words[2], as3) || !ReadNumber(words[3], message.frameCount)) return std::nullopt;
        if (!ReadRate(words[4], message.frameRate)) return std::nullopt;
        message.actionScript3 = as3 != 0;
        return message;
    }
    if (words[0] == "frame" && words.size() == 3) {
        message.kind = FlashPageMessage::Frame;
        if (!ReadNumber(words[2], message.frame) || message.frame < 0) return std::nullopt;
        return message;
    }
    if (words[0] == "ended" && words.size() == 2) {
        message.kind = FlashPageMessage::Ended;
        return message;
    }
    if (words[0] == "failed") {
        message.kind = FlashPageMessage::Failed;
        message.text = words.size() > 2 ? std::string(text.substr(words[2].data() - text.data())) : "";
        return message;
    }
    return std::nullopt;
}

}  // namespace korv
