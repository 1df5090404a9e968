#pragma once
// Fonts for text output: a description with the fields of the original
// platform's LOGFONT, mapped to an installed face and rendered in monochrome.
//
// Face mapping. Well-known faces of the original platform go to installed
// faces with the same metrics where there are any: "Arial" → Liberation Sans,
// "Times New Roman" → Liberation Serif, "Courier New" → Liberation Mono,
// "Verdana" and "Tahoma" → DejaVu Sans (wider than Liberation Sans, as they
// are); should the stand-in be missing, the name itself is matched. Any other
// name is fontconfig's best match for it, with the family of pitchAndFamily
// (roman, swiss, modern) and the charset's language as further hints. When
// nothing usable comes back the face is DejaVu Sans or Liberation Sans, so a
// font always has a face on a system with either installed.
//
// Sizes follow the LOGFONT rule: a negative height is the character (em)
// height in pixels, a positive height the cell height (ascent + descent), and
// 0 a cell height of 12 pixels. Ascent and descent are the face's Windows
// metrics (OS/2 usWinAscent / usWinDescent) scaled and rounded, as the
// original platform reports them, so a metric-compatible face lays out text
// like the face it stands for. Heights are limited to 4096 pixels.
//
// Width 0 keeps the face's natural proportions; another width (its absolute
// value) scales the glyphs horizontally so that the face's average character
// width (OS/2 xAvgCharWidth) becomes that many pixels. Escapement,
// orientation, the precisions and the quality are kept but do not change the
// output: text is always horizontal and never anti-aliased.
//
// A bold (weight ≥ 600) or italic description on a face without that style
// is emboldened (about 1/24 em wider strokes, whole pixels, added to each
// advance) or slanted (12°) by the renderer.
//
// Threads. Fonts are shared between threads (the scene thread and the main
// thread create and draw with them). Creation goes through one process-wide
// registry lock, which also guards the FreeType library and fontconfig; each
// face has its own lock for loading and rendering glyphs, since FreeType
// faces must not be used by two threads at once; each font has a lock for its
// glyph cache. Locks are taken in that order (registry, font, face) and never
// the other way. Every Font member function may be called from any thread.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace korv::platform {

inline constexpr int kDefaultFontCellHeight = 12;
inline constexpr int kMaxFontHeight = 4096;
inline constexpr int32_t kBoldWeight = 600;  // this weight and above are bold

struct FontDescription {
    int32_t height = 0;  // < 0: em height; > 0: cell height; 0: 12 px cell
    int32_t width = 0;   // 0: natural; else average character width
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = 400;  // 0 (don't care) counts as regular
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    uint8_t charSet = 0;  // also names the code page of 8-bit texts
    uint8_t outPrecision = 0;
    uint8_t clipPrecision = 0;
    uint8_t quality = 0;
    uint8_t pitchAndFamily = 0;
    std::string faceName;  // 8-bit, like the texts; at most 31 characters count

    bool operator==(const FontDescription&) const = default;
};

// One character's monochrome image. `ink` holds `rows` rows of `width`
// bytes, 1 where the character has ink. The image's top-left pixel lies
// `left` pixels right of the pen position and `top` pixels above the
// baseline (the baseline row is the first row below the baseline).
struct GlyphImage {
    int left = 0;
    int top = 0;
    int width = 0;
    int rows = 0;
    int advance = 0;  // whole pixels the pen moves on
    std::vector<uint8_t> ink;

    bool InkAt(int x, int y) const { return ink[static_cast<size_t>(y) * static_cast<size_t>(width) + x] != 0; }
};

// A horizontal line of a font (underline, strike-out): its first row counted
// from the baseline row (negative: above the baseline) and its thickness,
// at least 1.
struct FontLine {
    int offset = 0;
    int thickness = 1;
};

class Font {
public:
    // The font for `description`, shared with every earlier request for an
    // equal description. Never null.
    static std::shared_ptr<Font> Create(const FontDescription& description);

    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    const FontDescription& Description() const;
    uint8_t CharSet() const { return Description().charSet; }

    int Ascent() const;
    int Descent() const;
    int Height() const { return Ascent() + Descent(); }  // the cell height
    double EmHeight() const;                             // pixels per em, vertically

    // Sum of the characters' advances (no kerning).
    int TextWidth(std::u32string_view text) const;

    // The character's image, rendered once and kept; the reference stays
    // valid as long as the font. A character the face lacks gets the face's
    // missing-character glyph.
    const GlyphImage& Glyph(char32_t ch) const;

    FontLine UnderlineLine() const;
    FontLine StrikeOutLine() const;

    // The face in use: its file, family and style names, and whether the
    // renderer makes up for a missing bold or italic style. The file is empty
    // when no face could be opened at all; such a font has no ink and no
    // width.
    const std::string& FilePath() const;
    const std::string& FamilyName() const;
    const std::string& StyleName() const;
    bool SyntheticBold() const;
    bool SyntheticItalic() const;

private:
    struct Impl;
    explicit Font(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace korv::platform
