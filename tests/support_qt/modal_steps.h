#pragma once
// Acting inside modal windows: a handler that opens a modal window returns
// only when the window closes, so the test's actions have to run from the
// event queue while it is open. `OperatorWindows` are the program's windows
// that a test may leave open.

#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "runtime/testing.h"
#include "runtime/ui.h"

template <int... OperatorWindows>
class BasicModalSteps : public std::enable_shared_from_this<BasicModalSteps<OperatorWindows...>> {
public:
    using Step = std::function<void()>;

    // Calls `open` (which blocks while its window is open) and runs the steps
    // one by one from inside. Whatever operator window is still open after
    // the last step is closed, so a failing test never hangs; the result
    // says whether that was needed.
    static bool run(const Step& open, std::vector<Step> steps)
    {
        auto self = std::make_shared<BasicModalSteps>();
        self->steps_.assign(steps.begin(), steps.end());
        self->post(kSettle);
        open();
        // The safety net may still be queued when `open` returns early.
        for (int i = 0; i < 1000 && !self->finished_; ++i)
            rt_do_events();
        return self->had_to_close_;
    }

private:
    // Turns through the queue before each step, so closes that the previous
    // step queued have happened when the next one looks.
    static constexpr int kSettle = 3;

    std::deque<Step> steps_;
    bool had_to_close_ = false;
    bool finished_ = false;

    void post(int settle)
    {
        auto self = this->shared_from_this();
        rt_post([self, settle] { self->next(settle); });
    }

    void next(int settle)
    {
        if (settle > 0) {
            post(settle - 1);
            return;
        }
        if (steps_.empty()) {
            close_leftovers();
            return;
        }
        Step step = std::move(steps_.front());
        steps_.pop_front();
        // Posted first: if this step opens a modal window, the next one runs
        // inside it.
        post(kSettle);
        step();
    }

    void close_leftovers()
    {
        for (int id : {OperatorWindows...})
            if (rt_is_loaded(id)) {
                had_to_close_ = true;
                rt_destroy_window(id);
            }
        finished_ = true;
    }
};
