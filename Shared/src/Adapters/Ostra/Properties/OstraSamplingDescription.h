#pragma once

#include "OstraChoiceProperty.h"

namespace CameraInterface::OstraAdapter
{

class OstraCamera;

// "Sampling Description": "None (1x1)" followed by "Binning (HxV)" and
// "Subsampling (HxV)" for each factor pair the camera reports. Unsupported
// when the camera reports no sampling. Starts at the text of the camera's
// current format (or "None (1x1)"); the stream applies the chosen factors.
class OstraSamplingDescription : public OstraChoiceProperty
{
public:
    OstraSamplingDescription(const std::string& name, PROPERTY_TYPE type, OstraCamera* camera);

    // "Binning (2x2)" and the like.
    static std::string describe(const char* kind, std::uint32_t horizontal, std::uint32_t vertical);

    // In the camera's order, "None (1x1)" first.
    std::vector<std::string> getValueList() const override;

private:
    static PropertyValueEnumeration<int> descriptions(OstraCamera* camera, const std::string& name);
};

} // namespace CameraInterface::OstraAdapter
