#include "Cameras/CameraLease.h"

#include <utility>

namespace CameraInterface
{

CameraLease::CameraLease(Camera& camera, std::shared_lock<std::shared_mutex> usage)
    : m_Camera(&camera), m_Usage(std::move(usage))
{
}

CameraLease::~CameraLease() = default;

} // namespace CameraInterface
