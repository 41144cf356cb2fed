#include "Cameras/CameraLease.h"

#include <stdexcept>
#include <utility>

namespace CameraInterface
{

CameraLease::CameraLease(Camera& camera, std::shared_lock<std::shared_mutex> usage)
    : m_Camera(&camera), m_Usage(std::move(usage))
{
}

CameraLease::CameraLease(CameraLease&& other) noexcept
    : m_Camera(std::exchange(other.m_Camera, nullptr)), m_Usage(std::move(other.m_Usage))
{
}

CameraLease& CameraLease::operator=(CameraLease&& other) noexcept
{
    if (this != &other)
    {
        // The own hold ends before the other's is taken over.
        if (m_Usage.owns_lock())
        {
            m_Usage.unlock();
        }
        m_Camera = std::exchange(other.m_Camera, nullptr);
        m_Usage = std::move(other.m_Usage);
    }
    return *this;
}

CameraLease::~CameraLease() = default;

Camera& CameraLease::get() const
{
    if (m_Camera == nullptr)
    {
        throw std::logic_error("The camera lease holds no camera: it was moved from.");
    }
    return *m_Camera;
}

} // namespace CameraInterface
