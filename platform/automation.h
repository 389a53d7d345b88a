#pragma once
// Late-bound automation: objects of the platform (the web browser control,
// its document and their parts) whose properties and methods are reached by
// name, as a scripting client would. No toolkit types here.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace platform {

// An interface identifier, {data1-data2-data3-data4[0..1]-data4[2..7]}.
struct GUID {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    uint8_t data4[8] = {};
    friend bool operator==(const GUID&, const GUID&) = default;
};

inline constexpr GUID IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID IID_IDispatch{0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

class Automation;
// A reference to an automation object; its use count is the reference count.
using AutoRef = std::shared_ptr<Automation>;
// Values passed to and from automation objects. Texts are UTF-8.
using AutoValue = std::variant<std::monostate, bool, int32_t, double, std::string, AutoRef>;

// Member names match without regard to ASCII case, as with a dispatch
// interface. Every call answers false for a member the object does not
// have or a value it does not accept; nothing throws.
class Automation {
public:
    virtual ~Automation() = default;
    virtual bool supports(const GUID& iid) const;
    virtual bool get(std::string_view name, AutoValue& value);
    virtual bool put(std::string_view name, const AutoValue& value);
    // Arguments may be written back (arguments passed by reference).
    virtual bool invoke(std::string_view name, std::vector<AutoValue>& args, AutoValue& result);
};

// Case-insensitive comparison of member names.
bool same_name(std::string_view a, std::string_view b);
// A value as text, number or logical, as a dispatch call would coerce it;
// false when it cannot be.
bool value_text(const AutoValue& v, std::string& out);
bool value_int(const AutoValue& v, int32_t& out);

} // namespace platform
