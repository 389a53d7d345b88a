#include "runtime/ui/sound.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>

#include "runtime/files.h"
#include "runtime/ui/sound_decode.h"
#include "runtime/ui/sound_output.h"
#include "runtime/ui/sound_worker.h"

namespace sound {
namespace {

using namespace detail;
using namespace std::chrono_literals;

constexpr size_t kLogLimit = 1000;
// How long shutdown waits for one worker; a worker checks for the stop
// request at least every few milliseconds, so this is only a safety net.
constexpr auto kJoinTimeout = 2000ms;

struct State {
    std::mutex mutex;
    std::deque<std::string> log;
    double played = 0;
    std::shared_ptr<Worker> list;
    std::shared_ptr<Worker> wave;
    // Told to stop, not yet ended.
    std::vector<std::shared_ptr<Worker>> retired;
};

std::atomic<bool> g_force_silent{false};

// Never destroyed: a worker may still be ending while static objects go.
State& state()
{
    static State* const s = new State;
    return *s;
}

// Logs an entry unless the worker has been told to stop. Stopping takes the
// same lock, so a replaced list never logs after its successor has begun.
bool reach(Worker& worker, const std::string& entry)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (worker.stop_requested())
        return false;
    s.log.push_back(entry);
    if (s.log.size() > kLogLimit)
        s.log.pop_front();
    return true;
}

void count_played(Worker& worker, size_t frames, int rate)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (!worker.stop_requested())
        s.played += static_cast<double>(frames) / rate;
}

void run_shutdown() { shutdown(); }

// The process must not end with a worker inside the sound device or the
// decoder. Handlers registered with atexit run before the destructors of
// statics that were constructed earlier, so one is registered again once
// the sound system's own statics exist: when a device was first found and
// when a device output first opened. shutdown() is idempotent.
std::once_flag g_exit_hook_at_start;
std::once_flag g_exit_hook_after_devices;
std::once_flag g_exit_hook_after_output;

void register_exit_hook(std::once_flag& flag)
{
    std::call_once(flag, [] { std::atexit(run_shutdown); });
}

// Also stop before the application object goes, which takes the sound
// system's objects with it.
void install_exit_hooks()
{
    register_exit_hook(g_exit_hook_at_start);
    static bool post_routine = false;
    if (!post_routine && QCoreApplication::instance()) {
        post_routine = true;
        qAddPostRoutine(run_shutdown);
    }
}

DeviceRef device_for_new_player()
{
    DeviceRef device = choose_device(g_force_silent);
    if (device)
        register_exit_hook(g_exit_hook_after_devices);
    return device;
}

// One worker's output, reopened when the sound's format changes.
class Player {
public:
    Player(Worker& worker, DeviceRef device)
        : worker_(worker), device_(std::move(device)) {}

    bool play(PcmFormat format, const int16_t* samples, size_t frames)
    {
        if (!output_ || format != format_) {
            if (output_ && !output_->drain())
                return false;
            output_.reset();
            output_ = open_output(worker_, format, device_);
            format_ = format;
            if (!output_->silent())
                register_exit_hook(g_exit_hook_after_output);
        }
        if (!output_->write(samples, frames))
            return false;
        count_played(worker_, frames, format.rate);
        return true;
    }

    void finish()
    {
        if (output_)
            output_->drain();
    }

private:
    Worker& worker_;
    DeviceRef device_;
    std::unique_ptr<Output> output_;
    PcmFormat format_;
};

void run_list(Worker& worker, const std::vector<std::string>& names, int32_t repeat,
              const DeviceRef& device)
{
    Player player(worker, device);
    for (int64_t pass = 0; repeat < 0 || pass < repeat; ++pass) {
        bool sounded = false;
        const PcmReceiver receive = [&](PcmFormat format, const int16_t* samples, size_t frames) {
            sounded = true;
            return player.play(format, samples, frames);
        };
        for (const std::string& name : names) {
            if (!reach(worker, name))
                return;
            if (!decode_mp3_file(rt_native_path(name), receive))
                return;
        }
        // An endless list of files that give no sound would spin without
        // this pause; the files may still turn up while it waits.
        if (repeat < 0 && !sounded && !worker.sleep_for(1s))
            return;
    }
    player.finish();
}

void run_wave(Worker& worker, const Pcm& pcm, bool loop, const DeviceRef& device)
{
    Player player(worker, device);
    const auto channels = static_cast<size_t>(pcm.format.channels);
    // Small chunks keep a device's queue short.
    const size_t chunk = std::max(1, pcm.format.rate / 50);
    do {
        if (!reach(worker, "<wave>"))
            return;
        for (size_t at = 0; at < pcm.frames(); at += chunk) {
            const size_t frames = std::min(chunk, pcm.frames() - at);
            if (!player.play(pcm.format, pcm.samples.data() + at * channels, frames))
                return;
        }
    } while (loop);
    player.finish();
}

// Called with the lock held. Ended workers are released; the others are
// released by a later call or by shutdown().
void retire(State& s, std::shared_ptr<Worker>& worker)
{
    if (worker) {
        worker->request_stop();
        s.retired.push_back(std::move(worker));
        worker.reset();
    }
    std::erase_if(s.retired, [](const std::shared_ptr<Worker>& w) { return w->join(0ms); });
}

bool running(const std::shared_ptr<Worker>& worker)
{
    return worker && !worker->stop_requested() && worker->running();
}

} // namespace

void play_list(int32_t repeat, const std::vector<std::string>& paths)
{
    std::vector<std::string> names;
    std::copy_if(paths.begin(), paths.end(), std::back_inserter(names),
                 [](const std::string& name) { return !name.empty(); });
    install_exit_hooks();
    const bool start = repeat != 0 && !names.empty();
    DeviceRef device;
    if (start)
        device = device_for_new_player();

    State& s = state();
    std::lock_guard lock(s.mutex);
    retire(s, s.list);
    if (start) {
        s.list = std::make_shared<Worker>(
            [names = std::move(names), repeat, device](Worker& worker) {
                run_list(worker, names, repeat, device);
            });
    }
}

void stop_all()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    retire(s, s.list);
    retire(s, s.wave);
}

bool play_wave(const Bytes& wave, bool loop)
{
    std::optional<Pcm> pcm = parse_wave(wave);
    install_exit_hooks();
    DeviceRef device;
    if (pcm)
        device = device_for_new_player();

    State& s = state();
    std::lock_guard lock(s.mutex);
    retire(s, s.wave);
    if (!pcm)
        return false;
    s.wave = std::make_shared<Worker>(
        [pcm = std::move(*pcm), loop, device](Worker& worker) { run_wave(worker, pcm, loop, device); });
    return true;
}

std::vector<std::string> log()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return {s.log.begin(), s.log.end()};
}

void clear_log()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.log.clear();
    s.played = 0;
}

double played_seconds()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return s.played;
}

bool list_playing()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return running(s.list);
}

bool wave_playing()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return running(s.wave);
}

void shutdown()
{
    State& s = state();
    std::vector<std::shared_ptr<Worker>> ending;
    {
        std::lock_guard lock(s.mutex);
        retire(s, s.list);
        retire(s, s.wave);
        ending.swap(s.retired);
    }
    // Joined without the lock: a worker may be about to log.
    std::erase_if(ending, [](const std::shared_ptr<Worker>& w) { return w->join(kJoinTimeout); });
    std::lock_guard lock(s.mutex);
    // Any left are kept, never destroyed, rather than freed under a running thread.
    s.retired.insert(s.retired.end(), ending.begin(), ending.end());
}

void load_device_support()
{
    load_device_module();
    // Finding the devices connects to the sound server, which takes a
    // while: done now, the first sound (a draw's) need not wait for it.
    choose_device(g_force_silent);
}

void force_silent_output(bool silent)
{
    g_force_silent = silent;
}

bool device_output()
{
    return choose_device(g_force_silent) != nullptr;
}

} // namespace sound
