#pragma once
// Frame arithmetic of the prize reveal: a copy of the board grows from the
// board's centre towards its top left-hand corner while it turns.

#include <cstdint>
#include <vector>

namespace egg {

struct RevealFrame {
    int32_t zoom = 0;   // thousandths of the board's size
    int32_t left = 0;
    int32_t top = 0;
    int32_t angle = 0;  // whole degrees
    bool shown = false; // false for the closing frame, which is removed unseen
};

// Steps through the frames of one run for a board of width W. The height is
// passed again at each step because the run reads it afresh every frame.
class RevealSteps {
public:
    RevealSteps(int32_t width, int32_t height);

    // A board too small for the arithmetic (zoom step 0, no height) has no
    // frames; the run then shows the board at once.
    bool playable() const { return playable_; }
    int32_t zoom_step() const { return m_; }
    // The next frame; after a frame with shown == false the run is over.
    RevealFrame next(int32_t height_now);

private:
    bool playable_ = false;
    double g_ = 0;  // aspect ratio W / H
    int32_t m_ = 0; // zoom step per frame
    double x_ = 0;  // left of the current copy, carried from frame to frame
    double w_ = 0;  // vertical step per frame
    int32_t v_ = 0; // frame counter
};

// Every frame of a run on a board that keeps its size: all shown frames, then
// the closing one. Empty when the board is not playable.
std::vector<RevealFrame> reveal_frames(int32_t width, int32_t height);

} // namespace egg
