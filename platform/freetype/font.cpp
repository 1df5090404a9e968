// Fonts with FreeType and fontconfig. See platform/font.h for the rules of
// face mapping, sizes and locking.

#include "platform/font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/text_encoding.h"

#if defined(__SANITIZE_ADDRESS__)
#define KORV_FONT_LEAK_CHECKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORV_FONT_LEAK_CHECKS 1
#endif
#endif

#ifdef KORV_FONT_LEAK_CHECKS
// fontconfig (2.14) loses a few bytes while FcInit parses its configuration
// files. They are not ours to free, so LeakSanitizer leaves fontconfig's
// allocations alone. (Its own stacks stop at the library, which is built
// without frame pointers, so the library is all there is to name.)
extern "C" const char* __lsan_default_suppressions() {
    // fontconfig keeps its configuration, and SDL's input-method connection
    // keeps a D-Bus buffer, for the life of the process.
    return "leak:libfontconfig.so\nleak:libdbus-1.so\n";
}
#endif

namespace korv::platform {
namespace {

// One opened face file, shared by every font that uses it. FreeType faces are
// not thread-safe: `mutex` guards every use of `face` and of its sizes.
struct FaceEntry {
    FT_Face face = nullptr;
    std::mutex mutex;
    std::string path;
    std::string family;
    std::string style;
};

struct DescriptionHash {
    size_t operator()(const FontDescription& d) const {
        size_t h = std::hash<std::string>{}(d.faceName);
        const auto mix = [&h](uint64_t v) {
            h ^= std::hash<uint64_t>{}(v) + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
        };
        mix(static_cast<uint32_t>(d.height));
        mix(static_cast<uint32_t>(d.width));
        mix(static_cast<uint32_t>(d.escapement));
        mix(static_cast<uint32_t>(d.orientation));
        mix(static_cast<uint32_t>(d.weight));
        mix((uint64_t{d.italic} << 0) | (uint64_t{d.underline} << 1) | (uint64_t{d.strikeOut} << 2) |
            (uint64_t{d.charSet} << 8) | (uint64_t{d.outPrecision} << 16) | (uint64_t{d.clipPrecision} << 24) |
            (uint64_t{d.quality} << 32) | (uint64_t{d.pitchAndFamily} << 40));
        return h;
    }
};

// Faces that scenarios name, and the installed faces that stand in for them.
struct FaceSubstitute {
    const char* name;
    const char* family;
};
constexpr FaceSubstitute kFaceSubstitutes[] = {
    {"arial", "Liberation Sans"},        {"times new roman", "Liberation Serif"},
    {"courier new", "Liberation Mono"},  {"verdana", "DejaVu Sans"},
    {"tahoma", "DejaVu Sans"},
};

// Faces tried, in order, when the described one cannot be opened.
constexpr const char* kFallbackFamilies[] = {"DejaVu Sans", "Liberation Sans"};
constexpr const char* kFallbackFiles[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
};

// The slant of a synthetic italic: tan 12°, in 16.16.
constexpr FT_Fixed kItalicShear = 0x0366A;

std::string AsciiLower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// The families to ask fontconfig for, best first: the installed face that
// stands in for a known face, then the name itself (up to its terminator, at
// most 31 bytes, decoded through the charset like the texts).
std::vector<std::string> FamiliesToMatch(const FontDescription& d) {
    std::string_view name = d.faceName;
    name = Trim(name.substr(0, std::min(name.find('\0'), size_t{31})));
    std::vector<std::string> families;
    const std::string lower = AsciiLower(name);
    for (const auto& s : kFaceSubstitutes) {
        if (lower == s.name) families.push_back(s.family);
    }
    if (!name.empty()) families.push_back(EncodeUtf8(DecodeText(name, d.charSet)));
    return families;
}

// A generic family from the LOGFONT's pitch and family byte.
const char* GenericFamily(uint8_t pitchAndFamily) {
    switch (pitchAndFamily & 0xF0) {
        case 0x10: return "serif";       // FF_ROMAN
        case 0x20: return "sans-serif";  // FF_SWISS
        case 0x30: return "monospace";   // FF_MODERN
        default: break;
    }
    return (pitchAndFamily & 0x03) == 1 ? "monospace" : "sans-serif";  // FIXED_PITCH
}

// A language the charset's texts are likely in, so that an unknown face
// falls back to one that covers its letters.
const char* LanguageOfCharSet(uint8_t charSet) {
    switch (charSet) {
        case 128: return "ja";
        case 129: return "ko";
        case 134: return "zh-cn";
        case 136: return "zh-tw";
        case 161: return "el";
        case 162: return "tr";
        case 163: return "vi";
        case 177: return "he";
        case 178: return "ar";
        case 186: return "lt";
        case 204: return "ru";
        case 222: return "th";
        case 238: return "pl";
        default: return nullptr;
    }
}

struct FaceLocation {
    std::string path;
    int index = 0;
};

std::optional<FaceLocation> MatchWithFontconfig(const std::vector<std::string>& families, const char* generic,
                                                bool bold, bool italic, const char* language) {
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) return std::nullopt;
    for (const std::string& family : families)
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    if (generic != nullptr) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(generic));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    if (language != nullptr) FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(language));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);

    std::optional<FaceLocation> location;
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
        FcChar8* file = nullptr;
        int index = 0;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file != nullptr) {
            FcPatternGetInteger(match, FC_INDEX, 0, &index);
            location = FaceLocation{reinterpret_cast<const char*>(file), index};
        }
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return location;
}

// Opened faces and created fonts, for the whole process. It is never
// destroyed, so fonts stay usable while other threads end at exit.
class Registry {
public:
    static Registry& Instance() {
        static Registry* registry = new Registry;
        return *registry;
    }

    // Everything below is used with `mutex` held. It also serialises all use
    // of the FreeType library object (opening faces) and of fontconfig.
    std::mutex mutex;
    std::unordered_map<FontDescription, std::shared_ptr<Font>, DescriptionHash> fonts;

    FaceEntry* FindFace(const FontDescription& d);

private:
    Registry() {
        if (FT_Init_FreeType(&library_) != 0) library_ = nullptr;
        fontconfigReady_ = FcInit() == FcTrue;
    }

    FaceEntry* OpenFace(const std::string& path, int index);

    FT_Library library_ = nullptr;
    bool fontconfigReady_ = false;
    // Null entries remember files that did not open.
    std::map<std::pair<std::string, int>, std::unique_ptr<FaceEntry>> faces_;
};

FaceEntry* Registry::OpenFace(const std::string& path, int index) {
    if (library_ == nullptr) return nullptr;
    auto key = std::make_pair(path, index);
    if (auto it = faces_.find(key); it != faces_.end()) return it->second.get();
    std::unique_ptr<FaceEntry> entry;
    FT_Face face = nullptr;
    if (FT_New_Face(library_, path.c_str(), index, &face) == 0) {
        if (face->num_glyphs > 0) {
            entry = std::make_unique<FaceEntry>();
            entry->face = face;
            entry->path = path;
            entry->family = face->family_name != nullptr ? face->family_name : "";
            entry->style = face->style_name != nullptr ? face->style_name : "";
        } else {
            FT_Done_Face(face);
        }
    }
    FaceEntry* result = entry.get();
    faces_.emplace(std::move(key), std::move(entry));
    return result;
}

FaceEntry* Registry::FindFace(const FontDescription& d) {
    const bool bold = d.weight >= kBoldWeight;
    const bool italic = d.italic;
    if (fontconfigReady_) {
        const auto location = MatchWithFontconfig(FamiliesToMatch(d), GenericFamily(d.pitchAndFamily), bold, italic,
                                                  LanguageOfCharSet(d.charSet));
        if (location) {
            if (FaceEntry* face = OpenFace(location->path, location->index)) return face;
        }
        for (const char* family : kFallbackFamilies) {
            const auto fallback = MatchWithFontconfig({family}, nullptr, bold, italic, nullptr);
            if (fallback) {
                if (FaceEntry* face = OpenFace(fallback->path, fallback->index)) return face;
            }
        }
    }
    for (const char* file : kFallbackFiles) {
        if (FaceEntry* face = OpenFace(file, 0)) return face;
    }
    return nullptr;
}

int ClampHeight(int32_t height) {
    if (height == 0) return kDefaultFontCellHeight;
    const int64_t h = std::clamp<int64_t>(height, -kMaxFontHeight, kMaxFontHeight);
    return static_cast<int>(h);
}

int RoundToInt(double v) { return static_cast<int>(std::lround(v)); }

// Reads row y of a rendered bitmap into ink bytes (1 = ink).
void CopyBitmapRow(const FT_Bitmap& bitmap, unsigned y, uint8_t* out) {
    const unsigned char* row = bitmap.pitch >= 0
                                   ? bitmap.buffer + static_cast<size_t>(y) * static_cast<size_t>(bitmap.pitch)
                                   : bitmap.buffer + static_cast<size_t>(bitmap.rows - 1 - y) *
                                                         static_cast<size_t>(-bitmap.pitch);
    for (unsigned x = 0; x < bitmap.width; ++x) {
        bool ink;
        switch (bitmap.pixel_mode) {
            case FT_PIXEL_MODE_MONO: ink = (row[x >> 3] & (0x80 >> (x & 7))) != 0; break;
            case FT_PIXEL_MODE_GRAY: ink = row[x] * 2 >= std::max<int>(bitmap.num_grays, 2) - 1; break;
            case FT_PIXEL_MODE_BGRA: ink = row[x * 4 + 3] >= 128; break;
            default: ink = false; break;
        }
        out[x] = ink ? 1 : 0;
    }
}

// Widens the ink of a glyph that has no outline to embolden: each pixel's
// ink also covers the `strength` pixels to its right.
void OverstrikeBitmap(GlyphImage& g, int strength) {
    const int width = g.width + strength;
    std::vector<uint8_t> ink(static_cast<size_t>(width) * static_cast<size_t>(g.rows), 0);
    for (int y = 0; y < g.rows; ++y) {
        for (int x = 0; x < g.width; ++x) {
            if (!g.InkAt(x, y)) continue;
            for (int s = 0; s <= strength; ++s) ink[static_cast<size_t>(y) * width + x + s] = 1;
        }
    }
    g.width = width;
    g.ink = std::move(ink);
}

}  // namespace

struct Font::Impl {
    FontDescription description;
    FaceEntry* face = nullptr;  // null when no face could be opened
    FT_Size size = nullptr;     // this font's size object on the shared face
    FT_Int32 loadFlags = FT_LOAD_TARGET_MONO;
    int ascent = 0;
    int descent = 0;
    double emY = 0;
    bool syntheticBold = false;
    bool syntheticItalic = false;
    int boldStrength = 0;  // pixels added to each stroke and advance
    FontLine underline;
    FontLine strikeOut;

    // Rendered characters. Entries are never removed or changed, so
    // references to them stay valid without the lock.
    std::mutex glyphMutex;
    std::unordered_map<char32_t, GlyphImage> glyphs;

    ~Impl() {
        if (size != nullptr) {
            std::lock_guard lock(face->mutex);
            FT_Done_Size(size);
        }
    }

    void SetUp(FaceEntry* faceEntry);
    void SetUpWithoutFace();
    GlyphImage Render(char32_t ch);
};

// Called with the registry lock held.
void Font::Impl::SetUp(FaceEntry* faceEntry) {
    face = faceEntry;
    std::lock_guard lock(face->mutex);
    FT_Face f = face->face;
    if (FT_New_Size(f, &size) != 0) {
        size = nullptr;
        face = nullptr;
        SetUpWithoutFace();
        return;
    }
    FT_Activate_Size(size);

    const int height = ClampHeight(description.height);
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version == 0xFFFF) os2 = nullptr;
    double emX;

    if (FT_IS_SCALABLE(f)) {
        loadFlags = FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP;
        const double upem = f->units_per_EM > 0 ? f->units_per_EM : 1000.0;
        double winAscent = 0;
        double winDescent = 0;
        if (os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0) {
            winAscent = os2->usWinAscent;
            winDescent = os2->usWinDescent;
        } else if (f->ascender - f->descender > 0) {
            winAscent = f->ascender;
            winDescent = -f->descender;
        } else if (f->bbox.yMax - f->bbox.yMin > 0) {
            winAscent = static_cast<double>(f->bbox.yMax);
            winDescent = static_cast<double>(-f->bbox.yMin);
        } else {
            winAscent = upem * 0.8;
            winDescent = upem * 0.2;
        }
        const double cellUnits = winAscent + winDescent;
        if (height < 0) {
            emY = -height;
            ascent = RoundToInt(winAscent * emY / upem);
            descent = RoundToInt(winDescent * emY / upem);
        } else {
            emY = height * upem / cellUnits;
            ascent = RoundToInt(height * winAscent / cellUnits);
            descent = height - ascent;
        }
        emY = std::clamp(emY, 1.0, static_cast<double>(kMaxFontHeight));
        emX = emY;
        if (description.width != 0 && os2 != nullptr && os2->xAvgCharWidth > 0) {
            const double width = std::min<double>(std::abs(static_cast<int64_t>(description.width)), kMaxFontHeight);
            emX = std::clamp(width * upem / os2->xAvgCharWidth, 1.0, static_cast<double>(kMaxFontHeight));
        }
        FT_Set_Char_Size(f, static_cast<FT_F26Dot6>(std::lround(emX * 64)),
                         static_cast<FT_F26Dot6>(std::lround(emY * 64)), 72, 72);

        const double scale = emY / upem;
        if (f->underline_thickness > 0) {
            underline.thickness = std::max(1, RoundToInt(f->underline_thickness * scale));
            underline.offset = RoundToInt(-f->underline_position * scale - underline.thickness / 2.0);
        } else {
            underline.thickness = std::max(1, RoundToInt(emY / 14));
            underline.offset = RoundToInt(emY / 10);
        }
        if (os2 != nullptr && os2->yStrikeoutSize > 0) {
            strikeOut.thickness = std::max(1, RoundToInt(os2->yStrikeoutSize * scale));
            strikeOut.offset = -RoundToInt(os2->yStrikeoutPosition * scale);
        } else {
            strikeOut.thickness = underline.thickness;
            strikeOut.offset = -RoundToInt(emY * 0.26 + strikeOut.thickness / 2.0);
        }
    } else {
        // A bitmap-only face: the strike nearest to the wanted cell height.
        loadFlags = FT_LOAD_TARGET_MONO;
        const int wanted = height < 0 ? RoundToInt(-height * 1.15) : height;
        int best = 0;
        for (int i = 1; i < f->num_fixed_sizes; ++i) {
            if (std::abs(f->available_sizes[i].height - wanted) < std::abs(f->available_sizes[best].height - wanted))
                best = i;
        }
        if (f->num_fixed_sizes > 0) FT_Select_Size(f, best);
        ascent = static_cast<int>((f->size->metrics.ascender + 63) >> 6);
        descent = static_cast<int>((-f->size->metrics.descender + 63) >> 6);
        emY = std::max(1.0, f->size->metrics.y_ppem * 1.0);
        emX = std::max(1.0, f->size->metrics.x_ppem * 1.0);
        underline.thickness = std::max(1, RoundToInt(emY / 14));
        underline.offset = RoundToInt(emY / 10);
        strikeOut.thickness = underline.thickness;
        strikeOut.offset = -RoundToInt(emY * 0.26 + strikeOut.thickness / 2.0);
    }
    // Keep the underline inside the cell where the descent leaves room.
    underline.offset = std::max(0, std::min(underline.offset, descent - underline.thickness));

    const bool faceBold = (f->style_flags & FT_STYLE_FLAG_BOLD) != 0 ||
                          (os2 != nullptr && os2->usWeightClass >= kBoldWeight);
    const bool faceItalic = (f->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    syntheticBold = description.weight >= kBoldWeight && !faceBold;
    syntheticItalic = description.italic && !faceItalic;
    boldStrength = syntheticBold ? std::max(1, RoundToInt(emX / 24)) : 0;
}

void Font::Impl::SetUpWithoutFace() {
    const int height = ClampHeight(description.height);
    const int cell = height < 0 ? RoundToInt(-height * 1.15) : height;
    ascent = RoundToInt(cell * 0.8);
    descent = cell - ascent;
    emY = height < 0 ? -height : cell / 1.15;
    underline = {std::min(1, descent), 1};
    strikeOut = {-RoundToInt(emY * 0.3), 1};
}

// Loads and renders one character. Takes the face's lock.
GlyphImage Font::Impl::Render(char32_t ch) {
    GlyphImage g;
    if (face == nullptr) return g;
    std::lock_guard lock(face->mutex);
    FT_Face f = face->face;
    FT_Activate_Size(size);
    const FT_UInt index = FT_Get_Char_Index(f, ch);
    if (FT_Load_Glyph(f, index, loadFlags) != 0 && (index == 0 || FT_Load_Glyph(f, 0, loadFlags) != 0)) return g;

    FT_GlyphSlot slot = f->glyph;
    g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        if (syntheticItalic) {
            FT_Matrix shear{0x10000, kItalicShear, 0, 0x10000};
            FT_Outline_Transform(&slot->outline, &shear);
        }
        if (syntheticBold) {
            // Grows the strokes to the right; the left edge and the baseline stay.
            FT_Outline_EmboldenXY(&slot->outline, boldStrength * 64, 0);
            g.advance += boldStrength;
        }
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return g;
    } else if (syntheticBold) {
        g.advance += boldStrength;
    }

    const FT_Bitmap& bitmap = slot->bitmap;
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.width = static_cast<int>(bitmap.width);
    g.rows = static_cast<int>(bitmap.rows);
    g.ink.assign(static_cast<size_t>(g.width) * static_cast<size_t>(g.rows), 0);
    for (unsigned y = 0; y < bitmap.rows; ++y) CopyBitmapRow(bitmap, y, g.ink.data() + y * bitmap.width);
    if (syntheticBold && slot->format != FT_GLYPH_FORMAT_OUTLINE) OverstrikeBitmap(g, boldStrength);
    return g;
}

std::shared_ptr<Font> Font::Create(const FontDescription& description) {
    Registry& registry = Registry::Instance();
    std::lock_guard lock(registry.mutex);
    if (auto it = registry.fonts.find(description); it != registry.fonts.end()) return it->second;

    auto impl = std::make_unique<Impl>();
    impl->description = description;
    if (FaceEntry* face = registry.FindFace(description)) {
        impl->SetUp(face);
    } else {
        impl->SetUpWithoutFace();
    }
    std::shared_ptr<Font> font(new Font(std::move(impl)));
    registry.fonts.emplace(description, font);
    return font;
}

Font::Font(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Font::~Font() = default;

const FontDescription& Font::Description() const { return impl_->description; }
int Font::Ascent() const { return impl_->ascent; }
int Font::Descent() const { return impl_->descent; }
double Font::EmHeight() const { return impl_->emY; }
FontLine Font::UnderlineLine() const { return impl_->underline; }
FontLine Font::StrikeOutLine() const { return impl_->strikeOut; }
bool Font::SyntheticBold() const { return impl_->syntheticBold; }
bool Font::SyntheticItalic() const { return impl_->syntheticItalic; }

const std::string& Font::FilePath() const {
    static const std::string none;
    return impl_->face != nullptr ? impl_->face->path : none;
}
const std::string& Font::FamilyName() const {
    static const std::string none;
    return impl_->face != nullptr ? impl_->face->family : none;
}
const std::string& Font::StyleName() const {
    static const std::string none;
    return impl_->face != nullptr ? impl_->face->style : none;
}

const GlyphImage& Font::Glyph(char32_t ch) const {
    std::lock_guard lock(impl_->glyphMutex);
    auto it = impl_->glyphs.find(ch);
    if (it == impl_->glyphs.end()) it = impl_->glyphs.emplace(ch, impl_->Render(ch)).first;
    return it->second;
}

int Font::TextWidth(std::u32string_view text) const {
    int width = 0;
    for (char32_t ch : text) width += Glyph(ch).advance;
    return width;
}

}  // namespace korv::platform
