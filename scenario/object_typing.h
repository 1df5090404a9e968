#pragma once
// The typewriter label: a text that SHOW types one character at a time.

#include <cstddef>
#include <string>

#include "platform/geometry.h"
#include "platform/surface.h"

namespace korv {

class SceneContext;
class VisualObject;

// Types one text object on the window. It steps by the characters of the
// text as its font decodes it (UTF-8, or the font's code page), and hands
// each part on in UTF-8, so a part reads as the same characters as the whole
// text. It keeps the screen from under every box it drew, so each step takes
// off what the previous one drew outside its own box (all of it, for a
// transparent text), and the last step leaves only the whole text.
class Typewriter {
public:
    Typewriter(VisualObject& object, SceneContext& context);

    // One step: from `counter` (a character index), passes over CR and LF to
    // the next character and draws the text up to and including it, aligned
    // within the full text's box. True while another character follows;
    // `counter` is left on the character drawn. False, after a message, when
    // the part cannot be rendered.
    bool ShowLabelStep(size_t& counter);

private:
    // Adds the screen under `box` to the kept screen. What lies outside the
    // kept area is still as it was, since every step drew inside it.
    void KeepScreenUnder(const platform::Surface& surface, Rect box);
    // Puts the kept screen back over `area`, except over `spared`.
    void PutBack(platform::Surface& surface, Rect area, Rect spared) const;

    VisualObject& object_;
    SceneContext& context_;
    std::u32string characters_;
    Rect lastBox_;
    Rect keptArea_;
    platform::Surface kept_;
};

// Types the whole text, pausing 2000 − labelPeriod ms between characters;
// a stop ends it within 100 ms.
void TypeLabel(VisualObject& object, SceneContext& context);

}  // namespace korv
