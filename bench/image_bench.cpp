// Decoding and resampling full-screen pictures, beside the bare libraries
// on the same files, so the layer's own cost can be read as a ratio.

#include <benchmark/benchmark.h>

#include <png.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "media/image/decoders.h"
#include "platform/file.h"
#include "media/image/resize.h"

namespace fs = std::filesystem;

namespace {

struct Pictures {
    fs::path folder = fs::temp_directory_path() / ("korv-image-bench-" + std::to_string(::getpid()));
    std::vector<uint8_t> jpeg, png;

    static std::vector<uint8_t> Read(const fs::path& path) {
        return korv::platform::ReadFileBytes(path.string()).value_or(std::vector<uint8_t>{});
    }
    Pictures() {
        fs::create_directories(folder);
        std::string source = (folder / "source.png").string();
        std::string make = "convert -size 1920x1080 plasma:fractal -seed 7 " + source + " && convert " + source +
                           " -quality 90 " + (folder / "p.jpg").string() + " && cp " + source + " " +
                           (folder / "p.png").string();
        if (std::system(make.c_str()) != 0) std::abort();
        jpeg = Read(folder / "p.jpg");
        png = Read(folder / "p.png");
    }
    ~Pictures() { fs::remove_all(folder); }
};

Pictures& Fixtures() {
    static Pictures pictures;
    return pictures;
}

void BM_DecodeJpeg1080p(benchmark::State& state) {
    auto& bytes = Fixtures().jpeg;
    for (auto _ : state) benchmark::DoNotOptimize(korv::DecodeJpeg(bytes));
}
BENCHMARK(BM_DecodeJpeg1080p)->Unit(benchmark::kMillisecond);

// libjpeg alone: the same file into one RGB buffer.
void BM_LibjpegAlone1080p(benchmark::State& state) {
    auto& bytes = Fixtures().jpeg;
    for (auto _ : state) {
        jpeg_decompress_struct info;
        jpeg_error_mgr errors;
        info.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, bytes.data(), bytes.size());
        jpeg_read_header(&info, TRUE);
        info.out_color_space = JCS_RGB;
        jpeg_start_decompress(&info);
        std::vector<uint8_t> out(size_t{info.output_width} * info.output_height * 3);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = out.data() + size_t{info.output_scanline} * info.output_width * 3;
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_LibjpegAlone1080p)->Unit(benchmark::kMillisecond);

void BM_DecodePng1080p(benchmark::State& state) {
    auto& bytes = Fixtures().png;
    for (auto _ : state) benchmark::DoNotOptimize(korv::DecodePng(bytes));
}
BENCHMARK(BM_DecodePng1080p)->Unit(benchmark::kMillisecond);

// libpng alone, through its simplified API, into one RGB buffer.
void BM_LibpngAlone1080p(benchmark::State& state) {
    auto& bytes = Fixtures().png;
    for (auto _ : state) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        png_image_begin_read_from_memory(&image, bytes.data(), bytes.size());
        image.format = PNG_FORMAT_RGB;
        std::vector<uint8_t> out(PNG_IMAGE_SIZE(image));
        png_image_finish_read(&image, nullptr, out.data(), 0, nullptr);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_LibpngAlone1080p)->Unit(benchmark::kMillisecond);

void BM_ResizePixels1080pTo720p(benchmark::State& state) {
    auto source = korv::DecodeJpeg(Fixtures().jpeg);
    for (auto _ : state) benchmark::DoNotOptimize(korv::ResizePixels(*source, 1280, 720));
}
BENCHMARK(BM_ResizePixels1080pTo720p)->Unit(benchmark::kMillisecond);

}  // namespace
