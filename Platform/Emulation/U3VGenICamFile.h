#pragma once

#include <string>

namespace Emulation
{

// The GenICam description (GenApi schema 1.1) of an emulated camera: the
// Root category over device control (identity from the bootstrap registers,
// the user-defined name), image format control (Width, Height, their
// maxima, PixelFormat), acquisition control (AcquisitionMode, Start, Stop,
// ExposureTime), analog control (Gain) and transport layer control
// (PayloadSize, TLParamsLocked), every feature mapped onto the camera's
// registers. A pure function: callable from any thread.
std::string genicamFile(const std::string& modelName);

} // namespace Emulation
