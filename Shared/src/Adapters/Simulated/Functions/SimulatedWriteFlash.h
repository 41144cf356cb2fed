#pragma once

#include "SimulatedFunction.h"

namespace CameraInterface::SimulatedAdapter
{

// Writes every byte of Data at Address, zero bytes included.
class SimulatedWriteFlash : public SimulatedFunction
{
public:
    using SimulatedFunction::SimulatedFunction;

    std::vector<std::string> execute(std::vector<std::string>& parameters) override;
};

} // namespace CameraInterface::SimulatedAdapter
