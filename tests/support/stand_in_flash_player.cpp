#include "tests/support/stand_in_flash_player.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "media/flash/flash_stage.h"
#include "platform/web_engine.h"
#include "tests/support/eventually.h"

namespace korv::test {

namespace {

namespace fs = std::filesystem;

}  // namespace

StandInFlashPlayer& StandInFlashPlayer::Ready() {
    static auto* player = new StandInFlashPlayer;
    return *player;
}

StandInFlashPlayer::StandInFlashPlayer() {
    fs::path folder = fs::temp_directory_path() / ("korv-flash-player-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    for (const char* name : {"ruffle.js", "core.ruffle.0.js", "0.wasm"}) std::ofstream(folder / name) << name;
    ::setenv("KORV_RUFFLE_DIR", folder.c_str(), 1);
    platform::SetSystemWebEngine(&engine);
    FlashStage::Instance().Prepare();
    if (Eventually([this] { return engine.ViewCount() == 1; })) engine.Listener(0).OnScriptMessage("ready");
}

std::string StandInFlashPlayer::LastScript() const {
    if (engine.ViewCount() == 0) return "";
    auto scripts = engine.Record(0).scripts;
    return scripts.empty() ? "" : scripts.back();
}

uint64_t StandInFlashPlayer::CurrentPlay() const {
    if (engine.ViewCount() == 0) return 0;
    uint64_t play = 0;
    for (const std::string& script : engine.Record(0).scripts) {
        size_t comma = script.find("\", ");
        if (script.starts_with("korvPlay(") && comma != std::string::npos) play = std::stoull(script.substr(comma + 3));
    }
    return play;
}

bool StandInFlashPlayer::WaitForPlayAfter(uint64_t afterPlay) const {
    return Eventually([&] { return CurrentPlay() > afterPlay; });
}

void StandInFlashPlayer::Send(const std::string& text) const {
    if (engine.ViewCount() > 0) engine.Listener(0).OnScriptMessage(text);
}

}  // namespace korv::test
