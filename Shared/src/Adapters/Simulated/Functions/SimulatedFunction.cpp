#include "SimulatedFunction.h"

#include "Cameras/SimulatedCamera/SimulatedCamera.h"
#include "Exceptions/ThrowSite.h"
#include "Functions/FunctionArguments.h"

namespace CameraInterface::SimulatedAdapter
{

SimulatedFunction::SimulatedFunction(const std::string& name, SimulatedCamera& camera,
                                     const std::vector<ParameterDescription>& parameters,
                                     const std::vector<ParameterDescription>& returnFormat)
    : Function(name), m_Camera(&camera), m_Parameters(parameters), m_ReturnFormat(returnFormat)
{
}

std::vector<std::string> SimulatedFunction::execute(std::vector<std::string>&)
{
    return {};
}

bool SimulatedFunction::isAvailable() const
{
    return true;
}

std::vector<Function::ParameterDescription> SimulatedFunction::getParameters() const
{
    return m_Parameters;
}

std::vector<Function::ParameterDescription> SimulatedFunction::getReturnFormat() const
{
    return m_ReturnFormat;
}

SimulatedCamera& SimulatedFunction::camera() const
{
    return *m_Camera;
}

std::int32_t SimulatedFunction::integerAt(const std::vector<std::string>& parameters, std::size_t index) const
{
    return FunctionArguments::toSigned32(textAt(parameters, index));
}

const std::string& SimulatedFunction::textAt(const std::vector<std::string>& parameters,
                                             std::size_t index) const
{
    if (index >= parameters.size())
    {
        FunctionArguments::failExecution(getName(), VX_THROW_SITE);
    }
    return parameters[index];
}

} // namespace CameraInterface::SimulatedAdapter
