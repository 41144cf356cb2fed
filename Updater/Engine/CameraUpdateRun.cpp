// CameraUpdate: the update run on its worker thread, load by load along the
// chain of the selected package.

#include "Engine/CameraUpdate.h"

#include "Engine/CameraLock.h"
#include "Engine/EngineLog.h"
#include "Engine/LogScope.h"

#include "Cameras/Camera.h"
#include "Cameras/CameraLease.h"
#include "Functions/FunctionVocabulary.h"
#include "Properties/PropertyNames.h"
#include "Records/Usb3VisionInfo.h"
#include "Sha1/Sha1Hash.h"
#include "Utilities/Programmer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <optional>
#include <set>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace
{

using Status = UpdateProgress::LoadStatus;
using Utilities::Programmer;
namespace Functions = CameraInterface::FunctionVocabulary;

constexpr unsigned char FAST_FPGA_CONFIG_STATUS = 0x40;

QVersionNumber firmwareVersion(CameraInterface::Camera& camera)
{
    return CameraUpdate::parseVersionText(
        camera.getProperty(CameraInterface::PropertyNames::FIRMWARE_VERSION).getValue());
}

void updateFlash(CameraInterface::Camera& camera, std::uint32_t address,
                 const std::vector<unsigned char>& bytes)
{
    std::vector<std::string> parameters{std::to_string(address), std::string(bytes.begin(), bytes.end())};
    camera.perform(Functions::UPDATE_FLASH, parameters);
}

} // namespace

// ---------------------------------------------------------------------------
// Starting and ending a run

bool CameraUpdate::startUpdate(CameraInterface::CameraLease& camera)
{
    {
        std::lock_guard<std::mutex> lock(m_RunMutex);
        if (m_Running)
        {
            EngineLog::warning(QStringLiteral("An update is already running; a second one was not started."));
            return false;
        }
        m_Running = true;
    }
    // Another program driving the same camera would interleave its flash
    // writes with these.
    auto lock = std::make_unique<CameraLock>(camera->getSerialNumber());
    if (!lock->acquire())
    {
        m_LastError = lock->errorText();
        EngineLog::error(m_LastError);
        endRun();
        emit updateStarted(false);
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(m_RunMutex);
        m_RunLock = std::move(lock);
    }
    // The worker takes a lease of its own, on its own thread, and holds it to
    // the end of the run: the registry then cannot destroy the camera under
    // it, whatever its disconnection pass decides meanwhile. The caller's
    // lease keeps the camera until the worker holds it.
    bool started = false;
    try
    {
        std::promise<bool> leased;
        std::future<bool> answer = leased.get_future();
        std::thread worker(&CameraUpdate::work, this, camera->getSerialNumber(), &camera.get(),
                           std::move(leased), LogScope::current());
        worker.detach();
        started = answer.get();
    }
    catch (const std::exception& error)
    {
        EngineLog::error(QStringLiteral("The update worker could not be started: %1")
                             .arg(QString::fromLocal8Bit(error.what())));
        endRun();
    }
    if (!started)
    {
        // A worker that got no lease ends by itself at once.
        waitUntilUpdateEnds();
    }
    emit updateStarted(started);
    return started;
}

void CameraUpdate::work(const std::string& serialNumber, CameraInterface::Camera* expected,
                        std::promise<bool> leased, const QString& logLabel)
{
    // The run logs under the label of the thread that started it.
    const LogScope scope(logLabel);
    {
        std::optional<CameraInterface::CameraLease> lease;
        try
        {
            lease.emplace(CameraInterface::Camera::acquireCamera(serialNumber));
        }
        catch (const std::exception& error)
        {
            EngineLog::caught(error);
        }
        // Another object of the same serial number is another camera.
        const bool held = lease && &lease->get() == expected;
        leased.set_value(held);
        if (held)
        {
            run(lease->get());
        }
    }
    endRun();
}

void CameraUpdate::endRun()
{
    std::lock_guard<std::mutex> lock(m_RunMutex);
    m_RunLock.reset();
    m_Running = false;
    m_RunEnded.notify_all();
}

bool CameraUpdate::isUpdateRunning() const
{
    std::lock_guard<std::mutex> lock(m_RunMutex);
    return m_Running;
}

void CameraUpdate::waitUntilUpdateEnds()
{
    std::unique_lock<std::mutex> lock(m_RunMutex);
    m_RunEnded.wait(lock, [this] { return !m_Running; });
}

// ---------------------------------------------------------------------------
// The run

void CameraUpdate::run(CameraInterface::Camera& camera)
{
    try
    {
        walkChain(camera);
    }
    catch (...)
    {
        endRunOnError(camera);
    }
}

void CameraUpdate::walkChain(CameraInterface::Camera& camera)
{
    m_Finished = false;
    m_Succeeded = true;
    m_Progress->reset();
    m_Progress->setTotalSteps(2 * m_LoadsToUpdate);

    Load* current = findFirstLoad();
    if (current == nullptr)
    {
        failRun(tr("The selected package could not be programmed."));
    }
    // A chain whose links lead back to a load already handled would never
    // end.
    std::set<const Load*> visited;
    for (;;)
    {
        // A failed run ends with its failure alone, even when the failing
        // step had marked the chain finished.
        if (!m_Succeeded)
        {
            return;
        }
        if (m_Finished)
        {
            emit updateCompleted();
            return;
        }
        if (!visited.insert(current).second)
        {
            EngineLog::error(QStringLiteral("The load chain leads back to load %1 (%2); the update stops.")
                                 .arg(current->loadNumber)
                                 .arg(QString::fromStdString(current->fileName)));
            failRun(tr("Programming unsuccessful."));
            continue;
        }
        current = handleLoad(camera, *current);
    }
}

Load* CameraUpdate::handleLoad(CameraInterface::Camera& camera, Load& load)
{
    m_Progress->setLoad(load);
    m_Progress->setFileProgress(0);
    if (!load.updateRequired && !load.forceUpdate)
    {
        m_Progress->setLoadStatus(Status::Skipped);
        m_Progress->setFileProgress(100);
        record(load, QStringLiteral("skipped"));
        Load* next = nextLoadOf(load);
        m_Finished = next == nullptr;
        return next;
    }

    EngineLog::info(tr("Starting update process for load %1.").arg(QString::fromStdString(load.fileName)));
    // Recorded before the camera is touched: a run cut off from here on
    // names this load as the one it was in.
    if (m_Journal != nullptr)
    {
        m_Journal->loadStarted(load);
    }
    m_LoadInProgress = &load;
    const bool programmed =
        preProgramming(camera, load) && programming(camera, load) && postProgramming(camera, load);
    m_LoadInProgress = nullptr;
    record(load, programmed ? QStringLiteral("done") : QStringLiteral("failed"));
    if (!programmed)
    {
        failRun(tr("Programming unsuccessful."));
        return &load;
    }
    const bool xsvf = load.loadType == "XSVF";
    if (!xsvf)
    {
        m_Progress->setLoadStatus(Status::Done);
    }
    Load* next = nextLoadOf(load);
    if (next == nullptr)
    {
        m_Finished = true;
        return &load;
    }
    if (!xsvf)
    {
        m_Progress->loadCompleted();
    }
    return next;
}

void CameraUpdate::record(const Load& load, const QString& outcome)
{
    if (m_Journal != nullptr)
    {
        m_Journal->loadEnded(load, outcome);
    }
}

void CameraUpdate::failRun(const QString& failure)
{
    m_Succeeded = false;
    m_Progress->setLoadStatus(Status::Failed);
    emit updateFailed(failure);
}

void CameraUpdate::endRunOnError(CameraInterface::Camera& camera)
{
    m_Succeeded = false;
    if (m_LoadInProgress != nullptr)
    {
        record(*m_LoadInProgress, QStringLiteral("failed"));
        m_LoadInProgress = nullptr;
    }
    try
    {
        throw;
    }
    catch (const std::exception& error)
    {
        EngineLog::caught(error);
    }
    catch (...)
    {
        EngineLog::error(QStringLiteral("The update stopped on an unknown error."));
    }
    m_Progress->setLoadStatus(Status::Failed);
    bool alive = false;
    try
    {
        alive = camera.isCameraAlive();
    }
    catch (...)
    {
        // A camera that cannot say is taken as gone.
    }
    emit updateFailed(alive ? tr("An error occurred during the update process.")
                            : tr("Camera was disconnected during update."));
}

// ---------------------------------------------------------------------------
// Steps

bool CameraUpdate::preProgramming(CameraInterface::Camera& camera, Load& load)
{
    bool succeeded = false;
    switch (load.flashControlOperation)
    {
    case FLASH_CONTROL_OPERATION::NONE:
    case FLASH_CONTROL_OPERATION::SAVE_U3V_INFO:
    case FLASH_CONTROL_OPERATION::SAVE_AFE_INFO:
        succeeded = true;
        break;
    case FLASH_CONTROL_OPERATION::BOOTLOADER:
        // A run resumed after an interruption restores the status the cut-off
        // run found, not the cleared one that run left.
        m_SavedFlashStatus = load.resumedFlashStatus >= 0
                                 ? static_cast<unsigned char>(load.resumedFlashStatus)
                                 : Programmer::readFlashStatus(camera, load.flashAddress);
        if (m_Journal != nullptr)
        {
            m_Journal->flashStatusSaved(load, m_SavedFlashStatus);
        }
        Programmer::writeFlashStatus(camera, load.flashAddress, 0);
        succeeded = Programmer::readFlashStatus(camera, load.flashAddress) == 0;
        break;
    case FLASH_CONTROL_OPERATION::LOAD_FIRMWARE_IN_RAM:
        succeeded = runLoadFirmwareInRam(camera, load);
        break;
    case FLASH_CONTROL_OPERATION::FAST_FPGA_CONFIG:
        Programmer::writeFlashStatus(camera, load.flashAddress, FAST_FPGA_CONFIG_STATUS);
        succeeded = Programmer::readFlashStatus(camera, load.flashAddress) == FAST_FPGA_CONFIG_STATUS;
        break;
    case FLASH_CONTROL_OPERATION::XSVF:
        // The player drives the load that follows: its row shows the playing.
        if (Load* next = nextLoadOf(load))
        {
            m_Progress->setLoad(*next);
            m_Progress->setLoadStatus(Status::Loading);
            Programmer::jtagXsvf(camera, load.data);
            succeeded = true;
        }
        else
        {
            m_Finished = true;
        }
        break;
    }
    EngineLog::info(
        tr("Pre-Programming step finished with: %1").arg(succeeded ? tr("Success") : tr("Failed")));
    return succeeded;
}

bool CameraUpdate::runLoadFirmwareInRam(CameraInterface::Camera& camera, const Load& load)
{
    // A firmware of version 1.0 or later runs already and can program flash.
    if (!(load.currentVersion < QVersionNumber(1, 0)))
    {
        return true;
    }
    m_Progress->setLoadStatus(Status::Loading);
    try
    {
        runFirmwareInRam(camera, load.data);
        return true;
    }
    catch (const std::invalid_argument& error)
    {
        EngineLog::error(QStringLiteral("Invalid argument: ") + QString::fromLocal8Bit(error.what()));
    }
    catch (const std::runtime_error& error)
    {
        EngineLog::error(QStringLiteral("Runtime error: ") + QString::fromLocal8Bit(error.what()));
    }
    catch (const std::exception& error)
    {
        EngineLog::error(QStringLiteral("Exception: ") + QString::fromLocal8Bit(error.what()));
    }
    catch (...)
    {
        EngineLog::error(QStringLiteral("Failed to load firmware."));
    }
    return false;
}

void CameraUpdate::runFirmwareInRam(CameraInterface::Camera& camera, const std::vector<unsigned char>& data)
{
    // While suspended the registry keeps the camera through its restarts.
    camera.suspend();
    if (firmwareVersion(camera).majorVersion() != 0)
    {
        std::vector<std::string> parameters{Functions::REBOOT_BOOTLOADER};
        camera.perform(Functions::REBOOT, parameters);
        waitForReconnection(camera);
        if (firmwareVersion(camera).majorVersion() != 0)
        {
            throw std::runtime_error("Failed to start camera in bootloader mode.");
        }
    }
    // A camera found in its boot loader is still suspended from above, and a
    // suspended camera cannot be suspended again.
    if (camera.isConnected())
    {
        camera.suspend();
    }
    Programmer::writeFirmwareToRam(camera, data);
    waitForReconnection(camera);
    if (firmwareVersion(camera).majorVersion() == 0)
    {
        throw std::runtime_error("Failed to run firmware in RAM.");
    }
}

void CameraUpdate::waitForReconnection(CameraInterface::Camera& camera)
{
    // At least one attempt: a camera is never taken as back without one.
    const int attempts = std::max(1, m_Timing.reconnectionAttempts);
    for (int attempt = 1; attempt <= attempts; ++attempt)
    {
        std::this_thread::sleep_for(m_Timing.reconnectionDelay);
        try
        {
            camera.connect();
            if (camera.isCameraAlive())
            {
                return;
            }
            throw std::runtime_error("Connection attempt failed.");
        }
        catch (...)
        {
            if (attempt == attempts)
            {
                throw std::runtime_error("Failed to reconnect to camera.");
            }
        }
    }
}

bool CameraUpdate::programming(CameraInterface::Camera& camera, Load& load)
{
    bool succeeded = false;
    switch (load.programmingMethod)
    {
    case PROGRAMMING_METHOD::NONE:
    case PROGRAMMING_METHOD::JTAG_XSVF:
        succeeded = true;
        break;
    case PROGRAMMING_METHOD::WRITE_CYPRESS_IMAGE_TO_FLASH:
        m_Progress->setLoadStatus(Status::Updating);
        Programmer::writeFirmwareToFlash(camera, load.data, load.flashAddress, load.flashSize,
                                         IMAGE_BLOCK_SIZE, m_ProgressCallback);
        m_Progress->loadCompleted();
        m_Progress->setLoadStatus(Status::Verifying);
        succeeded = Programmer::compareFlash(camera, load.data, load.flashAddress, IMAGE_BLOCK_SIZE,
                                             m_ProgressCallback);
        break;
    case PROGRAMMING_METHOD::WRITE_BUFFER_TO_FLASH:
    {
        const std::vector<unsigned char> image = flashImageOf(load);
        m_Progress->setLoadStatus(Status::Updating);
        Programmer::writeBufferToFlash(camera, image, load.flashAddress, load.flashSize, IMAGE_BLOCK_SIZE,
                                       m_ProgressCallback);
        m_Progress->loadCompleted();
        m_Progress->setLoadStatus(Status::Verifying);
        succeeded =
            Programmer::compareFlash(camera, image, load.flashAddress, IMAGE_BLOCK_SIZE, m_ProgressCallback);
        break;
    }
    }
    EngineLog::info(
        tr("Programming step finished with status: %1").arg(succeeded ? tr("Success") : tr("Failed")));
    return succeeded;
}

bool CameraUpdate::postProgramming(CameraInterface::Camera& camera, Load& load)
{
    bool succeeded = false;
    switch (load.flashControlOperation)
    {
    case FLASH_CONTROL_OPERATION::NONE:
    case FLASH_CONTROL_OPERATION::LOAD_FIRMWARE_IN_RAM:
    case FLASH_CONTROL_OPERATION::FAST_FPGA_CONFIG:
    case FLASH_CONTROL_OPERATION::XSVF:
        succeeded = true;
        break;
    case FLASH_CONTROL_OPERATION::BOOTLOADER:
        Programmer::writeFlashStatus(camera, load.flashAddress, m_SavedFlashStatus);
        succeeded = Programmer::readFlashStatus(camera, load.flashAddress) == m_SavedFlashStatus;
        break;
    case FLASH_CONTROL_OPERATION::SAVE_U3V_INFO:
    {
        VxInternal::Usb3VisionInfo info = readUsb3VisionInfo(camera, load.versionFlashAddress);
        const QVector<int> segments = load.loadVersion.segments();
        for (int index = 0; index < 3; ++index)
        {
            info.fileVersion[index] =
                static_cast<unsigned char>(index < segments.size() ? segments[index] : 0);
        }
        info.fileSize = static_cast<std::uint32_t>(load.data.size());
        info.reserved = 0;
        const std::vector<unsigned char> digest = VxInternal::calculateSha1Hash(load.data);
        std::memcpy(info.fileSha1, digest.data(), sizeof(info.fileSha1));
        std::vector<unsigned char> record(sizeof(info));
        std::memcpy(record.data(), &info, sizeof(info));
        updateFlash(camera, load.versionFlashAddress, record);
        succeeded = Programmer::compareFlash(camera, record, load.versionFlashAddress, RECORD_BLOCK_SIZE);
        break;
    }
    case FLASH_CONTROL_OPERATION::SAVE_AFE_INFO:
    {
        std::vector<unsigned char> record(load.fileName.begin(), load.fileName.end());
        record.push_back(0);
        updateFlash(camera, load.versionFlashAddress, record);
        succeeded = Programmer::compareFlash(camera, record, load.versionFlashAddress, RECORD_BLOCK_SIZE);
        break;
    }
    }
    EngineLog::info(
        tr("Post-Programming step finished with status: %1").arg(succeeded ? tr("Success") : tr("Failed")));
    return succeeded;
}

void CameraUpdate::onFileProgress(double fraction)
{
    // The programmer reports every block; the record changes only when the
    // whole percentage does, and only then are its signals worth sending.
    const double percent = std::ceil(fraction * 100.0);
    const std::uint32_t value = percent <= 0.0     ? 0U
                                : percent >= 100.0 ? 100U
                                                   : static_cast<std::uint32_t>(percent);
    if (value != m_Progress->filePercent())
    {
        m_Progress->setFileProgress(value);
    }
}
