#include "runtime/registry.h"

#include "platform/registry.h"

std::string rt_registry_read_text(int32_t root, std::string_view path)
{
    if (root < 1 || root > 5)
        return {};
    const size_t last = path.rfind('\\');
    const std::string_view key = last == std::string_view::npos ? std::string_view() : path.substr(0, last);
    const std::string_view name = last == std::string_view::npos ? path : path.substr(last + 1);
    return platform::registry_read_text(static_cast<platform::RegistryRoot>(root), key, name).value_or(std::string());
}
