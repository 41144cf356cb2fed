// End to end on the emulation: a demo rig camera switched from the vendor
// driver to USB3 Vision mode and back by vxupdate, each command a process of
// its own under vx-u3v-emulate (the driver's emulation in vxupdate, the USB
// side in the launcher, one flash). The updater's own reboot timing: the
// first look for the camera comes after 10 s.
#include "DemoRigCopy.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{

using Outcome = ProcessOutcome;

class ModeSwitchEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (QStringLiteral(VX_SANITIZE_BUILD) != QString())
        {
            GTEST_SKIP() << "umockdev's preload library cannot come before the sanitizer runtime";
        }
        m_Rig = std::make_unique<DemoRigCopy>(QStringLiteral(VX_DEMO_RIG_FOLDER));
    }

    // vxupdate with the rig's cameras on both buses (emulated) or on the
    // driver's alone.
    Outcome vxupdate(const QStringList& arguments, bool withUsb = true)
    {
        QProcessEnvironment environment = m_Rig->environment();
        environment.insert("VX_OSTRA_REBOOT_MS", "300");
        if (!withUsb)
        {
            return runProcess(QStringLiteral(VXUPDATE_PATH), arguments, environment);
        }
        return runProcess(QStringLiteral(VX_U3V_EMULATE_PATH),
                          QStringList{"--rig", m_Rig->rigPath(), "--", QStringLiteral(VXUPDATE_PATH)} +
                              arguments,
                          environment);
    }

    std::unique_ptr<DemoRigCopy> m_Rig;
};

TEST_F(ModeSwitchEndToEnd, DriverCameraGoesToUsb3VisionWithItsSerialAndComesBack)
{
    const Outcome toUsb = vxupdate({"mode", "--serial", "21001", "--yes", "u3v"});
    ASSERT_EQ(toUsb.exitCode, 0) << toUsb.out.toStdString() << toUsb.err.toStdString();
    EXPECT_TRUE(toUsb.out.contains("Camera 21001 now runs in USB3 Vision Mode.")) << toUsb.out.toStdString();

    // Found through the USB3 Vision adapter: its identity and mode only.
    const Outcome usbInfo = vxupdate({"info", "--serial", "21001"});
    EXPECT_EQ(usbInfo.exitCode, 0) << usbInfo.err.toStdString();
    EXPECT_EQ(usbInfo.out.split('\n').filter("USB3 Vision Mode:").value(0).simplified(),
              "USB3 Vision Mode: Enabled");
    EXPECT_FALSE(usbInfo.out.contains("Firmware Version")) << usbInfo.out.toStdString();
    // Gone from the driver's bus meanwhile.
    const Outcome driverOnly = vxupdate({"cameras"}, false);
    EXPECT_EQ(driverOnly.out, "21002  VX-1920C  vendor driver  driver  available\n");
    // Both buses: each camera through the adapter that lists it, in its mode.
    const QStringList both = vxupdate({"cameras"}).out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(both.size(), 2) << both.join('\n').toStdString();
    EXPECT_EQ(both[0].simplified(), "21001 VX-2448M USB3 Vision u3v available");
    EXPECT_EQ(both[1].simplified(), "21002 VX-1920C vendor driver driver available");

    const Outcome back = vxupdate({"mode", "--serial", "21001", "--yes", "driver"});
    ASSERT_EQ(back.exitCode, 0) << back.out.toStdString() << back.err.toStdString();
    EXPECT_TRUE(back.out.contains("Camera 21001 now runs in Ostra Mode.")) << back.out.toStdString();
    const Outcome driverInfo = vxupdate({"info", "--serial", "21001"}, false);
    EXPECT_EQ(driverInfo.exitCode, 0) << driverInfo.err.toStdString();
    EXPECT_TRUE(driverInfo.out.contains("Firmware Version:    2.3")) << driverInfo.out.toStdString();
    EXPECT_EQ(driverInfo.out.split('\n').filter("USB3 Vision Mode:").value(0).simplified(),
              "USB3 Vision Mode: Disabled");
}

} // namespace
