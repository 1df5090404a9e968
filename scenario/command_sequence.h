#pragma once
// What a command sees of the scenario that holds it: the other commands by
// their index and which REPEAT opens each loop. The scenario provides it, so
// a command that looks at its neighbours (UNTIL finding its REPEAT) does not
// depend on how scenarios are made or loaded.

#include <cstddef>
#include <cstdint>

namespace korv {

class SceneCommand;

class CommandSequence {
public:
    virtual const SceneCommand& At(size_t index) const = 0;
    // The index of the REPEAT that opens the loop closed by the UNTIL at
    // `untilIndex` (loops nest), or -1 when there is none.
    virtual int32_t MatchingRepeat(int32_t untilIndex) const = 0;

protected:
    CommandSequence() = default;
    CommandSequence(const CommandSequence&) = default;
    CommandSequence& operator=(const CommandSequence&) = default;
    ~CommandSequence() = default;
};

}  // namespace korv
