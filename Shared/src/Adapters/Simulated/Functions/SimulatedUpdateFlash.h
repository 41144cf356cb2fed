#pragma once

#include "SimulatedFunction.h"

namespace CameraInterface::SimulatedAdapter
{

// The simulated flash has no update procedure of its own: it writes like "Write Flash".
class SimulatedUpdateFlash : public SimulatedFunction
{
public:
    using SimulatedFunction::SimulatedFunction;

    std::vector<std::string> execute(std::vector<std::string>& parameters) override;
};

} // namespace CameraInterface::SimulatedAdapter
