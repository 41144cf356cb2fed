#pragma once

#include <string>
#include <utility>
#include <vector>

namespace CameraInterface
{
class Camera;
}

// What the updater tells about a connected camera: its identity and versions,
// as the window logs them on connection.
namespace CameraDetails
{

// "Serial Number", "Camera ID", "Model Name", "Vendor Name", "Firmware
// Version", "FPGA Version", "FPGA2 Version", "AFE Timing Version", "Hardware
// Revision", "Hardware Interface", "USB3 Vision Mode", "API Version", "Driver
// Version", in this order.
const std::vector<std::string>& propertyNames();

// Name and value of each of those properties the camera supports, in that
// order. Library errors reading a value propagate; a standard out-of-range
// error (a malformed record in the camera's flash) is logged as a warning and
// gives the detail an empty value.
std::vector<std::pair<std::string, std::string>> read(CameraInterface::Camera& camera);

// Logs "Connected to camera." and then "<name>: <value>" for each of them.
void log(CameraInterface::Camera& camera);

// The only vendor whose cameras the updater programs.
constexpr char VENDOR[] = "Veltrax";

} // namespace CameraDetails
