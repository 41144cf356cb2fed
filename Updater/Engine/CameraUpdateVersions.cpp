// CameraUpdate: what the camera holds now, and what therefore needs programming.

#include "Engine/CameraUpdate.h"
#include "Engine/UpdateHistory.h"

#include "Engine/DisplayText.h"
#include "Engine/EngineLog.h"

#include "Cameras/Camera.h"
#include "Functions/FunctionVocabulary.h"
#include "Properties/PropertyNames.h"
#include "Records/Usb3VisionInfo.h"
#include "Utilities/Programmer.h"

#include <QBuffer>
#include <QFile>
#include <QXmlStreamReader>
#include <quazip.h>
#include <quazipfile.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace
{

namespace Names = CameraInterface::PropertyNames;
namespace Functions = CameraInterface::FunctionVocabulary;

// A description file inflates to a few megabytes; flash holding more than
// this is not one.
constexpr qint64 DESCRIPTION_SIZE_LIMIT = 64LL * 1024 * 1024;

const QVersionNumber ZERO_ZERO(0, 0);

QVersionNumber propertyVersion(CameraInterface::Camera& camera, const char* property)
{
    return CameraUpdate::parseVersionText(camera.getProperty(property).getValue());
}

// The AFE timing version, or none: a metadata name too short to carry an
// extension ends in the standard out-of-range error, which makes the version
// unknown (the load is then programmed), not the reading of every version.
QVersionNumber afeTimingVersion(CameraInterface::Camera& camera)
{
    try
    {
        return propertyVersion(camera, CameraInterface::PropertyNames::AFE_TIMING_VERSION);
    }
    catch (const std::out_of_range& error)
    {
        EngineLog::warning(
            QStringLiteral("The camera's AFE metadata names no timing file (%1); its AFE timing "
                           "version is unknown.")
                .arg(DisplayText::shown(std::string(error.what()))));
        return QVersionNumber();
    }
}

// The version of a property that reports 0.0 when the part is absent.
QVersionNumber versionUnlessZero(const QVersionNumber& version)
{
    return version == ZERO_ZERO ? QVersionNumber() : version;
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\n\v\f\r");
    if (first == std::string::npos)
    {
        return std::string();
    }
    const auto last = text.find_last_not_of(" \t\n\v\f\r");
    return text.substr(first, last - first + 1);
}

// The whole of the current entry, or nothing past the limit.
bool readEntry(QuaZipFile& entry, QByteArray& content)
{
    content.clear();
    char buffer[65536];
    for (;;)
    {
        const qint64 count = entry.read(buffer, sizeof(buffer));
        if (count < 0)
        {
            return false;
        }
        if (count == 0)
        {
            return entry.atEnd();
        }
        if (content.size() + count > DESCRIPTION_SIZE_LIMIT)
        {
            return false;
        }
        content.append(buffer, static_cast<int>(count));
    }
}

// "Major.Minor.SubMinor" from the description file's root element.
std::string descriptionVersion(const std::vector<unsigned char>& file)
{
    QByteArray bytes(reinterpret_cast<const char*>(file.data()), static_cast<int>(file.size()));
    QBuffer buffer(&bytes);
    QuaZip zip(&buffer);
    if (!zip.open(QuaZip::mdUnzip) || !zip.goToFirstFile())
    {
        return std::string();
    }
    const QStringList nameParts = zip.getCurrentFileName().split(QLatin1Char('.'), Qt::SkipEmptyParts);
    if (nameParts.size() < 2 || nameParts.at(1) != QLatin1String("xml"))
    {
        return std::string();
    }
    QuaZipFile entry(&zip);
    QByteArray xml;
    if (!entry.open(QIODevice::ReadOnly) || !readEntry(entry, xml))
    {
        return std::string();
    }
    QXmlStreamReader reader(xml);
    if (!reader.readNextStartElement() || reader.name() != QLatin1String("RegisterDescription"))
    {
        return std::string();
    }
    const QXmlStreamAttributes attributes = reader.attributes();
    return (attributes.value(QLatin1String("MajorVersion")).toString() + QLatin1Char('.') +
            attributes.value(QLatin1String("MinorVersion")).toString() + QLatin1Char('.') +
            attributes.value(QLatin1String("SubMinorVersion")).toString())
        .toStdString();
}

// Whether `recorded` may have left the camera half programmed: a load begun
// and not finished. Of an interrupted run, whose end was never written, every
// planned load that did not finish counts; of a failed run only those begun,
// since it wrote "not reached" for the others.
bool isUnfinished(const HistoryRun& run, const HistoryLoad& recorded)
{
    if (recorded.decision == QLatin1String("skip") || recorded.outcome == QLatin1String("done") ||
        recorded.outcome == QLatin1String("skipped"))
    {
        return false;
    }
    return run.interrupted() || recorded.outcome == QLatin1String("started") ||
           recorded.outcome == QLatin1String("failed");
}

} // namespace

QVersionNumber CameraUpdate::parseVersionText(const std::string& text)
{
    QVector<int> segments;
    std::size_t start = 0;
    while (start <= text.size())
    {
        std::size_t end = text.find('.', start);
        if (end == std::string::npos)
        {
            end = text.size();
        }
        const std::string part = trimmed(text.substr(start, end - start));
        if (!part.empty())
        {
            segments.append(std::stoi(part));
        }
        start = end + 1;
    }
    return QVersionNumber(segments);
}

std::vector<unsigned char> CameraUpdate::flashImageOf(const Load& load)
{
    if (load.programmingMethod == PROGRAMMING_METHOD::WRITE_BUFFER_TO_FLASH && load.flipBits)
    {
        return Utilities::Programmer::flipBitOrder(load.data);
    }
    return load.data;
}

VxInternal::Usb3VisionInfo CameraUpdate::readUsb3VisionInfo(CameraInterface::Camera& camera,
                                                            std::uint32_t address)
{
    VxInternal::Usb3VisionInfo info;
    std::memset(&info, 0, sizeof(info));
    std::vector<std::string> parameters{std::to_string(address), std::to_string(sizeof(info))};
    const std::vector<std::string> answer = camera.perform(Functions::READ_FLASH, parameters);
    if (!answer.empty() && answer.front().size() >= sizeof(info))
    {
        std::memcpy(&info, answer.front().data(), sizeof(info));
    }
    return info;
}

std::vector<unsigned char> CameraUpdate::readUsb3VisionFile(CameraInterface::Camera& camera,
                                                            std::uint32_t address,
                                                            const VxInternal::Usb3VisionInfo& info)
{
    std::vector<std::string> parameters{std::to_string(address), std::to_string(info.fileSize)};
    const std::vector<std::string> answer = camera.perform(Functions::READ_FLASH, parameters);
    if (answer.empty())
    {
        return {};
    }
    return std::vector<unsigned char>(answer.front().begin(), answer.front().end());
}

std::string CameraUpdate::readUsb3VisionFileVersion(CameraInterface::Camera& camera,
                                                    std::uint32_t infoAddress, std::uint32_t fileAddress)
{
    const VxInternal::Usb3VisionInfo info = readUsb3VisionInfo(camera, infoAddress);
    if (!VxInternal::isUsb3VisionInfoValid(info))
    {
        return std::string();
    }
    // The bytes whose digest was checked are the ones read: reading flash again
    // could give bytes that never were.
    const std::vector<unsigned char> file = readUsb3VisionFile(camera, fileAddress, info);
    if (!VxInternal::isUsb3VisionFileValid(file, info))
    {
        return std::string();
    }
    return descriptionVersion(file);
}

void CameraUpdate::readCurrentVersions(CameraInterface::Camera& camera)
{
    if (!m_SelectedPackage)
    {
        return;
    }
    for (Load& load : m_SelectedPackage->loads)
    {
        QVersionNumber version;
        switch (load.versionVerificationMethod)
        {
        case LOAD_TYPE::NONE:
            break;
        case LOAD_TYPE::BOOTLOADER:
            if (Utilities::Programmer::compareFlash(camera, flashImageOf(load), load.flashAddress,
                                                    RECORD_BLOCK_SIZE))
            {
                version = load.loadVersion;
            }
            break;
        case LOAD_TYPE::FIRMWARE:
            version = propertyVersion(camera, Names::FIRMWARE_VERSION);
            // Major number 0: the camera runs its boot loader, not a firmware.
            if (version.isNull() || version.majorVersion() == 0)
            {
                version = QVersionNumber();
            }
            break;
        case LOAD_TYPE::FPGA:
        case LOAD_TYPE::XSVF:
            version = versionUnlessZero(propertyVersion(camera, Names::FPGA_VERSION));
            break;
        case LOAD_TYPE::FPGA2:
            version = versionUnlessZero(camera.isPropertySupported(Names::FPGA2_VERSION)
                                            ? propertyVersion(camera, Names::FPGA2_VERSION)
                                            : ZERO_ZERO);
            break;
        case LOAD_TYPE::U3V:
            version = parseVersionText(
                readUsb3VisionFileVersion(camera, load.versionFlashAddress, load.flashAddress));
            break;
        case LOAD_TYPE::AFE:
            version = versionUnlessZero(afeTimingVersion(camera));
            break;
        }
        load.currentVersion = version;
        EngineLog::info(tr("Version for load %1(%2) is %3")
                            .arg(QString::fromStdString(load.fileName))
                            .arg(load.loadNumber)
                            .arg(version.toString()));
    }
}

void CameraUpdate::evaluateUpdates()
{
    if (!m_SelectedPackage)
    {
        return;
    }
    for (Load& load : m_SelectedPackage->loads)
    {
        load.resumed = false;
        load.reinstalled = false;
        load.resumedFlashStatus = -1;
        switch (load.versionVerificationMethod)
        {
        case LOAD_TYPE::NONE:
            load.updateRequired = false;
            break;
        case LOAD_TYPE::BOOTLOADER:
        case LOAD_TYPE::FIRMWARE:
        case LOAD_TYPE::FPGA:
        case LOAD_TYPE::FPGA2:
        case LOAD_TYPE::U3V:
            load.updateRequired = load.currentVersion != load.loadVersion;
            break;
        case LOAD_TYPE::XSVF:
            load.updateRequired =
                load.currentVersion.segmentCount() < 2 || load.currentVersion.minorVersion() == 0;
            break;
        case LOAD_TYPE::AFE:
            load.updateRequired = load.currentVersion.isNull();
            break;
        }
    }
}

std::uint32_t CameraUpdate::reinstallMatchingLoads()
{
    std::uint32_t count = 0;
    if (!m_SelectedPackage)
    {
        return count;
    }
    for (Load& load : m_SelectedPackage->loads)
    {
        const bool versioned = load.versionVerificationMethod != LOAD_TYPE::NONE &&
                               load.versionVerificationMethod != LOAD_TYPE::XSVF;
        if (versioned && !load.updateRequired && !load.currentVersion.isNull() &&
            load.currentVersion == load.loadVersion)
        {
            load.updateRequired = true;
            load.reinstalled = true;
            ++count;
        }
    }
    return count;
}

QString CameraUpdate::resumeLoads(const HistoryRun& unfinishedRun)
{
    QString inProgress;
    if (!m_SelectedPackage)
    {
        return inProgress;
    }
    bool inProgressTouched = false;
    for (const HistoryLoad& recorded : unfinishedRun.loads)
    {
        const bool touched =
            recorded.outcome == QLatin1String("started") || recorded.outcome == QLatin1String("failed");
        if (!isUnfinished(unfinishedRun, recorded))
        {
            continue;
        }
        if (inProgress.isEmpty() || (touched && !inProgressTouched))
        {
            inProgress = recorded.loadType;
            inProgressTouched = touched;
        }
        for (Load& load : m_SelectedPackage->loads)
        {
            if (load.loadNumber == recorded.loadNumber &&
                QString::fromStdString(load.loadType) == recorded.loadType)
            {
                load.updateRequired = true;
                load.resumed = true;
                load.resumedFlashStatus = recorded.savedFlashStatus.value_or(-1);
            }
        }
    }
    return inProgress;
}

void CameraUpdate::applyEmbeddedAfeTiming()
{
    if (!m_SelectedPackage)
    {
        return;
    }
    for (Load& load : m_SelectedPackage->loads)
    {
        if (load.loadType != "AFE")
        {
            continue;
        }
        if (!load.updateRequired || load.forceUpdate)
        {
            return;
        }
        QFile embedded(QString::fromUtf8(EMBEDDED_AFE_TIMING_RESOURCE));
        QByteArray content;
        if (embedded.open(QIODevice::ReadOnly))
        {
            content = embedded.readAll();
        }
        if (content.isEmpty())
        {
            EngineLog::warning(QStringLiteral("This build carries no embedded AFE timing file; load %1 keeps "
                                              "the bundle's file.")
                                   .arg(QString::fromStdString(load.fileName)));
            return;
        }
        load.data.assign(content.begin(), content.end());
        load.loadVersion = QVersionNumber(23, 1);
        load.fileName = EMBEDDED_AFE_TIMING_FILE_NAME;
        return;
    }
}

bool CameraUpdate::isUpdateRequired()
{
    m_LoadsToUpdate = 0;
    bool required = false;
    if (!m_SelectedPackage)
    {
        return false;
    }
    for (const Load& load : m_SelectedPackage->loads)
    {
        if (load.updateRequired || load.forceUpdate)
        {
            required = true;
            if (load.loadType != "XSVF")
            {
                ++m_LoadsToUpdate;
            }
        }
    }
    return required;
}

Load* CameraUpdate::findFirstLoad()
{
    Load* first = nullptr;
    if (m_SelectedPackage)
    {
        for (Load& load : m_SelectedPackage->loads)
        {
            if (first == nullptr || load.loadNumber < first->loadNumber)
            {
                first = &load;
            }
        }
    }
    return first;
}

Load* CameraUpdate::findLoadByNumber(std::uint32_t number)
{
    if (m_SelectedPackage)
    {
        for (Load& load : m_SelectedPackage->loads)
        {
            if (load.loadNumber == number)
            {
                return &load;
            }
        }
    }
    return nullptr;
}

Load* CameraUpdate::nextLoadOf(const Load& load)
{
    Load* next = findLoadByNumber(load.nextLoad);
    return next != nullptr ? next : findLoadByNumber(load.alternateNextLoad);
}
