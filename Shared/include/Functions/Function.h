#pragma once

#include "Properties/ParameterTypes.h"
#include "VxAppsExport.h"

#include <string>
#include <utility>
#include <vector>

namespace CameraInterface
{

// A named camera operation, executed with text parameters and answering text
// results. Names, parameter lists and results are shared by all adapters (see
// FunctionVocabulary.h); raw data travels as strings of bytes, zeros included.
class VXAPPS_EXPORT Function
{
public:
    using ParameterDescription = std::pair<std::string, PARAMETER_TYPE>;

    virtual ~Function();

    virtual std::vector<std::string> execute(std::vector<std::string>& parameters) = 0;
    virtual bool isAvailable() const = 0;
    virtual std::vector<ParameterDescription> getParameters() const = 0;
    virtual std::vector<ParameterDescription> getReturnFormat() const = 0;

    std::string getName() const;

protected:
    explicit Function(const std::string& name);
    Function(const Function& other);
    Function& operator=(const Function& other);

    // Adapters refuse a function the camera model cannot run at construction.
    virtual bool isFunctionSupported() const;

private:
    std::string m_Name;
};

} // namespace CameraInterface
