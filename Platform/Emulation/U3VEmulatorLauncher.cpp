// vx-u3v-emulate: runs a command with emulated Veltrax cameras in USB3 Vision
// mode on its USB bus. The cameras live in this process (a umockdev testbed
// whose usbdevfs ioctls the device model answers); this process and the
// command run with umockdev's preload library, so the command's real libusb
// calls reach them and its libusb sees cameras come and go.
//
//   vx-u3v-emulate [--rig RIG] [--camera SERIAL[:PRODUCT]]... [--flash-folder FOLDER]
//                  [--capture FILE] -- COMMAND [ARGS...]
//
// --rig: the cameras of the vendor driver's rig file are the same virtual
// cameras on both sides. The command gets VX_OSTRA_RIG=RIG; a camera is on
// this USB bus exactly while its last boot chose USB3 Vision mode (the first
// byte of its USB3 Vision record in flash was 0), and on the driver's bus
// otherwise; both sides use the one flash file in the rig's flash folder, and
// a reboot on either side moves the camera when the flash says so.
//
// --camera: a camera that only exists on this bus, its flash kept in
// FOLDER/<serial>.u3vflash across runs; a new one starts in USB3 Vision mode.
//
// --capture: the cameras' USB traffic as usbmon would record it, a pcap file
// for Wireshark or tshark.

#include "U3VUsbdevfsBed.h"
#include "VxU3V/VxU3VLibrary.h"
#include "ostraapi/OstraEmulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

namespace
{

constexpr std::size_t USB3_VISION_INFO_ADDRESS = 0x1B0000;
constexpr std::uint16_t PRODUCT_ID = 0x1001;
// How often the rig's cameras are looked at (boots, reboot commands).
constexpr int FOLLOW_INTERVAL_MS = 20;

Emulation::U3VDevice::Identity identityOf(std::uint32_t serialNumber, const std::string& product)
{
    return {VXU3V_MAKER_VENDOR_ID, PRODUCT_ID, product, std::to_string(serialNumber)};
}

// A camera only on this bus, its flash loaded from the folder if kept.
class UsbOnlyCamera
{
public:
    UsbOnlyCamera(const QString& text, const QString& folder)
    {
        const QString serial = text.section(':', 0, 0);
        const QString product = text.contains(':') ? text.section(':', 1) : QStringLiteral("VX-2448M U3V");
        bool number = false;
        const std::uint32_t serialNumber = serial.toUInt(&number);
        if (!number)
        {
            throw std::runtime_error("camera serial number is not a number: " + text.toStdString());
        }
        m_Device = std::make_shared<Emulation::U3VDevice>(identityOf(serialNumber, product.toStdString()));
        m_FlashFile = QDir(folder).filePath(serial + ".u3vflash");
        m_Device->flash()[USB3_VISION_INFO_ADDRESS] = 0;
        QFile stored(m_FlashFile);
        if (stored.open(QIODevice::ReadOnly))
        {
            const QByteArray bytes = stored.read(static_cast<qint64>(m_Device->flash().size()));
            std::copy(bytes.begin(), bytes.end(), m_Device->flash().begin());
        }
    }

    const std::shared_ptr<Emulation::U3VDevice>& device() const { return m_Device; }

    bool keepFlash() const
    {
        QFile stored(m_FlashFile);
        const auto flash = m_Device->flash();
        const bool kept =
            stored.open(QIODevice::WriteOnly) &&
            stored.write(reinterpret_cast<const char*>(flash.data()), static_cast<qint64>(flash.size())) ==
                static_cast<qint64>(flash.size());
        if (!kept)
        {
            std::fprintf(stderr, "vx-u3v-emulate: cannot keep the flash in %s\n", qPrintable(m_FlashFile));
        }
        return kept;
    }

private:
    std::shared_ptr<Emulation::U3VDevice> m_Device;
    QString m_FlashFile;
};

// The USB3 Vision side of a rig camera: its device model works on the
// camera's flash file, mapped into memory (every write reaches the file and
// the driver's side at once).
class RigCamera
{
public:
    explicit RigCamera(const OstraEmulator::RigCamera& camera)
        : m_SerialNumber(camera.serialNumber), m_Flash(QString::fromStdString(camera.flashFile))
    {
        uchar* bytes = m_Flash.open(QIODevice::ReadWrite) ? m_Flash.map(0, m_Flash.size()) : nullptr;
        if (bytes == nullptr)
        {
            throw std::runtime_error("cannot map the flash file " + camera.flashFile + ": " +
                                     m_Flash.errorString().toStdString());
        }
        m_Device = std::make_shared<Emulation::U3VDevice>(
            identityOf(camera.serialNumber, camera.usb3VisionProduct),
            Emulation::U3VDevice::FlashBytes(bytes, static_cast<std::size_t>(m_Flash.size())));
    }

    const std::shared_ptr<Emulation::U3VDevice>& device() const { return m_Device; }

    // Carries out a reboot the USB side was told, then puts the device on
    // the bus or takes it off as the camera's boot says.
    void follow(Emulation::U3VUsbdevfsBed& bed)
    {
        std::optional<std::uint32_t> reboot;
        {
            const auto lock = bed.lockDevices();
            reboot = m_Device->takeRebootRequest();
        }
        if (reboot)
        {
            OstraEmulator::rebootFromUsb3Vision(m_SerialNumber, *reboot == 0);
        }
        const bool onBus = OstraEmulator::isOnUsb3VisionBus(m_SerialNumber);
        if (onBus && !bed.isOnBus(*m_Device))
        {
            const auto lock = bed.lockDevices();
            m_Device->restart();
        }
        bed.setOnBus(*m_Device, onBus);
    }

private:
    std::uint32_t m_SerialNumber;
    QFile m_Flash;
    std::shared_ptr<Emulation::U3VDevice> m_Device;
};

struct Options
{
    QString rig;
    QStringList cameras;
    QString flashFolder;
    QString capture;
    QStringList command;
};

Options parseOptions(const QCoreApplication& application)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Runs COMMAND with emulated Veltrax USB3 Vision cameras on its USB bus.");
    parser.addHelpOption();
    parser.addOption({"rig",
                      "The vendor driver's rig file: its cameras are the same virtual cameras, on this bus "
                      "while in USB3 Vision mode.",
                      "RIG"});
    parser.addOption({"camera", "A camera only on this bus (repeatable).", "SERIAL[:PRODUCT]"});
    parser.addOption({"flash-folder", "Where the --camera cameras' flash is kept (default: current folder).",
                      "FOLDER", "."});
    parser.addOption({"capture", "Writes the cameras' USB traffic to FILE (pcap, usbmon records).", "FILE"});
    parser.addPositionalArgument("command", "The command to run, after --.", "-- COMMAND [ARGS...]");
    parser.process(application);
    return {parser.value("rig"), parser.values("camera"), parser.value("flash-folder"),
            parser.value("capture"), parser.positionalArguments()};
}

QProcessEnvironment childEnvironment(const QString& rig)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!rig.isEmpty())
    {
        environment.insert("VX_OSTRA_RIG", QFileInfo(rig).absoluteFilePath());
    }
    return environment;
}

// Runs the command while the rig's cameras are followed; its exit code.
int runCommand(QCoreApplication& application, const Options& options, Emulation::U3VUsbdevfsBed& bed,
               std::vector<std::unique_ptr<RigCamera>>& rigCameras)
{
    QTimer follow;
    QObject::connect(&follow, &QTimer::timeout,
                     [&]()
                     {
                         for (const auto& camera : rigCameras)
                         {
                             try
                             {
                                 camera->follow(bed);
                             }
                             catch (const std::exception& error)
                             {
                                 // The camera stays where it is; the command runs on.
                                 std::fprintf(stderr, "vx-u3v-emulate: %s\n", error.what());
                             }
                         }
                     });
    follow.start(FOLLOW_INTERVAL_MS);

    QProcess child;
    child.setProcessEnvironment(childEnvironment(options.rig));
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.setInputChannelMode(QProcess::ForwardedInputChannel);
    QObject::connect(&child, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &application,
                     &QCoreApplication::quit);
    QStringList arguments = options.command;
    child.start(arguments.takeFirst(), arguments);
    if (!child.waitForStarted(-1))
    {
        std::fprintf(stderr, "vx-u3v-emulate: cannot start the command: %s\n",
                     qPrintable(child.errorString()));
        return 2;
    }
    QCoreApplication::exec();
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : 2;
}

} // namespace

int main(int argc, char** argv)
{
    // The testbed's add and remove events are sent from this process, which
    // therefore runs with the preload library as the command does.
    if (!Emulation::U3VUsbdevfsBed::restartWithPreloadLibrary(argv))
    {
        return 2;
    }
    QCoreApplication application(argc, argv);
    const Options options = parseOptions(application);
    if (options.command.isEmpty())
    {
        std::fprintf(stderr, "vx-u3v-emulate: no command given\n");
        return 2;
    }
    try
    {
        // The testbed goes first: its devices use the rig cameras' mapped flash.
        std::vector<std::unique_ptr<RigCamera>> rigCameras;
        Emulation::U3VUsbdevfsBed bed;
        if (!options.capture.isEmpty())
        {
            bed.captureTo(options.capture.toStdString());
        }
        if (!options.rig.isEmpty())
        {
            OstraEmulator::loadRig(options.rig.toStdString());
            for (const auto& camera : OstraEmulator::rigCameras())
            {
                rigCameras.push_back(std::make_unique<RigCamera>(camera));
                bed.attach(rigCameras.back()->device());
                rigCameras.back()->follow(bed);
            }
        }
        std::vector<UsbOnlyCamera> usbOnly;
        for (const QString& text : options.cameras)
        {
            usbOnly.emplace_back(text, options.flashFolder);
            bed.attach(usbOnly.back().device());
        }
        int result = runCommand(application, options, bed, rigCameras);
        for (const auto& camera : usbOnly)
        {
            if (!camera.keepFlash() && result == 0)
            {
                result = 2;
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
