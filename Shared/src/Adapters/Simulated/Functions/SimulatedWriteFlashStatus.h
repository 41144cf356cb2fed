#pragma once

#include "SimulatedFunction.h"

namespace CameraInterface::SimulatedAdapter
{

// Stores the bytes of Status from Address on.
class SimulatedWriteFlashStatus : public SimulatedFunction
{
public:
    using SimulatedFunction::SimulatedFunction;

    std::vector<std::string> execute(std::vector<std::string>& parameters) override;
};

} // namespace CameraInterface::SimulatedAdapter
