// The emulated camera's GenICam description: well-formed GenApi 1.1 with the
// standard features a client looks for, every register it names served.
#include "U3VGenICamFile.h"
#include "U3VDeviceCommands.h"

#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace
{

using namespace U3VDeviceCommands;

struct Register
{
    std::uint64_t address = 0;
    std::uint16_t length = 0;
    std::string access;
};

struct Description
{
    QString namespaceUri;
    QString schema;
    std::set<std::string> features;
    std::map<std::string, Register> registers;
};

// Reads one register node's address, length and access mode.
Register registerOf(QXmlStreamReader& xml)
{
    Register found;
    const QString kind = xml.name().toString();
    while (xml.readNextStartElement() || !(xml.isEndElement() && xml.name() == kind))
    {
        if (!xml.isStartElement())
        {
            continue;
        }
        const QString name = xml.name().toString();
        const QString text = xml.readElementText();
        if (name == "Address")
        {
            found.address = text.toULongLong(nullptr, 16);
        }
        else if (name == "Length")
        {
            found.length = static_cast<std::uint16_t>(text.toUInt());
        }
        else if (name == "AccessMode")
        {
            found.access = text.toStdString();
        }
    }
    return found;
}

Description parse(const std::string& file)
{
    Description description;
    QXmlStreamReader xml(QByteArray::fromStdString(file));
    while (!xml.atEnd())
    {
        xml.readNext();
        if (!xml.isStartElement())
        {
            continue;
        }
        const QString kind = xml.name().toString();
        const std::string name = xml.attributes().value("Name").toString().toStdString();
        if (kind == "RegisterDescription")
        {
            description.namespaceUri = xml.namespaceUri().toString();
            description.schema = xml.attributes().value("SchemaMajorVersion").toString() + "." +
                                 xml.attributes().value("SchemaMinorVersion").toString();
        }
        else if (kind == "IntReg" || kind == "FloatReg" || kind == "StringReg")
        {
            description.registers[name] = registerOf(xml);
        }
        if (!name.empty())
        {
            description.features.insert(name);
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString() << " at line " << xml.lineNumber();
    return description;
}

TEST(U3VGenICamFileTest, IsGenApi11WithTheStandardFeatures)
{
    const Description description = parse(Emulation::genicamFile("VX-2448M U3V"));
    EXPECT_EQ(description.namespaceUri.toStdString(), "http://www.genicam.org/GenApi/Version_1_1");
    EXPECT_EQ(description.schema.toStdString(), "1.1");
    for (const char* feature :
         {"Root", "DeviceVendorName", "DeviceModelName", "DeviceSerialNumber", "DeviceVersion",
          "DeviceUserID", "Width", "Height", "PixelFormat", "PayloadSize", "AcquisitionMode",
          "AcquisitionStart", "AcquisitionStop", "TLParamsLocked", "ExposureTime", "Gain"})
    {
        EXPECT_EQ(description.features.count(feature), 1U) << feature;
    }
}

TEST(U3VGenICamFileTest, EveryRegisterItNamesAnswersOnTheCamera)
{
    Emulation::U3VDevice device({0xF7E1, 0x1001, "VX-2448M U3V", "4242"}, 4096);
    const std::string served(reinterpret_cast<const char*>(read(device, 0x100000, 16)->data()), 16);
    EXPECT_EQ(served, Emulation::genicamFile("VX-2448M U3V").substr(0, 16)) << "the camera's own file";
    const Description description = parse(Emulation::genicamFile("VX-2448M U3V"));
    ASSERT_GE(description.registers.size(), 18U);
    for (const auto& [name, reg] : description.registers)
    {
        if (reg.access == "WO")
        {
            continue;
        }
        const auto value = read(device, reg.address, reg.length);
        ASSERT_TRUE(value.has_value()) << name;
        if (reg.access == "RW" && reg.length == 4)
        {
            EXPECT_EQ(write32(device, reg.address, static_cast<std::uint32_t>(fieldAt(*value, 0, 4))), 0)
                << name;
        }
    }
}

} // namespace
