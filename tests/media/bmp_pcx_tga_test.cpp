// The BMP, PCX and TGA decoders: ImageMagick writes many variants of one
// picture, and each must decode exactly as ImageMagick itself reads it back;
// variants ImageMagick does not write are made here, from its files or by
// hand; damaged files must fail with their format's error code.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "media/image/decoders.h"
#include "media/image/image_error.h"
#include "tests/support/command_runner.h"
#include "tests/support/rgb24_pictures.h"
#include "tests/support/test_environment.h"

namespace korv {
namespace {

using Bytes = std::vector<uint8_t>;
using Decoder = std::optional<platform::Surface> (*)(std::span<const uint8_t>);
namespace fs = std::filesystem;

// ---------------------------------------------------------------------------
// Byte helpers

Bytes ReadBytes(const fs::path& path) {
    std::string text = test::ReadFileBytes(path);
    return Bytes(text.begin(), text.end());
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    test::WriteFileBytes(path, std::string(bytes.begin(), bytes.end()));
}

void Append16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void Append32(Bytes& b, uint32_t v) {
    Append16(b, v & 0xFFFF);
    Append16(b, v >> 16);
}
void Put16(Bytes& b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(Bytes& b, size_t at, uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}
uint32_t Get16(const Bytes& b, size_t at) { return b[at] | b[at + 1] << 8; }
uint32_t Get32(const Bytes& b, size_t at) { return Get16(b, at) | Get16(b, at + 2) << 16; }
void AppendAll(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

// Repeatable filler bytes.
class Noise {
public:
    explicit Noise(uint32_t seed) : state_(seed) {}
    uint8_t Next() {
        state_ = state_ * 1103515245u + 12345u;
        return static_cast<uint8_t>(state_ >> 16);
    }
    Bytes Take(size_t n) {
        Bytes out(n);
        for (auto& v : out) v = Next();
        return out;
    }

private:
    uint32_t state_;
};

// ---------------------------------------------------------------------------
// Pixel helpers

struct Rgb {
    int r, g, b;
};

Rgb At(const platform::Surface& image, int x, int y) {
    const platform::Pixel p = image.At(x, y);
    return {platform::PixelRed(p), platform::PixelGreen(p), platform::PixelBlue(p)};
}

std::string Text(Rgb c) {
    return "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

// Empty when both pictures are the same, else where they first differ.
std::string Difference(const platform::Surface& got, const platform::Surface& want) {
    if (got.Width() != want.Width() || got.Height() != want.Height())
        return "size " + std::to_string(got.Width()) + "x" + std::to_string(got.Height()) + " instead of " +
               std::to_string(want.Width()) + "x" + std::to_string(want.Height());
    for (int y = 0; y < got.Height(); ++y)
        for (int x = 0; x < got.Width(); ++x) {
            Rgb a = At(got, x, y), b = At(want, x, y);
            if (a.r != b.r || a.g != b.g || a.b != b.b)
                return "pixel (" + std::to_string(x) + "," + std::to_string(y) + ") is " + Text(a) + " instead of " +
                       Text(b);
        }
    return "";
}

// A picture given row by row as 0xRRGGBB values.
platform::Surface Picture(int width, const std::vector<uint32_t>& colours) {
    platform::Surface out(width, static_cast<int>(colours.size()) / width);
    for (size_t i = 0; i < colours.size(); ++i)
        out.Pixels()[i] = platform::PixelRgb(static_cast<uint8_t>(colours[i] >> 16), static_cast<uint8_t>(colours[i] >> 8),
                                             static_cast<uint8_t>(colours[i]));
    return out;
}

platform::Surface Decoded(Decoder decode, const Bytes& bytes) {
    ClearImageError();
    auto result = decode(bytes);
    EXPECT_TRUE(result.has_value()) << "image error " << GetImageError();
    return result ? std::move(*result) : platform::Surface();
}

void ExpectFails(Decoder decode, const Bytes& bytes, int code) {
    ClearImageError();
    EXPECT_FALSE(decode(bytes).has_value());
    EXPECT_EQ(GetImageError(), code);
}

// ---------------------------------------------------------------------------
// File builders

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiJpeg = 4, kBiPng = 5;

// A BMP with a 40-byte header; `extra` (masks, palette) sits between the
// header and the pixels, which start right after it.
Bytes MakeBmp(int32_t width, int32_t height, uint16_t bits, uint32_t compression, const Bytes& extra,
              const Bytes& pixels, uint32_t colorsUsed = 0) {
    Bytes b = {'B', 'M'};
    const uint32_t offBits = static_cast<uint32_t>(14 + 40 + extra.size());
    Append32(b, static_cast<uint32_t>(offBits + pixels.size()));
    Append32(b, 0);
    Append32(b, offBits);
    Append32(b, 40);
    Append32(b, static_cast<uint32_t>(width));
    Append32(b, static_cast<uint32_t>(height));
    Append16(b, 1);
    Append16(b, bits);
    Append32(b, compression);
    Append32(b, static_cast<uint32_t>(pixels.size()));
    Append32(b, 2835);
    Append32(b, 2835);
    Append32(b, colorsUsed);
    Append32(b, 0);
    AppendAll(b, extra);
    AppendAll(b, pixels);
    return b;
}

// Palette entries of a BMP (blue, green, red, 0) from 0xRRGGBB values.
Bytes BmpPalette(const std::vector<uint32_t>& colours) {
    Bytes b;
    for (uint32_t c : colours) Append32(b, c & 0xFFFFFF);
    return b;
}

Bytes TgaHeader(uint8_t idLength, uint8_t mapType, uint8_t type, uint16_t mapFirst, uint16_t mapLength, uint8_t mapBits,
                uint16_t width, uint16_t height, uint8_t depth, uint8_t descriptor) {
    Bytes b = {idLength, mapType, type};
    Append16(b, mapFirst);
    Append16(b, mapLength);
    b.push_back(mapBits);
    Append32(b, 0);  // x and y origin
    Append16(b, width);
    Append16(b, height);
    b.push_back(depth);
    b.push_back(descriptor);
    return b;
}

// TGA packets over a whole picture (so runs cross rows): a run for repeats,
// raw packets otherwise.
Bytes TgaRle(const Bytes& pixels, size_t pixelBytes) {
    const size_t count = pixels.size() / pixelBytes;
    auto same = [&](size_t a, size_t b) {
        return std::equal(pixels.begin() + a * pixelBytes, pixels.begin() + (a + 1) * pixelBytes,
                          pixels.begin() + b * pixelBytes);
    };
    Bytes out;
    for (size_t i = 0; i < count;) {
        size_t n = 1;
        while (i + n < count && n < 128 && same(i, i + n)) ++n;
        if (n > 1) {
            out.push_back(static_cast<uint8_t>(0x80 | (n - 1)));
            out.insert(out.end(), pixels.begin() + i * pixelBytes, pixels.begin() + (i + 1) * pixelBytes);
            i += n;
            continue;
        }
        while (i + n < count && n < 128 && !same(i + n - 1, i + n)) ++n;
        out.push_back(static_cast<uint8_t>(n - 1));
        out.insert(out.end(), pixels.begin() + i * pixelBytes, pixels.begin() + (i + n) * pixelBytes);
        i += n;
    }
    return out;
}

// PCX run-length coding over the whole data, so runs cross lines.
Bytes PcxRle(const Bytes& data) {
    Bytes out;
    for (size_t i = 0; i < data.size();) {
        size_t n = 1;
        while (i + n < data.size() && n < 63 && data[i + n] == data[i]) ++n;
        if (n > 1 || data[i] >= 0xC0) out.push_back(static_cast<uint8_t>(0xC0 | n));
        out.push_back(data[i]);
        i += n;
    }
    return out;
}

// A PCX; `lines` holds every scan line (planes × bytesPerLine bytes each).
Bytes MakePcx(int bits, int planes, int width, int height, int bytesPerLine, const Bytes& lines, bool compressed,
              const Bytes& headerPalette = {}, int xmin = 0, int ymin = 0) {
    Bytes b(128, 0);
    b[0] = 0x0A;
    b[1] = 5;
    b[2] = compressed ? 1 : 0;
    b[3] = static_cast<uint8_t>(bits);
    Put16(b, 4, xmin);
    Put16(b, 6, ymin);
    Put16(b, 8, xmin + width - 1);
    Put16(b, 10, ymin + height - 1);
    std::copy(headerPalette.begin(), headerPalette.end(), b.begin() + 16);
    b[65] = static_cast<uint8_t>(planes);
    Put16(b, 66, bytesPerLine);
    b[68] = 1;
    AppendAll(b, compressed ? PcxRle(lines) : lines);
    return b;
}

// ---------------------------------------------------------------------------
// Variants of one picture written by ImageMagick

bool HaveImageMagick() {
    static const bool found = test::RunCommand("convert", {"-version"}).exitCode == 0;
    return found;
}

// Reads binary PPM, as ImageMagick writes it (comments allowed in the header).
std::optional<platform::Surface> ParsePpm(const std::string& text) {
    size_t pos = 0;
    std::vector<std::string> fields;
    while (fields.size() < 4 && pos < text.size()) {
        if (std::isspace(static_cast<unsigned char>(text[pos]))) {
            ++pos;
        } else if (text[pos] == '#') {
            pos = text.find('\n', pos);
            if (pos == std::string::npos) return std::nullopt;
        } else {
            size_t end = pos;
            while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
            fields.push_back(text.substr(pos, end - pos));
            pos = end;
        }
    }
    if (fields.size() != 4 || fields[0] != "P6" || fields[3] != "255") return std::nullopt;
    const int width = std::stoi(fields[1]), height = std::stoi(fields[2]);
    ++pos;
    if (text.size() - pos != static_cast<size_t>(width) * static_cast<size_t>(height) * 3) return std::nullopt;
    return test::PictureFromRgb24(width, height,
                                  {reinterpret_cast<const uint8_t*>(text.data()) + pos, text.size() - pos});
}

class ImageMagickReference : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!HaveImageMagick()) return;
        dir_ = new test::TempDir;
        // A gradient with a different colour in each corner, a rectangle and a
        // disc; 37 × 23 so that no row fills whole 4-byte words.
        test::RunCommand("convert", {"-size", "37x23", "gradient:red-blue", "-fill", "yellow", "-draw", "point 0,0",
                                     "-fill", "lime", "-draw", "point 36,0", "-fill", "white", "-draw", "point 0,22",
                                     "-fill", "black", "-draw", "point 36,22", "-fill", "cyan", "-draw",
                                     "rectangle 5,5 12,9", "-fill", "magenta", "-draw", "circle 25,12 29,14",
                                     (*dir_ / "source.png").string()});
        // Two colours, black and white, for 1-bit PCX.
        test::RunCommand("convert", {"xc:white", "xc:black", "+append", (*dir_ / "mono.png").string()});
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override {
        if (!HaveImageMagick()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    }

    static fs::path Path(const std::string& name) { return *dir_ / name; }

    // The source picture written by convert with `options`; `target` is the
    // output file name, optionally with a format prefix ("BMP3:name.bmp").
    static fs::path Make(const std::string& target, std::vector<std::string> options) {
        const size_t colon = target.find(':');
        const std::string name = colon == std::string::npos ? target : target.substr(colon + 1);
        const std::string prefix = colon == std::string::npos ? "" : target.substr(0, colon + 1);
        std::vector<std::string> arguments = {Path("source.png").string()};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.push_back(prefix + Path(name).string());
        auto result = test::RunCommand("convert", arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return Path(name);
    }

    // ImageMagick's reading of a file. It only records a TGA's origin, so
    // TGAs are turned upright first.
    static platform::Surface Reference(const fs::path& file, bool upright) {
        std::vector<std::string> arguments = {file.string()};
        if (upright) arguments.push_back("-auto-orient");
        arguments.insert(arguments.end(), {"-depth", "8", "ppm:-"});
        auto result = test::RunCommand("convert", arguments);
        auto picture = ParsePpm(result.out);
        EXPECT_TRUE(picture.has_value()) << "convert could not read " << file << ": " << result.err;
        return picture ? std::move(*picture) : platform::Surface();
    }

    static void ExpectAsImageMagick(Decoder decode, const fs::path& file) {
        SCOPED_TRACE(file.filename().string());
        const bool upright = decode == &DecodeTga;
        platform::Surface reference = Reference(file, upright);
        ASSERT_FALSE(reference.Empty());
        EXPECT_EQ(Difference(Decoded(decode, ReadBytes(file)), reference), "");
    }

    static test::TempDir* dir_;
};

test::TempDir* ImageMagickReference::dir_ = nullptr;

// The pixel rows of an uncompressed BMP, as stored (bottom-up, padded).
struct BmpRows {
    int width, height, bits;
    size_t offset, stride;
};

BmpRows RowsOf(const Bytes& bmp) {
    BmpRows rows;
    rows.width = static_cast<int>(Get32(bmp, 18));
    rows.height = static_cast<int>(Get32(bmp, 22));
    rows.bits = static_cast<int>(Get16(bmp, 28));
    rows.offset = Get32(bmp, 10);
    rows.stride = (static_cast<size_t>(rows.width) * rows.bits + 31) / 32 * 4;
    return rows;
}

// Stores an uncompressed BMP's rows top-down instead.
Bytes TopDown(Bytes bmp) {
    BmpRows rows = RowsOf(bmp);
    Bytes flipped(bmp);
    for (int y = 0; y < rows.height; ++y)
        std::copy_n(bmp.begin() + static_cast<std::ptrdiff_t>(rows.offset + y * rows.stride), rows.stride,
                    flipped.begin() + static_cast<std::ptrdiff_t>(rows.offset + (rows.height - 1 - y) * rows.stride));
    Put32(flipped, 22, static_cast<uint32_t>(-rows.height));
    return flipped;
}

// A 24-bit BMP rewritten as 32 bits without masks; the fourth byte is junk.
Bytes ThirtyTwoBits(const Bytes& bmp24) {
    BmpRows rows = RowsOf(bmp24);
    Bytes pixels;
    for (int y = 0; y < rows.height; ++y)
        for (int x = 0; x < rows.width; ++x) {
            const uint8_t* p = &bmp24[rows.offset + y * rows.stride + x * 3];
            pixels.insert(pixels.end(), {p[0], p[1], p[2], 0x77});
        }
    return MakeBmp(rows.width, rows.height, 32, kBiRgb, {}, pixels);
}

// A V5 BMP cut down to a V4 header.
Bytes V4Header(const Bytes& v5) {
    Bytes v4(v5.begin(), v5.begin() + 14 + 108);
    v4.insert(v4.end(), v5.begin() + 14 + 124, v5.end());
    Put32(v4, 2, static_cast<uint32_t>(v4.size()));
    Put32(v4, 10, Get32(v5, 10) - 16);
    Put32(v4, 14, 108);
    return v4;
}

// Re-codes a 4-bit BMP as RLE4: runs of one colour or of two alternating
// ones, literal blocks (odd lengths included) for the rest.
Bytes Rle4(const Bytes& bmp4) {
    BmpRows rows = RowsOf(bmp4);
    Bytes out;
    for (int y = 0; y < rows.height; ++y) {
        const uint8_t* row = &bmp4[rows.offset + y * rows.stride];
        auto px = [&](int x) { return static_cast<uint8_t>(x % 2 ? row[x / 2] & 15 : row[x / 2] >> 4); };
        auto runAt = [&](int x) {
            int n = 1;
            while (x + n < rows.width && n < 255 && px(x + n) == px(x + n % 2)) ++n;
            return n;
        };
        for (int x = 0; x < rows.width;) {
            int n = runAt(x);
            if (n >= 3) {
                out.push_back(static_cast<uint8_t>(n));
                out.push_back(static_cast<uint8_t>(px(x) << 4 | (x + 1 < rows.width ? px(x + 1) : 0)));
                x += n;
                continue;
            }
            int start = x;
            while (x < rows.width && x - start < 255 && runAt(x) < 3) ++x;
            int length = x - start;
            if (length >= 3) {
                out.insert(out.end(), {0, static_cast<uint8_t>(length)});
                Bytes packed((length + 1) / 2, 0);
                for (int i = 0; i < length; ++i) packed[i / 2] |= px(start + i) << (i % 2 ? 0 : 4);
                if (packed.size() % 2) packed.push_back(0);
                AppendAll(out, packed);
            } else {
                for (int i = 0; i < length; ++i) out.insert(out.end(), {1, static_cast<uint8_t>(px(start + i) << 4)});
            }
        }
        out.insert(out.end(), {0, 0});
    }
    out.insert(out.end(), {0, 1});
    Bytes palette(bmp4.begin() + 54, bmp4.begin() + static_cast<std::ptrdiff_t>(rows.offset));
    return MakeBmp(rows.width, rows.height, 4, kBiRle4, palette, out, static_cast<uint32_t>(palette.size() / 4));
}

TEST_F(ImageMagickReference, BmpPaletteDepthsInEveryHeader) {
    ExpectAsImageMagick(DecodeBmp, Make("BMP3:1.bmp", {"-colors", "2", "-compress", "none"}));
    ExpectAsImageMagick(DecodeBmp, Make("BMP3:4.bmp", {"-colors", "16", "-compress", "none"}));
    ExpectAsImageMagick(DecodeBmp, Make("BMP3:8.bmp", {"-colors", "200", "-compress", "none"}));
    ExpectAsImageMagick(DecodeBmp, Make("BMP:1v5.bmp", {"-colors", "2", "-compress", "none"}));
    ExpectAsImageMagick(DecodeBmp, Make("BMP:4v5.bmp", {"-colors", "16", "-compress", "none"}));
    ExpectAsImageMagick(DecodeBmp, Make("BMP:8v5.bmp", {"-colors", "200", "-compress", "none"}));
    // OS/2 core headers, with 3-byte palette entries.
    ExpectAsImageMagick(DecodeBmp, Make("BMP2:os2-1.bmp", {"-colors", "2"}));
    ExpectAsImageMagick(DecodeBmp, Make("BMP2:os2-4.bmp", {"-colors", "16"}));
    ExpectAsImageMagick(DecodeBmp, Make("BMP2:os2-8.bmp", {"-colors", "200"}));
}

TEST_F(ImageMagickReference, BmpTrueColourAndBitFields) {
    ExpectAsImageMagick(DecodeBmp, Make("BMP3:24.bmp", {"-type", "truecolor"}));
    ExpectAsImageMagick(DecodeBmp, Make("BMP:24v5.bmp", {"-type", "truecolor"}));
    ExpectAsImageMagick(DecodeBmp, Make("BMP2:os2-24.bmp", {"-type", "truecolor"}));
    fs::path rgb565 = Make("BMP:565.bmp", {"-define", "bmp:subtype=RGB565"});
    ExpectAsImageMagick(DecodeBmp, rgb565);
    ExpectAsImageMagick(DecodeBmp, Make("BMP:555.bmp", {"-define", "bmp:subtype=RGB555"}));
    // 32 bits with an alpha mask: the colours are kept as stored.
    ExpectAsImageMagick(DecodeBmp,
                        Make("BMP:32alpha.bmp", {"-alpha", "set", "-channel", "A", "-evaluate", "set", "50%"}));

    WriteBytes(Path("565v4.bmp"), V4Header(ReadBytes(rgb565)));
    ExpectAsImageMagick(DecodeBmp, Path("565v4.bmp"));
    WriteBytes(Path("32.bmp"), ThirtyTwoBits(ReadBytes(Path("24.bmp"))));
    ExpectAsImageMagick(DecodeBmp, Path("32.bmp"));
}

TEST_F(ImageMagickReference, BmpTopDownRows) {
    struct Case {
        const char* name;
        std::vector<std::string> options;
    };
    for (const Case& c : {Case{"td24.bmp", {"-type", "truecolor"}}, Case{"td8.bmp", {"-colors", "200", "-compress", "none"}},
                          Case{"td1.bmp", {"-colors", "2", "-compress", "none"}}}) {
        Bytes bottomUp = ReadBytes(Make(std::string("BMP3:bu-") + c.name, c.options));
        WriteBytes(Path(c.name), TopDown(bottomUp));
        ExpectAsImageMagick(DecodeBmp, Path(c.name));
        // The same picture either way.
        EXPECT_EQ(Difference(Decoded(DecodeBmp, ReadBytes(Path(c.name))), Decoded(DecodeBmp, bottomUp)), "");
    }
}

TEST_F(ImageMagickReference, BmpRunLengthCoding) {
    // ImageMagick's RLE8 runs carry on over each row's padding.
    ExpectAsImageMagick(DecodeBmp, Make("BMP3:rle8.bmp", {"-colors", "200", "-compress", "RLE"}));
    ExpectAsImageMagick(DecodeBmp, Make("BMP:rle8v5.bmp", {"-colors", "200", "-compress", "RLE"}));
    Bytes rle4 = Rle4(ReadBytes(Make("BMP3:plain4.bmp", {"-colors", "16", "-compress", "none"})));
    WriteBytes(Path("rle4.bmp"), rle4);
    ExpectAsImageMagick(DecodeBmp, Path("rle4.bmp"));
}

TEST_F(ImageMagickReference, PcxWrittenByImageMagick) {
    // One bit: ImageMagick writes 0 = black, 1 = white in the header but reads
    // set bits as black whatever the header says; the header is what counts.
    const fs::path mono = Make("1.pcx", {"-colors", "2", "-remap", Path("mono.png").string()});
    const Bytes oneBit = ReadBytes(mono);
    ASSERT_EQ(oneBit[3], 1);
    ASSERT_EQ(Bytes(oneBit.begin() + 16, oneBit.begin() + 22), Bytes({0, 0, 0, 255, 255, 255}));
    platform::Surface inverted = Reference(mono, false);
    for (platform::Pixel& p : inverted.Pixels())
        p = platform::PixelRgb(255 - platform::PixelRed(p), 255 - platform::PixelGreen(p), 255 - platform::PixelBlue(p));
    EXPECT_EQ(Difference(Decoded(DecodePcx, oneBit), inverted), "");
    ExpectAsImageMagick(DecodePcx, Make("8.pcx", {"-colors", "200"}));
    ExpectAsImageMagick(DecodePcx, Make("24.pcx", {"-type", "truecolor"}));
    ExpectAsImageMagick(DecodePcx, Make("32.pcx", {"-alpha", "set", "-channel", "A", "-evaluate", "set", "50%"}));
    ASSERT_EQ(ReadBytes(Path("32.pcx"))[65], 4);
}

TEST_F(ImageMagickReference, PcxPlaneLayoutsMadeByHand) {
    Noise noise(7);
    const Bytes headerPalette = noise.Take(48);
    const int width = 13, height = 7;
    struct Layout {
        const char* name;
        int bits, planes, bytesPerLine;
        bool compressed;
        int xmin, ymin;
    };
    for (const Layout& l : {Layout{"p2x1.pcx", 1, 2, 2, true, 0, 0}, Layout{"p3x1.pcx", 1, 3, 4, true, 0, 0},
                            Layout{"p4x1.pcx", 1, 4, 4, true, 3, 5}, Layout{"p1x2.pcx", 2, 1, 4, true, 0, 0},
                            Layout{"p1x4.pcx", 4, 1, 8, false, 0, 0},
                            Layout{"p3x8.pcx", 8, 3, 14, true, 100, 200}}) {
        // Few values, so that there are runs, some of them across lines.
        Bytes lines = noise.Take(static_cast<size_t>(l.planes) * l.bytesPerLine * height);
        for (auto& v : lines) v = v < 128 ? 0 : v < 192 ? v : 0xFF;
        WriteBytes(Path(l.name),
                   MakePcx(l.bits, l.planes, width, height, l.bytesPerLine, lines, l.compressed, headerPalette, l.xmin, l.ymin));
        ExpectAsImageMagick(DecodePcx, Path(l.name));
    }
    // 8 bits, uncompressed, with the palette at the end.
    Bytes raw = MakePcx(8, 1, width, height, 14, noise.Take(14 * height), false);
    raw.push_back(0x0C);
    AppendAll(raw, noise.Take(768));
    WriteBytes(Path("raw8.pcx"), raw);
    ExpectAsImageMagick(DecodePcx, Path("raw8.pcx"));
}

TEST_F(ImageMagickReference, TgaWrittenByImageMagick) {
    ExpectAsImageMagick(DecodeTga, Make("map.tga", {"-colors", "200", "-type", "palette"}));
    ExpectAsImageMagick(DecodeTga, Make("map-rle.tga", {"-colors", "200", "-type", "palette", "-compress", "RLE"}));
    ExpectAsImageMagick(DecodeTga, Make("grey.tga", {"-colorspace", "gray"}));
    ExpectAsImageMagick(DecodeTga, Make("grey-rle.tga", {"-colorspace", "gray", "-compress", "RLE"}));
    ExpectAsImageMagick(DecodeTga, Make("16.tga", {"-depth", "5"}));
    ASSERT_EQ(ReadBytes(Path("16.tga"))[16], 16);
    ExpectAsImageMagick(DecodeTga, Make("24.tga", {"-type", "truecolor"}));
    ExpectAsImageMagick(DecodeTga, Make("24-rle.tga", {"-type", "truecolor", "-compress", "RLE"}));
    const std::vector<std::string> alpha = {"-alpha", "set", "-channel", "A", "-evaluate", "set", "50%", "+channel"};
    ExpectAsImageMagick(DecodeTga, Make("32.tga", alpha));
    std::vector<std::string> alphaRle = alpha;
    alphaRle.insert(alphaRle.end(), {"-compress", "RLE"});
    ExpectAsImageMagick(DecodeTga, Make("32-rle.tga", alphaRle));
    for (const char* orient : {"TopLeft", "TopRight", "BottomRight"}) {
        SCOPED_TRACE(orient);
        ExpectAsImageMagick(DecodeTga, Make(std::string(orient) + ".tga", {"-type", "truecolor", "-orient", orient}));
        ExpectAsImageMagick(DecodeTga, Make(std::string(orient) + "-rle.tga",
                                            {"-type", "truecolor", "-compress", "RLE", "-orient", orient}));
    }
}

TEST_F(ImageMagickReference, TgaVariantsMadeByHand) {
    Noise noise(11);
    const uint16_t width = 13, height = 7;
    const size_t count = width * height;
    // Indices 5 to 24 into a map that starts at 5.
    Bytes indices(count);
    for (auto& v : indices) v = static_cast<uint8_t>(5 + noise.Next() % 20);
    auto runny = [&](Bytes pixels, size_t pixelBytes) {  // repeats for the runs
        for (size_t i = pixelBytes; i < pixels.size(); i += pixelBytes)
            if (noise.Next() < 128) std::copy_n(pixels.begin() + i - pixelBytes, pixelBytes, pixels.begin() + i);
        return pixels;
    };
    struct Case {
        const char* name;
        Bytes file;
    };
    std::vector<Case> cases;
    {
        Bytes f = TgaHeader(3, 1, 1, 5, 20, 15, width, height, 8, 0);
        AppendAll(f, {'I', 'D', '!'});
        AppendAll(f, noise.Take(40));
        AppendAll(f, indices);
        cases.push_back({"map15-with-id.tga", f});
    }
    {
        Bytes f = TgaHeader(0, 1, 1, 5, 20, 16, width, height, 8, 0x20);
        AppendAll(f, noise.Take(40));
        AppendAll(f, indices);
        cases.push_back({"map16-top.tga", f});
    }
    {
        Bytes f = TgaHeader(0, 1, 9, 5, 20, 32, width, height, 8, 0);
        AppendAll(f, noise.Take(80));
        AppendAll(f, TgaRle(runny(indices, 1), 1));
        cases.push_back({"map32-rle.tga", f});
    }
    {
        Bytes f = TgaHeader(0, 0, 2, 0, 0, 0, width, height, 15, 0);
        AppendAll(f, noise.Take(count * 2));
        cases.push_back({"15.tga", f});
    }
    {
        Bytes f = TgaHeader(0, 0, 10, 0, 0, 0, width, height, 16, 0x21);
        AppendAll(f, TgaRle(runny(noise.Take(count * 2), 2), 2));
        cases.push_back({"16-rle-top.tga", f});
    }
    {
        Bytes f = TgaHeader(0, 0, 2, 0, 0, 0, width, height, 24, 0x10);
        AppendAll(f, noise.Take(count * 3));
        cases.push_back({"24-right-to-left.tga", f});
    }
    {
        Bytes f = TgaHeader(0, 0, 10, 0, 0, 0, width, height, 24, 0x30);
        AppendAll(f, TgaRle(runny(noise.Take(count * 3), 3), 3));
        cases.push_back({"24-rle-top-right.tga", f});
    }
    for (const auto& c : cases) {
        WriteBytes(Path(c.name), c.file);
        ExpectAsImageMagick(DecodeTga, Path(c.name));
    }
}

TEST_F(ImageMagickReference, TruncatedFilesFailWithTheFormatsCode) {
    struct Case {
        Decoder decode;
        fs::path file;
        int code;
        size_t stillWhole;  // a cut this far from the end loses nothing needed
    };
    const std::vector<Case> cases = {
        // Uncompressed BMP: the last row's padding is not needed (37 pixels of
        // 24, 4, 16 and 8 bits leave 1, 1, 2 and 3 bytes).
        {DecodeBmp, Make("BMP3:cut24.bmp", {"-type", "truecolor"}), ImageBadBmp, 1},
        {DecodeBmp, Make("BMP:cut4.bmp", {"-colors", "16", "-compress", "none"}), ImageBadBmp, 1},
        {DecodeBmp, Make("BMP:cut565.bmp", {"-define", "bmp:subtype=RGB565"}), ImageBadBmp, 2},
        {DecodeBmp, Make("BMP2:cut-os2.bmp", {"-colors", "200"}), ImageBadBmp, 3},
        // The end-of-bitmap escape follows the last row's end of line.
        {DecodeBmp, Make("BMP3:cut-rle8.bmp", {"-colors", "200", "-compress", "RLE"}), ImageBadBmp, 2},
        // A 256-colour palette follows, unused by 1 bit.
        {DecodePcx, Make("cut1.pcx", {"-colors", "2", "-remap", Path("mono.png").string()}), ImageBadPcx, 769},
        {DecodePcx, Make("cut24.pcx", {"-type", "truecolor"}), ImageBadPcx, 0},
        {DecodeTga, Make("cut-map.tga", {"-colors", "200", "-type", "palette"}), ImageBadTga, 0},
        {DecodeTga, Make("cut-rle.tga", {"-type", "truecolor", "-compress", "RLE"}), ImageBadTga, 0},
        {DecodeTga, Make("cut-grey.tga", {"-colorspace", "gray", "-compress", "RLE"}), ImageBadTga, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.filename().string());
        const Bytes whole = ReadBytes(c.file);
        ASSERT_TRUE(c.decode(whole).has_value());
        for (size_t length = 0; length + c.stillWhole < whole.size(); ++length) {
            SCOPED_TRACE(length);
            ExpectFails(c.decode, Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)), c.code);
        }
    }
    // 8-bit PCX: cut in the picture data or in the palette after it. (Cut
    // exactly between the two, it reads as a picture without a palette.)
    const Bytes pcx8 = ReadBytes(Make("cut8.pcx", {"-colors", "200"}));
    for (size_t length = 0; length < pcx8.size(); ++length) {
        if (length == pcx8.size() - 769) continue;
        SCOPED_TRACE(length);
        ExpectFails(DecodePcx, Bytes(pcx8.begin(), pcx8.begin() + static_cast<std::ptrdiff_t>(length)), ImageBadPcx);
    }
}

// ---------------------------------------------------------------------------
// BMP by hand

TEST(BmpDecoder, BitFieldsOfAnyWidthScaleToEightBits) {
    // 16 bits as 4-4-4 and as 3-3-2 (top byte unused).
    Bytes masks444, pixels;
    for (uint32_t m : {0xF00u, 0x0F0u, 0x00Fu}) Append32(masks444, m);
    for (uint32_t p : {0xF80u, 0x01Fu}) Append16(pixels, p);
    EXPECT_EQ(Difference(Decoded(DecodeBmp, MakeBmp(2, 1, 16, kBiBitfields, masks444, pixels)),
                         Picture(2, {0xFF8800, 0x0011FF})),
              "");
    Bytes masks332, pixels332;
    for (uint32_t m : {0xE0u, 0x1Cu, 0x03u}) Append32(masks332, m);
    for (uint32_t p : {0xA2u, 0x5Du}) Append16(pixels332, p);  // 5,0,2 and 2,7,1
    EXPECT_EQ(Difference(Decoded(DecodeBmp, MakeBmp(2, 1, 16, kBiBitfields, masks332, pixels332)),
                         Picture(2, {0xB600AA, 0x49FF55})),
              "");
    // 32 bits as 10-10-10 with blue masked out entirely.
    Bytes masks1010, pixels1010;
    for (uint32_t m : {0x3FF00000u, 0x000FFC00u, 0u}) Append32(masks1010, m);
    for (uint32_t p : {0x3FF00000u | 512u << 10 | 0x3FFu, 1u << 20 | 3u << 10}) Append32(pixels1010, p);
    EXPECT_EQ(Difference(Decoded(DecodeBmp, MakeBmp(2, 1, 32, kBiBitfields, masks1010, pixels1010)),
                         Picture(2, {0xFF8000, 0x000100})),
              "");
    // 16 bits without masks are 5-5-5.
    Bytes plain16;
    for (uint32_t p : {0x7C00u, 0x0210u}) Append16(plain16, p);
    EXPECT_EQ(Difference(Decoded(DecodeBmp, MakeBmp(2, 1, 16, kBiRgb, {}, plain16)), Picture(2, {0xFF0000, 0x008484})),
              "");
}

TEST(BmpDecoder, PaletteSizeAndPixelDataOffset) {
    // Two colours declared: index 2 is black (not the pixel bytes that follow).
    Bytes eight = MakeBmp(3, 1, 8, kBiRgb, BmpPalette({0x102030, 0x405060}), {1, 2, 0, 0}, 2);
    EXPECT_EQ(Difference(Decoded(DecodeBmp, eight), Picture(3, {0x405060, 0, 0x102030})), "");
    // A colour count far beyond the file: the palette stops where the pixel
    // data starts.
    Bytes huge = eight;
    Put32(huge, 46, 0xFFFFFFFF);
    EXPECT_EQ(Difference(Decoded(DecodeBmp, huge), Picture(3, {0x405060, 0, 0x102030})), "");
    // An offset inside the headers or the palette: the pixels follow the palette.
    for (uint32_t offset : {20u, 0u}) {
        Bytes moved = eight;
        Put32(moved, 10, offset);
        EXPECT_EQ(Difference(Decoded(DecodeBmp, moved), Picture(3, {0x405060, 0, 0x102030})), "") << offset;
    }
    // An offset at or past the end of the file has no pixels to give, whatever
    // bytes follow the palette, with or without run-length coding.
    Bytes rle = MakeBmp(3, 1, 8, kBiRle8, BmpPalette({0x102030, 0x405060}), {3, 1, 0, 1}, 2);
    ASSERT_EQ(Difference(Decoded(DecodeBmp, rle), Picture(3, {0x405060, 0x405060, 0x405060})), "");
    for (const Bytes& picture : {eight, rle})
        for (uint32_t offset : {0xFFFFFFF0u, 0x7FFFFFFFu, static_cast<uint32_t>(picture.size()),
                                static_cast<uint32_t>(picture.size() + 1)}) {
            Bytes moved = picture;
            Put32(moved, 10, offset);
            ExpectFails(DecodeBmp, moved, ImageBadBmp);
        }
    // The last row may lack its padding; the row before it may not.
    Bytes unpadded = MakeBmp(1, 2, 24, kBiRgb, {}, {1, 2, 3, 0, 4, 5, 6});
    EXPECT_EQ(Difference(Decoded(DecodeBmp, unpadded), Picture(1, {0x060504, 0x030201})), "");
    unpadded.pop_back();
    ExpectFails(DecodeBmp, unpadded, ImageBadBmp);
}

TEST(BmpDecoder, RunLengthEscapesAndOverflow) {
    const Bytes palette = BmpPalette({0x000000, 0x111111, 0x222222, 0x333333, 0xAAAAAA});
    const uint32_t A = 0xAAAAAA, B = 0x111111, C = 0x222222, D = 0x333333;
    // 6 × 3, bottom-up: a run going past the row end (clipped), end of
    // line, a skip over 2 pixels and one row, a 3-pixel literal and its pad
    // byte, a run of 2 whose second pixel falls past the row end, end of
    // line (the last); what the skip passed over stays black.
    Bytes rle8 = {8, 4, 0, 0, 0, 2, 2, 1, 0, 3, 1, 2, 3, 0, 2, 1, 0, 0};
    EXPECT_EQ(Difference(Decoded(DecodeBmp, MakeBmp(6, 3, 8, kBiRle8, palette, rle8, 5)),
                         Picture(6, {0, 0, B, C, D, B, 0, 0, 0, 0, 0, 0, A, A, A, A, A, A})),
              "");
    // RLE4: alternating nibbles in runs, an odd literal with its padding.
    Bytes rle4 = {5, 0x12, 0, 0, 0, 3, 0x34, 0x10, 0, 1};
    EXPECT_EQ(Difference(Decoded(DecodeBmp, MakeBmp(5, 2, 4, kBiRle4, palette, rle4, 5)),
                         Picture(5, {D, A, B, 0, 0, B, C, B, C, B})),
              "");
    // A skip past the last row ends the picture.
    Bytes skipOut = {2, 1, 0, 2, 0, 200, 9, 9};
    EXPECT_EQ(Difference(Decoded(DecodeBmp, MakeBmp(2, 2, 8, kBiRle8, palette, skipOut, 5)),
                         Picture(2, {0, 0, B, B})),
              "");
    // Runs of 255 over a 1-pixel row, over and over: nothing spills.
    Bytes flood;
    for (int i = 0; i < 100; ++i) flood.insert(flood.end(), {255, 4});
    flood.insert(flood.end(), {0, 0});
    for (int i = 0; i < 100; ++i) flood.insert(flood.end(), {255, 1});
    flood.insert(flood.end(), {0, 1});
    EXPECT_EQ(Difference(Decoded(DecodeBmp, MakeBmp(1, 2, 8, kBiRle8, palette, flood, 5)), Picture(1, {B, A})), "");
    ExpectFails(DecodeBmp, MakeBmp(1, 2, 8, kBiRle8, palette, {255, 4, 0, 3, 1, 2}, 5), ImageBadBmp);  // literal cut
    ExpectFails(DecodeBmp, MakeBmp(1, 2, 8, kBiRle8, palette, {1, 4, 0, 0, 1}, 5), ImageBadBmp);        // pair cut
    ExpectFails(DecodeBmp, MakeBmp(1, 2, 8, kBiRle8, palette, {0, 2, 1}, 5), ImageBadBmp);              // skip cut
}

TEST(BmpDecoder, SparseRunLengthPicturesAreBounded) {
    const Bytes palette = BmpPalette({0, 0xFFFFFF});
    // An end of bitmap straight away: a black picture, up to 1M pixels.
    platform::Surface black = Decoded(DecodeBmp, MakeBmp(1024, 1024, 8, kBiRle8, palette, {0, 1}, 2));
    EXPECT_EQ(black.Width(), 1024);
    const std::vector<uint8_t> blackBytes = test::Rgb24Bytes(black);
    EXPECT_TRUE(std::all_of(blackBytes.begin(), blackBytes.end(), [](uint8_t v) { return v == 0; }));
    ExpectFails(DecodeBmp, MakeBmp(8192, 8192, 8, kBiRle8, palette, {0, 1}, 2), ImageRleUnsupported);
    ExpectFails(DecodeBmp, MakeBmp(8192, 8192, 4, kBiRle4, palette, {0, 2, 255, 255, 0, 1}, 2), ImageRleUnsupported);
    // Larger ones must draw a quarter of their pixels: here the bottom 256
    // rows of 1024.
    Bytes quarter;
    for (int row = 0; row < 256; ++row) {
        for (int run = 0; run < 8; ++run) quarter.insert(quarter.end(), {255, 1});
        quarter.insert(quarter.end(), {8, 1, 0, 0});
    }
    quarter.insert(quarter.end(), {0, 1});
    platform::Surface drawn = Decoded(DecodeBmp, MakeBmp(2048, 1024, 8, kBiRle8, palette, quarter, 2));
    ASSERT_EQ(drawn.Height(), 1024);
    EXPECT_EQ(Text(At(drawn, 2047, 1023)), Text({255, 255, 255}));
    EXPECT_EQ(Text(At(drawn, 0, 1023 - 256)), Text({0, 0, 0}));
    quarter.erase(quarter.begin(), quarter.begin() + 20);  // one row fewer
    ExpectFails(DecodeBmp, MakeBmp(2048, 1024, 8, kBiRle8, palette, quarter, 2), ImageRleUnsupported);
}

TEST(BmpDecoder, RefusedHeadersAndVariants) {
    const Bytes palette = BmpPalette({0, 0xFFFFFF});
    // Unsupported compressions and RLE variants: 7.
    ExpectFails(DecodeBmp, MakeBmp(1, 1, 24, kBiJpeg, {}, {0xFF, 0xD8, 0, 0}), ImageRleUnsupported);
    ExpectFails(DecodeBmp, MakeBmp(1, 1, 24, kBiPng, {}, {0x89, 'P', 'N', 'G'}), ImageRleUnsupported);
    ExpectFails(DecodeBmp, MakeBmp(1, 1, 24, 9, {}, {0, 0, 0, 0}), ImageRleUnsupported);
    ExpectFails(DecodeBmp, MakeBmp(1, -1, 8, kBiRle8, palette, {1, 1, 0, 1}), ImageRleUnsupported);
    ExpectFails(DecodeBmp, MakeBmp(1, 1, 4, kBiRle8, palette, {1, 1, 0, 1}), ImageRleUnsupported);
    ExpectFails(DecodeBmp, MakeBmp(1, 1, 8, kBiRle4, palette, {1, 1, 0, 1}), ImageRleUnsupported);
    // Bad headers and sizes: 6.
    const Bytes pixel = {1, 2, 3, 0};
    ExpectFails(DecodeBmp, {}, ImageBadBmp);
    ExpectFails(DecodeBmp, {'B', 'M'}, ImageBadBmp);
    Bytes good = MakeBmp(1, 1, 24, kBiRgb, {}, pixel);
    ASSERT_TRUE(DecodeBmp(good).has_value());
    Bytes notBm = good;
    notBm[0] = 'X';
    ExpectFails(DecodeBmp, notBm, ImageBadBmp);
    for (uint32_t headerSize : {0u, 11u, 13u, 1000u, 0xFFFFFFFFu}) {
        Bytes bad = good;
        Put32(bad, 14, headerSize);
        ExpectFails(DecodeBmp, bad, ImageBadBmp);
    }
    ExpectFails(DecodeBmp, MakeBmp(1, 1, 7, kBiRgb, {}, pixel), ImageBadBmp);
    ExpectFails(DecodeBmp, MakeBmp(1, 1, 8, kBiBitfields, Bytes(12, 0xFF), pixel), ImageBadBmp);
    ExpectFails(DecodeBmp, MakeBmp(1, 1, 16, kBiBitfields, {0xFF, 0xFF}, {}), ImageBadBmp);  // masks cut
    for (auto [width, height] : std::vector<std::pair<int32_t, int32_t>>{{0, 1},
                                                                        {1, 0},
                                                                        {-1, 1},
                                                                        {INT32_MIN, 1},
                                                                        {1, INT32_MIN},
                                                                        {INT32_MAX, INT32_MAX},
                                                                        {100000, 100000},
                                                                        {16384, 16384},
                                                                        {8192, 8193},
                                                                        {16385, 1},
                                                                        {1, -16385}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        ExpectFails(DecodeBmp, MakeBmp(width, height, 24, kBiRgb, {}, pixel), ImageBadBmp);
        ExpectFails(DecodeBmp, MakeBmp(width, height, 1, kBiRgb, palette, pixel), ImageBadBmp);
        if (height > 0) ExpectFails(DecodeBmp, MakeBmp(width, height, 8, kBiRle8, palette, {1, 1}), ImageBadBmp);
    }
}

// ---------------------------------------------------------------------------
// PCX by hand

TEST(PcxDecoder, EightBitPalette) {
    const Bytes data = {0, 1, 2, 0xC1, 0xFF, 0xC3, 7, 0xC1, 0xC5};
    const Bytes lines = {0, 1, 2, 0xFF, 7, 7, 7, 0xC5};
    Bytes noPalette = MakePcx(8, 1, 4, 2, 4, lines, true);
    ASSERT_EQ(Bytes(noPalette.begin() + 128, noPalette.end()), data);
    // Without a palette, grey.
    EXPECT_EQ(Difference(Decoded(DecodePcx, noPalette),
                         Picture(4, {0x000000, 0x010101, 0x020202, 0xFFFFFF, 0x070707, 0x070707, 0x070707, 0xC5C5C5})),
              "");
    Bytes withPalette = noPalette;
    withPalette.push_back(0x0C);
    for (int i = 0; i < 256; ++i) withPalette.insert(withPalette.end(), {static_cast<uint8_t>(i), 0x80, static_cast<uint8_t>(255 - i)});
    EXPECT_EQ(Difference(Decoded(DecodePcx, withPalette),
                         Picture(4, {0x0080FF, 0x0180FE, 0x0280FD, 0xFF8000, 0x0780F8, 0x0780F8, 0x0780F8, 0xC5803A})),
              "");
    // A palette marker with too little behind it.
    Bytes cut(withPalette.begin(), withPalette.end() - 1);
    ExpectFails(DecodePcx, cut, ImageBadPcx);
}

TEST(PcxDecoder, OneBitPicturesTakeTheHeaderPalette) {
    // 10 × 2 pixels, 2 bytes a line: 1011000001 / 0100111110.
    const Bytes lines = {0xB0, 0x40, 0x4F, 0x80};
    auto decode = [&](const Bytes& palette) {
        Bytes header(48, 0);
        std::copy(palette.begin(), palette.end(), header.begin());
        return Decoded(DecodePcx, MakePcx(1, 1, 10, 2, 2, lines, true, header));
    };
    auto expect = [](uint32_t zero, uint32_t one) {
        std::vector<uint32_t> colours;
        for (int bit : {1, 0, 1, 1, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 1, 1, 1, 1, 1, 0}) colours.push_back(bit ? one : zero);
        return Picture(10, colours);
    };
    EXPECT_EQ(Difference(decode({0, 0, 0, 255, 255, 255}), expect(0x000000, 0xFFFFFF)), "");
    EXPECT_EQ(Difference(decode({255, 255, 255, 0, 0, 0}), expect(0xFFFFFF, 0x000000)), "");
    EXPECT_EQ(Difference(decode({10, 20, 30, 200, 100, 50}), expect(0x0A141E, 0xC86432)), "");
    // No palette, or one colour for both entries: 0 is black, 1 white.
    EXPECT_EQ(Difference(decode({}), expect(0x000000, 0xFFFFFF)), "");
    EXPECT_EQ(Difference(decode({255, 255, 255, 255, 255, 255}), expect(0x000000, 0xFFFFFF)), "");
    EXPECT_EQ(Difference(decode({7, 7, 7, 7, 7, 7, 1, 2, 3}), expect(0x000000, 0xFFFFFF)), "");
}

TEST(PcxDecoder, RunsBeyondThePictureAreIgnoredButMissingDataFails) {
    // One run of 63 for a 2 × 2 picture of 1 plane, 2 bytes a line.
    EXPECT_EQ(Difference(Decoded(DecodePcx, [] {
                             Bytes b = MakePcx(8, 1, 2, 2, 2, {}, true);
                             b.insert(b.end(), {0xFF, 9, 0xFF, 9});
                             return b;
                         }()),
                         Picture(2, {0x090909, 0x090909, 0x090909, 0x090909})),
              "");
    Bytes shortData = MakePcx(8, 1, 2, 2, 2, {}, true);
    shortData.insert(shortData.end(), {0xC3, 9});
    ExpectFails(DecodePcx, shortData, ImageBadPcx);
    shortData.push_back(0xC1);  // a run with its value cut
    ExpectFails(DecodePcx, shortData, ImageBadPcx);
}

TEST(PcxDecoder, RefusedHeaders) {
    Bytes good = MakePcx(8, 3, 4, 4, 4, Bytes(48, 0), true);
    ASSERT_TRUE(DecodePcx(good).has_value());
    ExpectFails(DecodePcx, {}, ImageBadPcx);
    ExpectFails(DecodePcx, Bytes(good.begin(), good.begin() + 127), ImageBadPcx);
    auto with = [&](size_t at, uint8_t value) {
        Bytes b = good;
        b[at] = value;
        return b;
    };
    ExpectFails(DecodePcx, with(0, 0x0B), ImageBadPcx);   // not ZSoft
    ExpectFails(DecodePcx, with(2, 2), ImageBadPcx);      // unknown encoding
    ExpectFails(DecodePcx, with(3, 3), ImageBadPcx);      // 3 bits
    ExpectFails(DecodePcx, with(3, 16), ImageBadPcx);     // 16 bits
    ExpectFails(DecodePcx, with(65, 2), ImageBadPcx);     // 2 planes of 8 bits
    ExpectFails(DecodePcx, with(65, 0), ImageBadPcx);     // no planes
    Bytes noPlanes = MakePcx(1, 1, 3000, 9000, 400, {}, true);
    noPlanes[65] = 0;  // nothing to read, so no data needed for a large picture
    ExpectFails(DecodePcx, noPlanes, ImageBadPcx);
    ExpectFails(DecodePcx, with(66, 3), ImageBadPcx);     // lines narrower than the picture
    Bytes noLine = with(66, 0);
    ExpectFails(DecodePcx, noLine, ImageBadPcx);
    // Window ends before it starts; the largest window with almost no data.
    Bytes backwards = good;
    Put16(backwards, 4, 10);
    ExpectFails(DecodePcx, backwards, ImageBadPcx);
    Bytes huge = MakePcx(1, 1, 1, 1, 8192, {0xFF, 0}, true);
    Put16(huge, 8, 0xFFFF);
    Put16(huge, 10, 0xFFFF);
    ExpectFails(DecodePcx, huge, ImageBadPcx);
    Bytes wide = MakePcx(8, 1, 8192, 8192, 8192, {0xFF, 0}, true);
    wide.resize(128 + 100);
    ExpectFails(DecodePcx, wide, ImageBadPcx);
}

// ---------------------------------------------------------------------------
// TGA by hand

TEST(TgaDecoder, LayoutsImageMagickDoesNotRead) {
    // 16-bit indices into a map of 24-bit entries starting at 0x100; indices
    // outside the map are black.
    Bytes mapped = TgaHeader(0, 1, 1, 0x100, 2, 24, 2, 2, 16, 0x20);
    AppendAll(mapped, {0x30, 0x20, 0x10, 0x60, 0x50, 0x40});
    for (uint32_t index : {0x100u, 0x101u, 0x102u, 0x0FFu}) Append16(mapped, index);
    EXPECT_EQ(Difference(Decoded(DecodeTga, mapped), Picture(2, {0x102030, 0x405060, 0, 0})), "");
    // 16-bit grey: grey, then alpha.
    Bytes grey = TgaHeader(0, 0, 3, 0, 0, 0, 2, 1, 16, 0x28);
    AppendAll(grey, {0x40, 0xFF, 0xC0, 0x00});
    EXPECT_EQ(Difference(Decoded(DecodeTga, grey), Picture(2, {0x404040, 0xC0C0C0})), "");
    // True colour with a colour map: the map is skipped.
    Bytes skipped = TgaHeader(0, 1, 2, 0, 3, 16, 1, 1, 24, 0);
    AppendAll(skipped, {1, 2, 3, 4, 5, 6, 0x33, 0x22, 0x11});
    EXPECT_EQ(Difference(Decoded(DecodeTga, skipped), Picture(1, {0x112233})), "");
    // 16 bits: the top bit is not alpha.
    Bytes sixteen = TgaHeader(0, 0, 2, 0, 0, 0, 2, 1, 16, 0x20);
    for (uint32_t v : {0x7FFFu, 0x8000u | 0x10u << 5}) Append16(sixteen, v);
    EXPECT_EQ(Difference(Decoded(DecodeTga, sixteen), Picture(2, {0xFFFFFF, 0x008300})), "");
}

TEST(TgaDecoder, PacketsMustStayInsideThePictureAndData) {
    // 2 × 2, bottom-up: a run of 3 crossing the row, then one raw pixel.
    Bytes good = TgaHeader(0, 0, 11, 0, 0, 0, 2, 2, 8, 0);
    AppendAll(good, {0x82, 0x10, 0x00, 0x20});
    EXPECT_EQ(Difference(Decoded(DecodeTga, good), Picture(2, {0x101010, 0x202020, 0x101010, 0x101010})), "");
    Bytes overflow = good;
    overflow[18] = 0x84;  // a run of 5 for 4 pixels
    ExpectFails(DecodeTga, overflow, ImageBadTga);
    Bytes rawOverflow = TgaHeader(0, 0, 11, 0, 0, 0, 2, 2, 8, 0);
    AppendAll(rawOverflow, {0x7F});
    AppendAll(rawOverflow, Bytes(128, 1));
    ExpectFails(DecodeTga, rawOverflow, ImageBadTga);
    Bytes rawCut = TgaHeader(0, 0, 11, 0, 0, 0, 2, 2, 8, 0);
    AppendAll(rawCut, {0x03, 1, 2, 3});
    ExpectFails(DecodeTga, rawCut, ImageBadTga);
}

TEST(TgaDecoder, RefusedHeaders) {
    Bytes good = TgaHeader(0, 0, 2, 0, 0, 0, 1, 1, 24, 0);
    AppendAll(good, {1, 2, 3});
    ASSERT_TRUE(DecodeTga(good).has_value());
    auto with = [&](size_t at, uint8_t value) {
        Bytes b = good;
        b[at] = value;
        return b;
    };
    ExpectFails(DecodeTga, {}, ImageBadTga);
    ExpectFails(DecodeTga, Bytes(good.begin(), good.begin() + 17), ImageBadTga);
    for (uint8_t type : {0, 4, 8, 12, 32, 33, 255}) ExpectFails(DecodeTga, with(2, type), ImageBadTga);
    ExpectFails(DecodeTga, with(1, 2), ImageBadTga);    // unknown map type
    ExpectFails(DecodeTga, with(2, 1), ImageBadTga);    // mapped without a map
    ExpectFails(DecodeTga, with(16, 8), ImageBadTga);   // 8-bit true colour
    ExpectFails(DecodeTga, with(16, 0), ImageBadTga);
    ExpectFails(DecodeTga, with(0, 200), ImageBadTga);  // ID past the end
    Bytes mapPastEnd = TgaHeader(0, 1, 1, 0, 0xFFFF, 32, 1, 1, 8, 0);
    AppendAll(mapPastEnd, {0, 0, 0, 0, 0});
    ExpectFails(DecodeTga, mapPastEnd, ImageBadTga);
    Bytes oddMapBits = TgaHeader(0, 1, 1, 0, 1, 12, 1, 1, 8, 0);
    AppendAll(oddMapBits, {0, 0, 0});
    ExpectFails(DecodeTga, oddMapBits, ImageBadTga);
    for (auto [width, height] : std::vector<std::pair<uint16_t, uint16_t>>{{0, 1}, {1, 0}, {0xFFFF, 0xFFFF}, {16385, 1}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        for (uint8_t type : {2, 10}) {
            Bytes b = TgaHeader(0, 0, type, 0, 0, 0, width, height, 24, 0);
            AppendAll(b, {0xFF, 1, 2, 3});
            ExpectFails(DecodeTga, b, ImageBadTga);
        }
    }
    // Within the size limit, but far more pixels than the data holds.
    Bytes big = TgaHeader(0, 0, 10, 0, 0, 0, 8192, 8192, 32, 0);
    for (int i = 0; i < 100; ++i) AppendAll(big, {0xFF, 1, 2, 3, 4});
    ExpectFails(DecodeTga, big, ImageBadTga);
}

}  // namespace
}  // namespace korv
