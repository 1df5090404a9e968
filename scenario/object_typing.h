#pragma once
// The typewriter label: a text that SHOW types one character at a time.

#include <cstddef>

namespace korv {

class SceneContext;
class VisualObject;

// One step: from `counter`, passes over line breaks (CR and LF) to the next
// character and draws the text up to and including it, aligned within the
// full text's box. True while another character follows; `counter` is left
// on the character drawn.
bool ShowLabelStep(VisualObject& object, SceneContext& context, size_t& counter);

// Types the whole text, pausing 2000 − labelPeriod ms between characters;
// a stop ends it within 100 ms.
void TypeLabel(VisualObject& object, SceneContext& context);

}  // namespace korv
