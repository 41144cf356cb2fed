// vx-u3v-emulate: runs a command with emulated Veltrax cameras in USB3 Vision
// mode on its USB bus. The cameras live in this process (a umockdev testbed
// whose usbdevfs ioctls the device model answers); the command runs with
// umockdev's preload library, so its real libusb calls reach them. Each
// camera's flash is kept in FOLDER/<serial>.u3vflash across runs.
//
//   vx-u3v-emulate [--camera SERIAL[:PRODUCT]]... [--flash-folder FOLDER] -- COMMAND [ARGS...]

#include "U3VUsbdevfsBed.h"
#include "VxU3V/VxU3VLibrary.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

namespace
{

constexpr std::size_t USB3_VISION_INFO_ADDRESS = 0x1B0000;

struct EmulatedCamera
{
    std::shared_ptr<Emulation::U3VDevice> device;
    QString flashFile;
};

const char GENICAM_FILE[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                            "<RegisterDescription ModelName=\"VX-U3V\" VendorName=\"Veltrax\" "
                            "StandardNameSpace=\"None\" SchemaMajorVersion=\"1\" SchemaMinorVersion=\"1\" "
                            "SchemaSubMinorVersion=\"0\" MajorVersion=\"1\" MinorVersion=\"0\" "
                            "SubMinorVersion=\"0\" ProductGuid=\"00000000-0000-0000-0000-000000000000\" "
                            "VersionGuid=\"00000000-0000-0000-0000-000000000000\"/>\n";

// A camera from "SERIAL[:PRODUCT]", its flash loaded from the folder if kept.
EmulatedCamera makeCamera(const QString& text, const QString& folder)
{
    const QString serial = text.section(':', 0, 0);
    const QString product = text.contains(':') ? text.section(':', 1) : QStringLiteral("VX-2448M U3V");
    bool number = false;
    serial.toInt(&number);
    if (!number)
    {
        throw std::runtime_error("camera serial number is not a number: " + text.toStdString());
    }
    EmulatedCamera camera;
    camera.device = std::make_shared<Emulation::U3VDevice>(Emulation::U3VDevice::Identity{
        VXU3V_MAKER_VENDOR_ID, 0x1001, product.toStdString(), serial.toStdString()});
    camera.device->setXmlFile(
        std::vector<std::uint8_t>(std::begin(GENICAM_FILE), std::end(GENICAM_FILE) - 1));
    camera.flashFile = QDir(folder).filePath(serial + ".u3vflash");
    // A new camera starts in USB3 Vision mode: the first byte of its
    // Usb3VisionInfo record (at 0x1B0000) is 0.
    camera.device->flash().at(USB3_VISION_INFO_ADDRESS) = 0;
    QFile stored(camera.flashFile);
    if (stored.open(QIODevice::ReadOnly))
    {
        const QByteArray bytes = stored.read(static_cast<qint64>(camera.device->flash().size()));
        std::copy(bytes.begin(), bytes.end(), camera.device->flash().begin());
    }
    return camera;
}

bool keepFlash(const EmulatedCamera& camera)
{
    QFile stored(camera.flashFile);
    const auto& flash = camera.device->flash();
    return stored.open(QIODevice::WriteOnly) &&
           stored.write(reinterpret_cast<const char*>(flash.data()), static_cast<qint64>(flash.size())) ==
               static_cast<qint64>(flash.size());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Runs COMMAND with emulated Veltrax USB3 Vision cameras on its USB bus.");
    parser.addHelpOption();
    parser.addOption({"camera", "An emulated camera (repeatable).", "SERIAL[:PRODUCT]"});
    parser.addOption(
        {"flash-folder", "Where the cameras' flash is kept (default: current folder).", "FOLDER", "."});
    parser.addPositionalArgument("command", "The command to run, after --.", "-- COMMAND [ARGS...]");
    parser.process(application);
    QStringList command = parser.positionalArguments();
    if (command.isEmpty())
    {
        std::fprintf(stderr, "vx-u3v-emulate: no command given\n");
        return 2;
    }
    try
    {
        Emulation::U3VUsbdevfsBed bed(Emulation::U3VUsbdevfsBed::Users::CHILD_PROCESSES);
        std::vector<EmulatedCamera> cameras;
        for (const QString& text : parser.values("camera"))
        {
            cameras.push_back(makeCamera(text, parser.value("flash-folder")));
            bed.attach(cameras.back().device);
        }
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const QString preload = environment.value("LD_PRELOAD");
        environment.insert("LD_PRELOAD", preload.isEmpty() ? "libumockdev-preload.so.0"
                                                           : "libumockdev-preload.so.0:" + preload);
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.setInputChannelMode(QProcess::ForwardedInputChannel);
        child.start(command.takeFirst(), command);
        if (!child.waitForStarted(-1))
        {
            std::fprintf(stderr, "vx-u3v-emulate: cannot start the command: %s\n",
                         qPrintable(child.errorString()));
            return 2;
        }
        child.waitForFinished(-1);
        int result = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : 2;
        for (const auto& camera : cameras)
        {
            if (!keepFlash(camera))
            {
                std::fprintf(stderr, "vx-u3v-emulate: cannot keep the flash in %s\n",
                             qPrintable(camera.flashFile));
                result = result == 0 ? 2 : result;
            }
        }
        return result;
    }
    catch (const std::exception& error)
    {
        std::fprintf(stderr, "vx-u3v-emulate: %s\n", error.what());
        return 2;
    }
}
