#include "runtime/ui/sound_device.h"

#include <QCoreApplication>

#include <dlfcn.h>

#include <cstdio>
#include <mutex>
#include <string>

namespace sound::detail {
namespace {

constexpr const char* kModuleFile = "libprizedraw_sound.so";

// Beside the program first (its folder is what a deployment copies), then
// where the build put it.
const DeviceModule* find_module()
{
    std::string beside;
    if (QCoreApplication::instance())
        beside = QCoreApplication::applicationDirPath().toStdString() + "/" + kModuleFile;
    std::string why;
    for (const std::string& path : {beside, std::string(PRIZEDRAW_SOUND_MODULE)}) {
        if (path.empty())
            continue;
        // Never closed: its code runs in the workers and at exit.
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            why += std::string("\n  ") + dlerror();
            continue;
        }
        using Entry = const DeviceModule* (*)();
        if (auto entry = reinterpret_cast<Entry>(dlsym(handle, PRIZEDRAW_SOUND_ENTRY)))
            return entry();
        why += "\n  " + path + ": from another build";
    }
    // The operator hears nothing; whoever looks at the output learns why.
    std::fprintf(stderr, "sound output %s not usable, sound is off:%s\n", kModuleFile, why.c_str());
    return nullptr;
}

std::once_flag g_module_once;
const DeviceModule* g_module = nullptr;

const DeviceModule* device_module()
{
    std::call_once(g_module_once, [] { g_module = find_module(); });
    return g_module;
}

} // namespace

void load_device_module() { device_module(); }

DeviceRef choose_device(bool force_silent)
{
    if (force_silent || !QCoreApplication::instance())
        return nullptr;
    const DeviceModule* module = device_module();
    return module ? module->choose() : nullptr;
}

std::unique_ptr<Output> open_output(Worker& worker, PcmFormat format, const DeviceRef& device)
{
    if (device)
        if (const DeviceModule* module = device_module())
            if (auto output = module->open(worker, format, *device))
                return output;
    return std::make_unique<SilentOutput>(worker, format.rate);
}

} // namespace sound::detail
