#pragma once

#include "Exceptions/ThrowSite.h"
#include "Functions/Function.h"
#include "Functions/FunctionArguments.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace CameraInterface::SimulatedAdapter
{

class SimulatedCamera;

// A function declared by the simulated camera list. The plain class accepts
// its parameters and does nothing; the flash, status and reboot functions
// derive from it.
class SimulatedFunction : public Function
{
public:
    SimulatedFunction(const std::string& name, SimulatedCamera& camera,
                      const std::vector<ParameterDescription>& parameters,
                      const std::vector<ParameterDescription>& returnFormat);

    std::vector<std::string> execute(std::vector<std::string>& parameters) override;
    bool isAvailable() const override;
    std::vector<ParameterDescription> getParameters() const override;
    std::vector<ParameterDescription> getReturnFormat() const override;

protected:
    SimulatedCamera& camera() const;
    // The parameter at index as an address or length (signed 32-bit text,
    // automatic base); a missing parameter counts as a failed execution.
    std::int32_t integerAt(const std::vector<std::string>& parameters, std::size_t index) const;
    const std::string& textAt(const std::vector<std::string>& parameters, std::size_t index) const;
    // Runs a device operation, turning a refused range into "FunctionExecution".
    template <typename Operation> auto onDevice(Operation&& operation) const -> decltype(operation())
    {
        try
        {
            return operation();
        }
        catch (const std::out_of_range&)
        {
            FunctionArguments::failExecution(getName(), VX_THROW_SITE);
        }
    }

private:
    SimulatedCamera* m_Camera;
    std::string m_Label;
    std::vector<ParameterDescription> m_Parameters;
    std::vector<ParameterDescription> m_ReturnFormat;
};

} // namespace CameraInterface::SimulatedAdapter
