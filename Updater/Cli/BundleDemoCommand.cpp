#include "BundleDemoCommand.h"

#include "BundleReport.h"
#include "DemoBundle.h"
#include "ExitCodes.h"
#include "Workspace.h"

#include "Engine/BundleVerifier.h"
#include "Engine/BundleWriter.h"
#include "Engine/CameraUpdate.h"
#include "Engine/EngineLog.h"

#include "Cameras/Camera.h"
#include "Cameras/CameraLease.h"
#include "Properties/PropertyNames.h"

#include "ostraapi/OstraEmulator.h"

#include <QTextStream>

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

namespace
{

// Whether a demonstration package may be made for the camera: simulated
// cameras, and vendor-driver cameras while the driver is the emulator with a
// rig loaded. Real cameras are never given generated firmware.
bool isDemoCamera(CameraInterface::Camera& camera, bool& reportsProgrammedVersions)
{
    reportsProgrammedVersions = false;
    const std::string adapter = camera.getAdapterName();
    if (adapter == "Simulated")
    {
        return true;
    }
    if (adapter == "Ostra" && !OstraEmulator::flashFolder().empty())
    {
        reportsProgrammedVersions = true;
        return true;
    }
    return false;
}

// The camera's hardware revision, or -1 when it reports none.
std::int32_t hardwareRevision(CameraInterface::Camera& camera)
{
    namespace Names = CameraInterface::PropertyNames;
    if (!camera.isPropertySupported(Names::HARDWARE_REVISION))
    {
        return -1;
    }
    return static_cast<std::int32_t>(std::stol(camera.getProperty(Names::HARDWARE_REVISION).getValue()));
}

// The package already made for the camera's model and revision, or none.
const DemoBundle::Camera* packageFor(const std::vector<DemoBundle::Camera>& cameras,
                                     const DemoBundle::Camera& entry)
{
    for (const DemoBundle::Camera& made : cameras)
    {
        if (made.modelName == entry.modelName && made.cameraId == entry.cameraId &&
            made.hardwareRevision == entry.hardwareRevision)
        {
            return &made;
        }
    }
    return nullptr;
}

QString packageTitle(const DemoBundle::Camera& entry)
{
    QString title =
        QStringLiteral("%1, camera ID %2").arg(QString::fromStdString(entry.modelName)).arg(entry.cameraId);
    if (entry.hardwareRevision >= 0)
    {
        title += QStringLiteral(", hardware revision %1").arg(entry.hardwareRevision);
    }
    return title;
}

// The simulated and emulated cameras the registry lists, one entry per model
// and hardware revision: two cameras of one kind share a package, since two
// equal packages would each fit both and leave every camera asking which.
std::vector<DemoBundle::Camera> demoCameras(QTextStream& out)
{
    namespace Names = CameraInterface::PropertyNames;
    std::vector<DemoBundle::Camera> cameras;
    for (const auto& [serial, model] : CameraInterface::Camera::getCamerasList())
    {
        CameraInterface::CameraLease camera = CameraInterface::Camera::acquireCamera(serial);
        DemoBundle::Camera entry;
        if (!isDemoCamera(camera.get(), entry.reportsProgrammedVersions))
        {
            out << "Skipping camera " << QString::fromStdString(serial)
                << ": neither a simulated nor an emulated camera.\n";
            continue;
        }
        if (!camera->isConnected())
        {
            camera->connect();
        }
        entry.modelName = camera->getProperty(Names::MODEL_NAME).getValue();
        entry.cameraId =
            static_cast<std::uint32_t>(std::stoul(camera->getProperty(Names::CAMERA_ID).getValue()));
        entry.hardwareRevision = hardwareRevision(*camera);
        if (packageFor(cameras, entry) != nullptr)
        {
            out << "Camera " << QString::fromStdString(serial) << " (" << packageTitle(entry)
                << ") shares the package made for its model.\n";
            continue;
        }
        cameras.push_back(entry);
        out << "Package for " << QString::fromStdString(serial) << " (" << packageTitle(entry) << ")\n";
    }
    return cameras;
}

} // namespace

BundleDemoCommand::BundleDemoCommand(QTextStream& out, QTextStream& err)
    : Command({{QStringLiteral("bundle"), QStringLiteral("demo")},
               QStringLiteral("a demonstration bundle for the simulated and emulated cameras attached"),
               QStringLiteral("Makes a demonstration bundle for the simulated cameras and the emulated\n"
                              "vendor-driver cameras (VX_OSTRA_RIG) attached, one package per model and\n"
                              "hardware revision: generated boot loader and firmware images in the\n"
                              "programmer's image format, an FPGA bit stream written bit-reversed, a\n"
                              "zipped USB3 Vision description file with its record, and AFE data. None of\n"
                              "it is real firmware: cameras of other kinds, real vendor-driver cameras\n"
                              "among them, get no package.\n"),
               {},
               {{QStringLiteral("BUNDLE"), QStringLiteral("the bundle to write")}},
               EFFECT::CHANGES},
              out, err)
{
}

int BundleDemoCommand::execute(const QCommandLineParser& /*parser*/)
{
    const QString& bundlePath = positional().at(0);
    std::vector<DemoBundle::Camera> cameras;
    try
    {
        Workspace workspace;
        cameras = demoCameras(m_Out);
    }
    catch (const std::exception& error)
    {
        m_Err << "Error: " << EngineLog::describe(error) << "\n";
        return ExitCodes::FAILURE;
    }
    if (cameras.empty())
    {
        m_Err << "Error: there is no simulated or emulated camera attached; the demonstration bundle is made "
                 "for those only.\n";
        return ExitCodes::FAILURE;
    }
    const DemoBundle bundle(cameras);
    const DemoBundle::Files& files = bundle.files();
    BundleWriter writer;
    const bool written = writer.write(
        bundle.manifest(),
        [&files](const Package& package, const Load& load, QByteArray& content, QString& error)
        {
            const auto found = files.find(QString::fromStdString(CameraUpdate::packageFolderName(package)) +
                                          QLatin1Char('/') + QString::fromStdString(load.fileName));
            if (found == files.end())
            {
                error = QStringLiteral("no generated file %1").arg(QString::fromStdString(load.fileName));
                return false;
            }
            content = found->second;
            return true;
        },
        bundlePath);
    if (BundleReport::print(writer, written, m_Out, m_Err) != ExitCodes::SUCCESS)
    {
        return ExitCodes::FAILURE;
    }
    BundleVerifier verifier;
    if (!verifier.verify(bundlePath))
    {
        m_Err << "Error: the bundle just written does not verify:\n" << verifier.lastError() << "\n";
        return ExitCodes::FAILURE;
    }
    m_Out << "Demonstration bundle verified: " << bundlePath << "\n";
    return ExitCodes::SUCCESS;
}
