#pragma once
// Pictures of the desktop and of the wallpaper (modes 2 and 3): the file
// written at start-up becomes the picture's own bytes.

#include "scenario/visual_object.h"

namespace korv {

// Takes the start-up file of a desktop or wallpaper picture into the object
// (bytes, file name, natural size); from then on it is an embedded picture.
// Other objects, and a picture whose file is missing, stay as they are.
void LoadDesktopPicture(VisualObject& object);

}  // namespace korv
