// The window's mode buttons on the emulation: a demo rig camera switched to
// USB3 Vision mode and back by its radio buttons. CTest runs this program
// under vx-u3v-emulate --rig, so the window's registry finds the camera
// through the vendor driver's emulation, then through the USB3 Vision
// adapter over the real libusb, then through the driver again.
#include "WindowTestSupport.h"

#include "Cameras/CameraLease.h"
#include "Cameras/OstraCamera/OstraCamera.h"
#include "Cameras/Usb3VisionCamera/Usb3VisionCamera.h"
#include "Window/MainWindow.h"
#include "Window/UpdaterApplication.h"

#include "Engine/UpdateProgress.h"

#include <QLabel>
#include <QRadioButton>
#include <QtTest>

using namespace WindowTestSupport;

namespace
{

const QString CONNECTED = QStringLiteral("Camera connected.");

template <typename Adapter> bool listedThrough(const std::string& serial)
{
    try
    {
        CameraInterface::CameraLease camera = CameraInterface::Camera::acquireCamera(serial);
        return dynamic_cast<Adapter*>(&camera.get()) != nullptr;
    }
    catch (const std::exception&)
    {
        return false;
    }
}

} // namespace

class WindowEmulatedModeSwitchTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("VX_OSTRA_RIG") || qEnvironmentVariableIsEmpty("UMOCKDEV_DIR"))
        {
            QSKIP("needs the emulated cameras: run under vx-u3v-emulate --rig (CTest does)");
        }
        UpdaterApplication::setIdentity();
        UpdaterApplication::initialiseResources();
        UpdaterApplication::installSettingsPath();
        UpdateProgress::registerMetaTypes();
    }

    void radioButtonsMoveTheCameraToUsb3VisionAndBack()
    {
        PromptScript prompts;
        DialogScript dialogs;
        // Two cameras: the operator picks 21001, the first row.
        dialogs.on(QStringLiteral("DialogSelectCamera"),
                   [](QDialog& dialog) { selectRowAndPress(dialog, 0, QStringLiteral("Select")); });
        MainWindow window;
        // Looked for after 6 s instead of 10 s (vxupdate's end-to-end test
        // keeps the real timing): later than the registry's search for new
        // cameras (every 5 s), which finds the camera on its new bus once the
        // old adapter's object is gone.
        window.setRebootTiming({std::chrono::milliseconds(6000), std::chrono::milliseconds(30000)});
        window.show();
        auto* status = window.findChild<QLabel*>(QStringLiteral("statusLabel"));
        auto* u3v = window.findChild<QRadioButton*>(QStringLiteral("radioButtonU3VMode"));
        auto* ostra = window.findChild<QRadioButton*>(QStringLiteral("radioButtonOstraMode"));
        QVERIFY(status && u3v && ostra);
        const auto seen = [&]
        {
            return (status->text() + " | " + prompts.messages().join(" | ")).toUtf8();
        };
        QTRY_COMPARE_WITH_TIMEOUT(status->text(), CONNECTED, 10000);
        QVERIFY(ostra->isChecked());
        QVERIFY(listedThrough<CameraInterface::OstraAdapter::OstraCamera>("21001"));

        u3v->click();
        QTRY_VERIFY_WITH_TIMEOUT(window.isRebooting(), 2000);
        QTRY_VERIFY2_WITH_TIMEOUT(!window.isRebooting() && status->text() == CONNECTED, seen().constData(),
                                  30000);
        QVERIFY(u3v->isChecked());
        QVERIFY(listedThrough<CameraInterface::Usb3VisionAdapter::Usb3VisionCamera>("21001"));

        ostra->click();
        QTRY_VERIFY_WITH_TIMEOUT(window.isRebooting(), 2000);
        QTRY_VERIFY2_WITH_TIMEOUT(!window.isRebooting() && status->text() == CONNECTED, seen().constData(),
                                  30000);
        QVERIFY(ostra->isChecked());
        QVERIFY(listedThrough<CameraInterface::OstraAdapter::OstraCamera>("21001"));
        // One question per switch, no error.
        QCOMPARE(prompts.shown.size(), 2);
    }
};

QTEST_MAIN(WindowEmulatedModeSwitchTest)
#include "WindowEmulatedModeSwitchTest.moc"
