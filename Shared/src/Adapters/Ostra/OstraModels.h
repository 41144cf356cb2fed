#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The camera models of the vendor driver, by the model identifier of the
// driver's version record.
//
// These tables are ours: a small product list of our own with the shape the
// driver's product list has (pairs of identifier and name, searched in order
// for the first equal identifier), not the maker's list. The identifiers of
// VX-2448M and VX-1920C are those of the shipped simulated cameras; the demo
// rig (Shared/data/DemoRig.json) uses them too.
namespace CameraInterface::OstraAdapter::OstraModels
{

using Entry = std::pair<std::uint32_t, std::string>;

// Every known model, in search order.
const std::vector<Entry>& modelTable();

// The model name of the first entry with this identifier; empty when there is none.
std::string modelName(std::uint32_t modelId);

// The identifiers of the models whose firmware can run in USB3 Vision mode.
const std::vector<std::uint32_t>& usb3VisionCapableModels();

bool isUsb3VisionCapable(std::uint32_t modelId);
// The capable models whose USB3 Vision firmware is the 0x1nn line only.
bool needsFirmware1nnForUsb3Vision(std::uint32_t modelId);

} // namespace CameraInterface::OstraAdapter::OstraModels
