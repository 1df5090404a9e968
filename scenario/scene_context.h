#pragma once
// What a command needs from the scene thread that plays it: the window's
// drawing, the stop signal and the media services. The scene thread
// provides it.

namespace korv {

class SceneContext {
public:
    virtual ~SceneContext() = default;
};

}  // namespace korv
