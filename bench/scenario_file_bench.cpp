// Compiling and loading scenarios that embed a lot of media: both should
// run near the speed of copying the bytes, so scrambling and archive
// writes must not be the bottleneck.
//
//   korv_scenario_bench --benchmark_counters_tabular=true
// KORV_BENCH_MB sets the embedded total (default 200 MB, in 20 files).

#include <benchmark/benchmark.h>

#include "bench/min_max.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>
#include <unistd.h>

#include "platform/archive.h"
#include "platform/file.h"
#include "platform/message_box.h"
#include "scenario/scenario.h"
#include "scenario/scenario_compiler.h"
#include "update/script_container.h"

namespace fs = std::filesystem;

namespace {

struct MediaSite {
    fs::path root;
    std::string script;
    uint64_t bytes = 0;

    MediaSite() {
        const char* megabytes = std::getenv("KORV_BENCH_MB");
        uint64_t total = (megabytes ? std::strtoull(megabytes, nullptr, 10) : 200) << 20;
        root = fs::temp_directory_path() / ("korv-bench-" + std::to_string(::getpid()));
        fs::create_directories(root / "content");
        std::mt19937 random(7);
        std::string chunk(1 << 20, '\0');
        for (char& c : chunk) c = static_cast<char>(random());
        script = "VERSION 500;";
        constexpr int kFiles = 20;
        for (int i = 0; i < kFiles; ++i) {
            std::string name = "clip" + std::to_string(i) + ".mp3";
            std::ofstream out(root / "content" / name, std::ios::binary);
            for (uint64_t written = 0; written < total / kFiles; written += chunk.size()) out.write(chunk.data(), chunk.size());
            bytes += fs::file_size(root / "content" / name);
            script += "MEDIA m" + std::to_string(i) + "," + name + ",0,;PLAY m" + std::to_string(i) + ",,ON,,1;";
        }
    }
    ~MediaSite() { fs::remove_all(root); }

    korv::CompileResult Compile() const {
        korv::CompileRequest request{korv::SplitStatements(script), (root / "content").string(), root.string(), "bench",
                                     {}, {}};
        return korv::ScenarioCompiler(std::move(request)).Compile();
    }
};

MediaSite& Site() {
    static MediaSite site;
    return site;
}

void BM_CompileEmbeddedMedia(benchmark::State& state) {
    MediaSite& site = Site();
    site.Compile();  // warm the page cache
    for (auto _ : state)
        if (site.Compile() != korv::CompileResult::Ok) state.SkipWithError("compile failed");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * site.bytes));
}
BENCHMARK(BM_CompileEmbeddedMedia)->Apply(korv::bench::MinMax)->Unit(benchmark::kMillisecond)->UseRealTime();

// The reference: the same files copied into one file through a 128 KiB
// buffer, as `cat` does, with the same fsync at the end as the compiler.
void BM_CatReference(benchmark::State& state) {
    MediaSite& site = Site();
    std::vector<char> buffer(128 << 10);
    const fs::path output = site.root / "cat.out";
    for (auto _ : state) {
        std::FILE* out = std::fopen(output.c_str(), "wb");
        for (const auto& entry : fs::directory_iterator(site.root / "content")) {
            std::FILE* in = std::fopen(entry.path().c_str(), "rb");
            for (size_t got; in && (got = std::fread(buffer.data(), 1, buffer.size(), in)) > 0;)
                std::fwrite(buffer.data(), 1, got, out);
            if (in) std::fclose(in);
        }
        std::fflush(out);
        ::fsync(::fileno(out));
        std::fclose(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * site.bytes));
}
BENCHMARK(BM_CatReference)->Apply(korv::bench::MinMax)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadEmbeddedMedia(benchmark::State& state) {
    MediaSite& site = Site();
    site.Compile();
    korv::platform::SetMessageBoxSink([](const korv::platform::MessageBoxRequest&) {});
    for (auto _ : state) {
        korv::platform::File file;
        file.Open((site.root / "bench.zep").string(), korv::platform::File::Mode::Read);
        korv::platform::ArchiveReader archive(file);
        korv::Scenario scenario;
        if (!scenario.Load(archive)) state.SkipWithError("load failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * site.bytes));
}
BENCHMARK(BM_LoadEmbeddedMedia)->Apply(korv::bench::MinMax)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
