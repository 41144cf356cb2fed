#include "LibraryState.h"

#include <algorithm>

namespace VxU3V
{

LibraryState& LibraryState::instance()
{
    static LibraryState state;
    return state;
}

OpenCamera* LibraryState::find(void* handle)
{
    if (handle == nullptr)
    {
        return nullptr;
    }
    const auto found = std::find_if(m_Cameras.begin(), m_Cameras.end(),
                                    [handle](const OpenCamera& camera) { return camera.handle == handle; });
    return found == m_Cameras.end() ? nullptr : &*found;
}

void LibraryState::add(const OpenCamera& camera)
{
    m_Cameras.push_front(camera);
}

void LibraryState::remove(void* handle)
{
    m_Cameras.remove_if([handle](const OpenCamera& camera) { return camera.handle == handle; });
}

bool LibraryState::contains(void* handle, const std::int32_t serialNumber) const
{
    return std::any_of(m_Cameras.begin(), m_Cameras.end(),
                       [&](const OpenCamera& camera)
                       { return camera.handle == handle && camera.serialNumber == serialNumber; });
}

std::uint16_t LibraryState::takeRequestId()
{
    return m_RequestId++;
}

std::int32_t LibraryState::lastError() const
{
    return m_LastError;
}

void LibraryState::setError(void* handle, const std::int32_t code)
{
    m_LastError = code;
    if (OpenCamera* camera = find(handle))
    {
        camera->lastError = code;
    }
}

void LibraryState::reset()
{
    m_Cameras.clear();
    m_RequestId = 0;
    m_LastError = 0;
}

} // namespace VxU3V
