#pragma once
// Late-bound automation on objects of the platform (the web browser control
// and its document): read a property or call a method by name, write a
// property by name, copy and release references.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/automation.h"

// A reference to an automation object, or none. Copies share the object;
// the object goes when its last reference is released.
class RtObject {
public:
    RtObject() = default;
    explicit RtObject(platform::AutoRef object) : object_(std::move(object)) {}

    bool empty() const { return object_ == nullptr; }
    // How many references the object has (0 for none).
    long references() const { return object_.use_count(); }
    const platform::AutoRef& platform_object() const { return object_; }
    friend bool operator==(const RtObject& a, const RtObject& b) { return a.object_ == b.object_; }

private:
    platform::AutoRef object_;
};

// Values of automation calls. Texts are UTF-8.
using OleValue = std::variant<std::monostate, bool, int32_t, double, std::string, RtObject>;

// The object held by a property; none when the object is empty, the
// property does not exist or holds no object.
RtObject rt_ole_read_object(const RtObject& object, std::string_view member);
// The value of a property; nullopt when it cannot be read.
std::optional<OleValue> rt_ole_read(const RtObject& object, std::string_view member);
// False when the property cannot be written (or the object is empty).
bool rt_ole_write(const RtObject& object, std::string_view member, const OleValue& value);
// Calls a method. Arguments passed by reference come back changed in
// `args`. Nullopt when the call failed: no such method, arguments it
// refuses, or a failure the method reports.
std::optional<OleValue> rt_ole_call(const RtObject& object, std::string_view method, std::vector<OleValue>& args);
std::optional<OleValue> rt_ole_call(const RtObject& object, std::string_view method,
                                    std::vector<OleValue>&& args = {});
// `target` takes a further reference to what `source` names; what it held
// before is released.
void rt_object_assign(RtObject& target, const RtObject& source);
void rt_object_release(RtObject& object);
