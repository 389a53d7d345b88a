#include "runtime/ole.h"

#include <type_traits>

namespace {

platform::AutoValue to_platform(const OleValue& v)
{
    return std::visit(
        [](const auto& x) -> platform::AutoValue {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, RtObject>)
                return x.platform_object();
            else
                return x;
        },
        v);
}

OleValue from_platform(const platform::AutoValue& v)
{
    return std::visit(
        [](const auto& x) -> OleValue {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, platform::AutoRef>)
                return RtObject(x);
            else
                return x;
        },
        v);
}

} // namespace

std::optional<OleValue> rt_ole_read(const RtObject& object, std::string_view member)
{
    if (object.empty())
        return std::nullopt;
    platform::AutoValue value;
    if (!object.platform_object()->get(member, value))
        return std::nullopt;
    return from_platform(value);
}

RtObject rt_ole_read_object(const RtObject& object, std::string_view member)
{
    const std::optional<OleValue> v = rt_ole_read(object, member);
    if (!v)
        return {};
    if (const auto* o = std::get_if<RtObject>(&*v))
        return *o;
    return {};
}

bool rt_ole_write(const RtObject& object, std::string_view member, const OleValue& value)
{
    return !object.empty() && object.platform_object()->put(member, to_platform(value));
}

std::optional<OleValue> rt_ole_call(const RtObject& object, std::string_view method, std::vector<OleValue>& args)
{
    if (object.empty())
        return std::nullopt;
    std::vector<platform::AutoValue> passed;
    passed.reserve(args.size());
    for (const OleValue& a : args)
        passed.push_back(to_platform(a));
    platform::AutoValue result;
    if (!object.platform_object()->invoke(method, passed, result))
        return std::nullopt;
    for (size_t i = 0; i < args.size() && i < passed.size(); ++i)
        args[i] = from_platform(passed[i]);
    return from_platform(result);
}

std::optional<OleValue> rt_ole_call(const RtObject& object, std::string_view method, std::vector<OleValue>&& args)
{
    return rt_ole_call(object, method, args);
}

void rt_object_assign(RtObject& target, const RtObject& source) { target = source; }

void rt_object_release(RtObject& object) { object = RtObject(); }
