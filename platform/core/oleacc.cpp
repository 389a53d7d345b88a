#include "platform/oleacc.h"

#include <deque>
#include <mutex>
#include <utility>

namespace {

// Results not yet turned back into objects. A result nobody asks for must
// not hold its object for ever: the oldest go once there are many.
constexpr size_t kKept = 64;

struct Pending {
    intptr_t result;
    platform::AutoRef object;
};

std::mutex pending_mutex;
std::deque<Pending> pending;
intptr_t next_result = 1;

} // namespace

intptr_t LresultFromObject(const platform::GUID& iid, uintptr_t, platform::AutoRef object)
{
    if (!object || !object->supports(iid))
        return 0;
    const std::lock_guard lock(pending_mutex);
    const intptr_t result = next_result;
    next_result = next_result == INTPTR_MAX ? 1 : next_result + 1;
    pending.push_back({result, std::move(object)});
    if (pending.size() > kKept)
        pending.pop_front();
    return result;
}

int32_t ObjectFromLresult(intptr_t result, const platform::GUID& iid, uintptr_t, platform::AutoRef* object)
{
    if (!object)
        return E_INVALIDARG;
    *object = nullptr;
    if (result <= 0)
        return E_FAIL;
    platform::AutoRef found;
    {
        const std::lock_guard lock(pending_mutex);
        for (auto it = pending.begin(); it != pending.end(); ++it) {
            if (it->result == result) {
                found = std::move(it->object);
                pending.erase(it);
                break;
            }
        }
    }
    if (!found)
        return E_FAIL;
    if (!found->supports(iid))
        return E_NOINTERFACE;
    *object = std::move(found);
    return S_OK;
}
