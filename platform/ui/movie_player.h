#pragma once
// Plays an SWF movie, uncompressed ("FWS") or zlib-compressed ("CWS"): the
// reader turns the file into a display list per frame, this draws them.

#include <QColor>
#include <QPainter>
#include <QRectF>
#include <QSize>

#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

// How a movie fills a target of another shape, as the players' scale modes.
enum class MovieScale {
    ShowAll,  // whole stage visible, aspect kept, centred
    NoBorder, // target filled, aspect kept, centred, overflow cut
    ExactFit, // stretched to the target
};

class MoviePlayer {
public:
    // Reads the movie. One that cannot be read plays as nothing (empty()).
    explicit MoviePlayer(const std::vector<uint8_t>& swf);
    ~MoviePlayer();
    MoviePlayer(MoviePlayer&&) noexcept;
    MoviePlayer& operator=(MoviePlayer&&) noexcept;

    bool empty() const;
    double frame_rate() const;  // frames per second, always above 0
    int frame_count() const;    // of the main timeline, at least 1
    QSize stage_size() const;   // pixels
    QColor background() const;  // the movie's own background colour
    int current_frame() const;  // 0-based, of the main timeline

    // Moves the main timeline and every sprite's own timeline one frame on;
    // after its last frame a timeline starts again from its first.
    void advance();
    // Draws the objects of the current frame (not the background) with the
    // stage mapped onto `target` by `scale`.
    void paint(QPainter& painter, const QRectF& target, MovieScale scale = MovieScale::ShowAll);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace platform
