#include "DemoBundle.h"

#include "Engine/CameraUpdate.h"
#include "Engine/Package.h"

#include <QBuffer>
#include <QXmlStreamWriter>
#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>

#include <functional>
#include <optional>
#include <stdexcept>

namespace
{

// One load of the manifest: element name and text, in manifest order.
using Fields = std::vector<std::pair<QString, QString>>;

void appendLittleEndian(QByteArray& bytes, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
    {
        bytes.append(static_cast<char>((value >> shift) & 0xFF));
    }
}

QByteArray randomBytes(std::mt19937& random, int count)
{
    QByteArray bytes(count, '\0');
    for (char& byte : bytes)
    {
        byte = static_cast<char>(random() & 0xFF);
    }
    return bytes;
}

QString hexadecimal(std::uint32_t value)
{
    return QStringLiteral("0x") + QString::number(value, 16).toUpper();
}

void writeLoad(QXmlStreamWriter& writer, const Fields& fields)
{
    writer.writeStartElement(QStringLiteral("Load"));
    for (const auto& [name, text] : fields)
    {
        writer.writeTextElement(name, text);
    }
    writer.writeEndElement();
}

// The loads of every demonstration package, in manifest order: the file
// name after the model name, how its bytes are made, and the manifest's
// elements without FileName. The flash loads are verified by comparing flash
// (simulated cameras report fixed versions), the description file by its
// record.
//
// Emulated vendor-driver cameras report the versions stamped into what was
// programmed: their firmware and FPGA loads carry a stamp at `offset` and are
// verified by the version the camera reports.
struct ProgrammedVersion
{
    int offset;
    int major;
    int minor;
    const char* loadVersion;
    const char* verificationMethod;
};

struct DemoLoad
{
    const char* fileSuffix;
    std::function<QByteArray(std::mt19937&, const QString& model)> content;
    Fields fields;
    std::optional<ProgrammedVersion> stamp;
};

void setField(Fields& fields, const QString& name, const QString& text)
{
    for (auto& [fieldName, fieldText] : fields)
    {
        if (fieldName == name)
        {
            fieldText = text;
        }
    }
}

const std::vector<DemoLoad>& demoLoads()
{
    static const std::vector<DemoLoad> loads{
        {"_Bootloader_1.1.img",
         [](std::mt19937& random, const QString&)
         { return DemoBundle::firmwareImage(random, 3, 16 * 1024, 0x00000000); },
         {{"LoadNumber", "0x1"},
          {"LoadType", "Bootloader"},
          {"LoadVersion", "1.1"},
          {"ProgrammingMethod", "WriteCypressImageToFlash"},
          {"VersionVerificationMethod", "Bootloader"},
          {"FlashControlOperation", "Bootloader"},
          {"FlashAddress", "0x000000"},
          {"FlashSize", "0x10000"},
          {"NextLoad", "2"}},
         std::nullopt},
        {"_Firmware_2.5.0.img",
         [](std::mt19937& random, const QString&)
         { return DemoBundle::firmwareImage(random, 15, 64 * 1024, 0x40000000); },
         {{"LoadNumber", "0x2"},
          {"LoadType", "Firmware"},
          {"LoadVersion", "2.5.0"},
          {"ProgrammingMethod", "WriteCypressImageToFlash"},
          {"VersionVerificationMethod", "Bootloader"},
          {"FlashControlOperation", "None"},
          {"FlashAddress", "0x010000"},
          {"FlashSize", "0x100000"},
          {"NextLoad", "3"}},
         // The first section's data starts after the header and its record.
         ProgrammedVersion{12, 2, 5, "2.5", "Firmware"}},
        {"_FPGA_1.8.bit",
         [](std::mt19937& random, const QString&) { return randomBytes(random, 256 * 1024); },
         {{"LoadNumber", "0x3"},
          {"LoadType", "FPGA"},
          {"LoadVersion", "1.8"},
          {"FlipBits", "true"},
          {"ProgrammingMethod", "WriteBufferToFlash"},
          {"VersionVerificationMethod", "Bootloader"},
          {"FlashControlOperation", "FastFPGAConfig"},
          {"FlashAddress", "0x110000"},
          {"FlashSize", "0x80000"},
          {"NextLoad", "4"}},
         ProgrammedVersion{0, 1, 8, "1.8", "FPGA"}},
        {"_U3V_1.3.0.zip",
         [](std::mt19937&, const QString& model) { return DemoBundle::descriptionFile(model, 1, 3, 0); },
         {{"LoadNumber", "0x4"},
          {"LoadType", "U3V"},
          {"LoadVersion", "1.3.0"},
          {"ProgrammingMethod", "WriteBufferToFlash"},
          {"VersionVerificationMethod", "U3V"},
          {"FlashControlOperation", "SaveU3VInfo"},
          {"FlashAddress", "0x1B8000"},
          {"FlashSize", "0x40000"},
          {"VersionFlashAddress", "0x1B0000"},
          {"VersionFlashSize", "0x60"},
          {"NextLoad", "5"}},
         std::nullopt},
        {"_AFETiming_v1.3.bin",
         [](std::mt19937& random, const QString&) { return randomBytes(random, 4 * 1024); },
         {{"LoadNumber", "0x5"},
          {"LoadType", "AFE"},
          {"LoadVersion", "1.3"},
          {"ProgrammingMethod", "WriteBufferToFlash"},
          {"VersionVerificationMethod", "AFE"},
          {"FlashControlOperation", "SaveAFEInfo"},
          {"FlashAddress", "0x191000"},
          {"FlashSize", "0x10000"},
          {"VersionFlashAddress", "0x190F00"},
          {"VersionFlashSize", "0x100"},
          {"NextLoad", "0"}},
         std::nullopt},
    };
    return loads;
}

} // namespace

DemoBundle::DemoBundle(const std::vector<Camera>& cameras)
{
    QXmlStreamWriter writer(&m_Manifest);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    writer.writeComment(
        QStringLiteral(" Demonstration bundle for simulated cameras: generated data, not firmware. "));
    writer.writeStartElement(QStringLiteral("Manifest"));
    writer.writeAttribute(QStringLiteral("RequiredUpdaterVersion"), QStringLiteral("3.0.0"));
    writer.writeStartElement(QStringLiteral("Packages"));
    for (const Camera& camera : cameras)
    {
        addPackage(writer, camera);
    }
    writer.writeEndElement();
    // The writer fills in the tag.
    writer.writeTextElement(QStringLiteral("ManifestSecurityTag"), QString());
    writer.writeEndElement();
    writer.writeEndDocument();
}

void DemoBundle::addPackage(QXmlStreamWriter& writer, const Camera& camera)
{
    const QString model = QString::fromStdString(camera.modelName);
    Package package;
    package.modelName = camera.modelName;
    package.modelId = camera.cameraId;
    package.hardwareRevision = camera.hardwareRevision < 0 ? Package::ANY_REVISION : camera.hardwareRevision;
    const QString folder =
        QString::fromStdString(CameraUpdate::packageFolderName(package)) + QLatin1Char('/');
    // Every camera model gets its own, reproducible bytes.
    std::mt19937 random(static_cast<std::mt19937::result_type>(qHash(model)));

    writer.writeStartElement(QStringLiteral("Package"));
    writer.writeTextElement(QStringLiteral("ModelID"), hexadecimal(camera.cameraId));
    if (package.hardwareRevision != Package::ANY_REVISION)
    {
        writer.writeTextElement(QStringLiteral("HardwareRevision"),
                                QString::number(package.hardwareRevision));
    }
    writer.writeTextElement(QStringLiteral("ModelName"), model);
    writer.writeTextElement(QStringLiteral("ModelFamily"), QStringLiteral("Demo"));
    writer.writeStartElement(QStringLiteral("Loads"));
    for (const DemoLoad& load : demoLoads())
    {
        const QString fileName = model + QLatin1String(load.fileSuffix);
        QByteArray content = load.content(random, model);
        Fields fields = load.fields;
        if (camera.reportsProgrammedVersions && load.stamp)
        {
            content.replace(load.stamp->offset, 8, versionStamp(load.stamp->major, load.stamp->minor));
            setField(fields, QStringLiteral("LoadVersion"), QLatin1String(load.stamp->loadVersion));
            setField(fields, QStringLiteral("VersionVerificationMethod"),
                     QLatin1String(load.stamp->verificationMethod));
        }
        m_Files[folder + fileName] = content;
        // After LoadNumber and LoadType.
        fields.insert(fields.begin() + 2, {QStringLiteral("FileName"), fileName});
        writeLoad(writer, fields);
    }
    writer.writeEndElement();
    writer.writeEndElement();
}

QByteArray DemoBundle::firmwareImage(std::mt19937& random, int sections, int sectionBytes,
                                     std::uint32_t loadAddress)
{
    if (sectionBytes <= 0 || sectionBytes % 4 != 0)
    {
        throw std::invalid_argument("Image sections are whole 32-bit words.");
    }
    // Signature, control byte, image type.
    QByteArray image("\x43\x59\x00\xB0", 4);
    std::uint32_t address = loadAddress;
    for (int section = 0; section < sections; ++section)
    {
        appendLittleEndian(image, static_cast<std::uint32_t>(sectionBytes / 4));
        appendLittleEndian(image, address);
        image.append(randomBytes(random, sectionBytes));
        address += static_cast<std::uint32_t>(sectionBytes);
    }
    // The end record carries the entry address.
    appendLittleEndian(image, 0);
    appendLittleEndian(image, loadAddress);
    return image;
}

QByteArray DemoBundle::descriptionFile(const QString& modelName, int major, int minor, int subMinor)
{
    QByteArray xml;
    QXmlStreamWriter writer(&xml);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    writer.writeStartElement(QStringLiteral("RegisterDescription"));
    writer.writeAttribute(QStringLiteral("ModelName"), modelName);
    writer.writeAttribute(QStringLiteral("VendorName"), QStringLiteral("Veltrax"));
    writer.writeAttribute(QStringLiteral("ToolTip"),
                          QStringLiteral("Demonstration description, not for a real camera"));
    writer.writeAttribute(QStringLiteral("MajorVersion"), QString::number(major));
    writer.writeAttribute(QStringLiteral("MinorVersion"), QString::number(minor));
    writer.writeAttribute(QStringLiteral("SubMinorVersion"), QString::number(subMinor));
    writer.writeEmptyElement(QStringLiteral("Category"));
    writer.writeAttribute(QStringLiteral("Name"), QStringLiteral("Root"));
    writer.writeEndElement();
    writer.writeEndDocument();

    QByteArray zipped;
    QBuffer buffer(&zipped);
    QuaZip zip(&buffer);
    if (!zip.open(QuaZip::mdCreate))
    {
        throw std::runtime_error("The description file could not be zipped.");
    }
    QuaZipFile entry(&zip);
    if (!entry.open(QIODevice::WriteOnly, QuaZipNewInfo(modelName + QStringLiteral(".xml"))) ||
        entry.write(xml) != xml.size())
    {
        throw std::runtime_error("The description file could not be zipped.");
    }
    entry.close();
    zip.close();
    if (zip.getZipError() != UNZ_OK)
    {
        throw std::runtime_error("The description file could not be zipped.");
    }
    return zipped;
}

QByteArray DemoBundle::versionStamp(int major, int minor)
{
    const auto version = static_cast<std::uint16_t>((major << 8) | minor);
    const auto check = static_cast<std::uint16_t>(~version);
    QByteArray stamp("VXVS", 4);
    for (const std::uint16_t value : {version, check})
    {
        stamp.append(static_cast<char>(value & 0xFF));
        stamp.append(static_cast<char>(value >> 8));
    }
    return stamp;
}
