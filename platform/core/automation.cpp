#include "platform/automation.h"

#include "platform/ascii.h"

#include <cmath>
#include <limits>

namespace platform {

bool Automation::supports(const GUID& iid) const { return iid == IID_IUnknown || iid == IID_IDispatch; }
bool Automation::get(std::string_view, AutoValue&) { return false; }
bool Automation::put(std::string_view, const AutoValue&) { return false; }
bool Automation::invoke(std::string_view, std::vector<AutoValue>&, AutoValue&) { return false; }

bool same_name(std::string_view a, std::string_view b) { return ascii_same(a, b); }

bool value_text(const AutoValue& v, std::string& out)
{
    if (const auto* s = std::get_if<std::string>(&v)) {
        out = *s;
        return true;
    }
    if (const auto* i = std::get_if<int32_t>(&v)) {
        out = std::to_string(*i);
        return true;
    }
    return false;
}

bool value_int(const AutoValue& v, int32_t& out)
{
    if (const auto* i = std::get_if<int32_t>(&v)) {
        out = *i;
        return true;
    }
    if (const auto* b = std::get_if<bool>(&v)) {
        out = *b ? -1 : 0; // a logical true is all bits set
        return true;
    }
    if (const auto* d = std::get_if<double>(&v)) {
        if (!std::isfinite(*d) || *d < std::numeric_limits<int32_t>::min() || *d > std::numeric_limits<int32_t>::max())
            return false;
        out = static_cast<int32_t>(std::lround(*d));
        return true;
    }
    return false;
}

} // namespace platform
