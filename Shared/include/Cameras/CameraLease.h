#pragma once

#include "VxAppsExport.h"

#include <shared_mutex>

namespace CameraInterface
{

class Camera;

// Borrowed access to a registered camera that keeps the registry from
// destroying it: a camera removed while leased is destroyed when its last
// lease ends. Movable, not copyable. Take a lease for the length of one
// operation, not for ever: a dead camera cannot leave the registry while leased.
class VXAPPS_EXPORT CameraLease
{
public:
    CameraLease(CameraLease&&) noexcept = default;
    CameraLease& operator=(CameraLease&&) noexcept = default;
    CameraLease(const CameraLease&) = delete;
    CameraLease& operator=(const CameraLease&) = delete;
    ~CameraLease();

    Camera& operator*() const { return *m_Camera; }
    Camera* operator->() const { return m_Camera; }
    Camera& get() const { return *m_Camera; }

private:
    friend class Camera;
    CameraLease(Camera& camera, std::shared_lock<std::shared_mutex> usage);

    Camera* m_Camera;
    std::shared_lock<std::shared_mutex> m_Usage;
};

} // namespace CameraInterface
