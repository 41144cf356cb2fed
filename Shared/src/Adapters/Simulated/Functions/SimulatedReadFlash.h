#pragma once

#include "SimulatedFunction.h"

namespace CameraInterface::SimulatedAdapter
{

// Returns Length bytes of flash from Address; unwritten bytes read 0xFF.
class SimulatedReadFlash : public SimulatedFunction
{
public:
    using SimulatedFunction::SimulatedFunction;

    std::vector<std::string> execute(std::vector<std::string>& parameters) override;
};

} // namespace CameraInterface::SimulatedAdapter
