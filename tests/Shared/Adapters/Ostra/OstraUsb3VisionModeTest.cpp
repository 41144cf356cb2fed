#include "OstraRig.h"

#include "Exceptions/VxAppsException_Property.h"
#include "Records/OstraRecords.h"
#include "Sha1/Sha1Hash.h"

#include <cstring>

namespace
{

namespace Ostra = VxInternal::Ostra;

struct SupportCase
{
    const char* name;
    const char* modelId;
    const char* firmware;
    bool offered;
};

class OstraUsb3VisionSupportTest : public OstraRig, public ::testing::WithParamInterface<SupportCase>
{
};

TEST_P(OstraUsb3VisionSupportTest, OfferedOnlyForCapableModelsAndFirmware)
{
    Json entry = camera(1001, GetParam().modelId);
    entry["firmwareVersion"] = GetParam().firmware;
    loadRig({entry});
    auto cam = connected(1001);
    ASSERT_TRUE(cam);
    EXPECT_EQ(cam->isPropertySupported("USB3 Vision Mode"), GetParam().offered);
}

INSTANTIATE_TEST_SUITE_P(Models, OstraUsb3VisionSupportTest,
                         ::testing::Values(SupportCase{"CapableModelFirmware2", "0x1234", "0x0204", true},
                                           SupportCase{"FirmwareBelow0x100", "0x1234", "0x00FF", false},
                                           SupportCase{"FirmwareExactly0x100", "0x1234", "0x0100", true},
                                           SupportCase{"SmallModelNeverCapable", "0x1101", "0x0204", false},
                                           SupportCase{"GigEModelNeverCapable", "0x2211", "0x0204", false},
                                           SupportCase{"Needs1nnHas2nn", "0x1A2A", "0x0204", false},
                                           SupportCase{"Needs1nnHas1nn", "0x1A2A", "0x0105", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Puts a description file and its record (USB3 Vision mode off) into flash.
void storeDescriptionFile(void* handle, bool corrupt)
{
    const std::vector<unsigned char> file = {'P', 'K', 3, 4, 9, 8, 7, 6, 5, 4, 3};
    ASSERT_NE(ostraProgramFlash(handle, file.data(), Ostra::USB3_VISION_FILE_ADDRESS,
                                static_cast<unsigned int>(file.size())),
              0);
    VxInternal::Usb3VisionInfo info{};
    info.usb3VisionDisabled = 1;
    info.fileSize = static_cast<std::uint32_t>(file.size());
    auto digest = VxInternal::calculateSha1Hash(file);
    digest[0] ^= corrupt ? 1 : 0;
    std::memcpy(info.fileSha1, digest.data(), digest.size());
    std::memset(info.trailer, 0x5C, sizeof info.trailer);
    ASSERT_TRUE(Ostra::OstraWriteUsb3VisionInfo(handle, info));
}

TEST_F(OstraRig, EnablingWithoutAValidDescriptionFileChangesNothing)
{
    loadRig({camera(1001)});
    auto cam = connected(1001);
    ASSERT_TRUE(cam);
    auto& mode = cam->getProperty("USB3 Vision Mode");
    EXPECT_EQ(mode.getValue(), "Disabled") << "erased flash";
    EXPECT_NO_THROW(mode.setValue("Enabled"));
    EXPECT_EQ(mode.getValue(), "Disabled");

    storeDescriptionFile(cam->getHandle(), true);
    EXPECT_FALSE(mode.isAvailableForWriting());
    EXPECT_NO_THROW(mode.setValue("Enabled"));
    EXPECT_EQ(mode.getValue(), "Disabled") << "a corrupt file does not switch either";
}

TEST_F(OstraRig, SwitchingRewritesOnlyTheFlagOfTheRecord)
{
    loadRig({camera(1001)});
    auto cam = connected(1001);
    ASSERT_TRUE(cam);
    storeDescriptionFile(cam->getHandle(), false);
    VxInternal::Usb3VisionInfo before{};
    ASSERT_TRUE(Ostra::OstraReadUsb3VisionInfo(cam->getHandle(), before));

    auto& mode = cam->getProperty("USB3 Vision Mode");
    ASSERT_TRUE(mode.isAvailableForWriting());
    mode.setValue("Enabled");
    EXPECT_EQ(mode.getValue(), "Enabled");
    VxInternal::Usb3VisionInfo after{};
    ASSERT_TRUE(Ostra::OstraReadUsb3VisionInfo(cam->getHandle(), after));
    EXPECT_EQ(after.usb3VisionDisabled, 0);
    after.usb3VisionDisabled = before.usb3VisionDisabled;
    EXPECT_EQ(std::memcmp(&after, &before, sizeof before), 0) << "the other 95 bytes stay";

    mode.setValue("Disabled");
    EXPECT_EQ(mode.getValue(), "Disabled");
    ASSERT_TRUE(Ostra::OstraReadUsb3VisionInfo(cam->getHandle(), after));
    EXPECT_EQ(after.usb3VisionDisabled, 1);
    EXPECT_THROW(mode.setValue("On"), VxAppsExceptions::VxAppsException);
}

} // namespace
