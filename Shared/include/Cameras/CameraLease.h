#pragma once

#include "VxAppsExport.h"

#include <shared_mutex>

namespace VxInternal
{
class CameraRegistry;
}

namespace CameraInterface
{

class Camera;

// Borrowed access to a registered camera that keeps the registry from
// destroying it: a camera removed while leased is destroyed when its last
// lease ends. Movable, not copyable: moving hands the hold over, and the
// moved-from lease then holds (and points at) no camera; assigning over a
// lease ends its own hold first. Take a lease for the length of one
// operation, not for ever: a dead camera cannot leave the registry while
// leased. Not thread-safe itself: one lease is used by one thread at a time.
class VXAPPS_EXPORT CameraLease
{
public:
    CameraLease(CameraLease&& other) noexcept;
    CameraLease& operator=(CameraLease&& other) noexcept;
    CameraLease(const CameraLease&) = delete;
    CameraLease& operator=(const CameraLease&) = delete;
    ~CameraLease();

    // False once the lease has been moved from.
    bool holdsCamera() const noexcept { return m_Camera != nullptr; }

    // The leased camera; a lease that holds none throws std::logic_error.
    Camera& operator*() const { return get(); }
    Camera* operator->() const { return &get(); }
    Camera& get() const;

private:
    friend class VxInternal::CameraRegistry;
    CameraLease(Camera& camera, std::shared_lock<std::shared_mutex> usage);

    Camera* m_Camera;
    std::shared_lock<std::shared_mutex> m_Usage;
};

} // namespace CameraInterface
