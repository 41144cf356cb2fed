#pragma once

#include "Functions/Function.h"

#include <cstdint>
#include <string>
#include <vector>

namespace CameraInterface::OstraAdapter
{

class OstraCamera;

// The common part of a vendor-driver camera's functions: the camera they
// work on (borrowed; the camera owns its functions), the parameter list and
// result of the function vocabulary, and the checks every execute shares.
// Each call goes straight to the driver with the camera's handle, on the
// caller's thread; a camera's functions are used by one thread at a time.
class OstraFunction : public Function
{
public:
    bool isAvailable() const override;
    std::vector<ParameterDescription> getParameters() const override;
    std::vector<ParameterDescription> getReturnFormat() const override;

protected:
    // Throws VxAppsException_Function "FunctionUnsupported" on a host that is
    // not little-endian: the functions hand the driver raw bytes.
    OstraFunction(const std::string& name, OstraCamera* camera);

    bool isFunctionSupported() const override;

    void* handle() const;
    // The parameter at `index`; a missing one (fewer than the list requires,
    // outside the callers' contract) counts as a failed execution rather than
    // being read past the list.
    const std::string& parameterAt(const std::vector<std::string>& parameters, std::size_t index) const;
    std::int32_t signedAt(const std::vector<std::string>& parameters, std::size_t index) const;
    std::uint32_t unsignedAt(const std::vector<std::string>& parameters, std::size_t index) const;
    // Throws "FunctionExecution" when the driver answered 0.
    void requireSuccess(int driverResult, const char* file, int line) const;

private:
    OstraCamera* m_Camera;
};

} // namespace CameraInterface::OstraAdapter
