#pragma once
// Pictures of the desktop and of the wallpaper (modes 2 and 3): the file
// written at start-up becomes the picture's own bytes.

namespace korv {

class SceneContext;
class VisualObject;

// Takes the start-up file of a desktop or wallpaper picture (named by the
// context) into the object (bytes, file name, natural size); from then on it
// is an embedded picture. Other objects, and a picture whose file is missing,
// stay as they are.
void LoadDesktopPicture(VisualObject& object, SceneContext& context);

}  // namespace korv
