#pragma once

#include "SimulatedFunction.h"

namespace CameraInterface::SimulatedAdapter
{

// Sets Length bytes from Address to 0xFF.
class SimulatedEraseFlash : public SimulatedFunction
{
public:
    using SimulatedFunction::SimulatedFunction;

    std::vector<std::string> execute(std::vector<std::string>& parameters) override;
};

} // namespace CameraInterface::SimulatedAdapter
