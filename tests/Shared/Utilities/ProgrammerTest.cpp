#include "Utilities/Programmer.h"

#include "Cameras/CameraLease.h"
#include "Exceptions/VxAppsException_Function.h"
#include "Functions/FunctionArguments.h"
#include "RecordingSimulatedCamera.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

using CameraInterface::Camera;
using CameraInterface::SimulatedAdapter::SimulatedCamera;
using Utilities::Programmer;
using Call = RecordingSimulatedCamera::Call;
using Bytes = std::vector<unsigned char>;

namespace
{

const char* const CAMERA_LIST = R"({"Cameras": [
  {"Identification": {"Serial Number": "PRG-1", "Model Name": "VX-Test"},
   "Properties": [],
   "Functions": [
     {"Name": "Read Flash", "Parameters": [], "Return Format": []},
     {"Name": "Write Flash", "Parameters": [], "Return Format": []},
     {"Name": "Erase Flash", "Parameters": [], "Return Format": []},
     {"Name": "Update Flash", "Parameters": [], "Return Format": []},
     {"Name": "Read Flash Status", "Parameters": [], "Return Format": []},
     {"Name": "Write Flash Status", "Parameters": [], "Return Format": []},
     {"Name": "Write Ram", "Parameters": [], "Return Format": []},
     {"Name": "Jtag", "Parameters": [], "Return Format": []},
     {"Name": "Reboot", "Parameters": [], "Return Format": []}]},
  {"Identification": {"Serial Number": "PRG-2", "Model Name": "VX-Bare"},
   "Properties": [],
   "Functions": []}
]})";

constexpr std::uint32_t FLASH_ADDRESS = 0x10000;

Bytes pattern(std::size_t size, unsigned char seed = 0)
{
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
    {
        bytes[i] = static_cast<unsigned char>(i * 13 + seed + (i >> 8));
    }
    return bytes;
}

std::string text(const Bytes& bytes, std::size_t offset, std::size_t length)
{
    return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                       bytes.begin() + static_cast<std::ptrdiff_t>(offset + length));
}

void appendWord(Bytes& image, std::uint32_t word)
{
    for (int i = 0; i < 4; ++i)
    {
        image.push_back(static_cast<unsigned char>(word >> (8 * i)));
    }
}

// A valid image header followed by `size - 4` pattern bytes (not a section
// walk: flash programming does not look inside the image).
Bytes flashImage(std::size_t size)
{
    Bytes image = pattern(size, 7);
    image[0] = 0x43;
    image[1] = 0x59;
    image[2] = 0x5A;
    image[3] = 0xB0;
    return image;
}

struct Section
{
    std::uint32_t address;
    Bytes data;
};

Bytes ramImage(const std::vector<Section>& sections, std::uint32_t entry)
{
    Bytes image = {0x43, 0x59, 0x00, 0xB0};
    for (const Section& section : sections)
    {
        appendWord(image, static_cast<std::uint32_t>(section.data.size() / 4));
        appendWord(image, section.address);
        image.insert(image.end(), section.data.begin(), section.data.end());
    }
    appendWord(image, 0);
    appendWord(image, entry);
    return image;
}

template <typename Operation> std::string invalidArgumentOf(Operation&& operation)
{
    try
    {
        operation();
    }
    catch (const std::invalid_argument& error)
    {
        return error.what();
    }
    return "no std::invalid_argument";
}

void failExecution(const std::string& name)
{
    CameraInterface::FunctionArguments::failExecution(name, __FILE__, __LINE__);
}

class ProgrammerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_ListPath = ::testing::TempDir() + "vx-programmer-cameras-" + std::to_string(::getpid()) + ".json";
        std::ofstream(m_ListPath, std::ios::binary | std::ios::trunc) << CAMERA_LIST;
        SimulatedCamera::setCameraListFile(m_ListPath);
        m_Camera.connect();
    }

    void TearDown() override
    {
        Camera::unitialisedWorkpace();
        SimulatedCamera::setCameraListFile("");
        std::remove(m_ListPath.c_str());
    }

    std::string flash(std::uint32_t address, std::size_t length)
    {
        return m_Camera.readFlash(address, length);
    }

    std::string m_ListPath;
    RecordingSimulatedCamera m_Camera{"PRG-1", "VX-Test"};
    std::vector<double> m_Progress;
    Programmer::ProgressCallback m_Record = [this](double fraction)
    {
        m_Progress.push_back(fraction);
    };
};

} // namespace

TEST_F(ProgrammerTest, BufferIsErasedOnceThenWrittenInBlocks)
{
    const Bytes data = pattern(1000);
    Programmer::writeBufferToFlash(m_Camera, data, FLASH_ADDRESS, 4096, 256, m_Record);

    ASSERT_EQ(m_Camera.calls.size(), 5U);
    EXPECT_EQ(m_Camera.calls[0].name, "Erase Flash");
    EXPECT_EQ(m_Camera.calls[0].parameters, (std::vector<std::string>{"65536", "1000"}));
    const std::size_t sizes[] = {256, 256, 256, 232};
    for (std::size_t i = 0; i < 4; ++i)
    {
        const Call& write = m_Camera.calls[i + 1];
        EXPECT_EQ(write.name, "Write Flash");
        EXPECT_EQ(write.parameters[0], std::to_string(FLASH_ADDRESS + 256 * i));
        EXPECT_EQ(write.parameters[1], text(data, 256 * i, sizes[i]));
    }
    EXPECT_EQ(m_Progress, (std::vector<double>{0.256, 0.512, 0.768, 1.0}));
    EXPECT_EQ(flash(FLASH_ADDRESS, 1000), text(data, 0, 1000));
}

TEST_F(ProgrammerTest, FirmwareHeaderIsWrittenLast)
{
    const Bytes image = flashImage(1000);
    Programmer::writeFirmwareToFlash(m_Camera, image, FLASH_ADDRESS, 1000, 256, m_Record);

    ASSERT_EQ(m_Camera.calls.size(), 6U);
    EXPECT_EQ(m_Camera.calls[0].parameters, (std::vector<std::string>{"65536", "1000"}));
    const std::size_t sizes[] = {256, 256, 256, 228};
    for (std::size_t i = 0; i < 4; ++i)
    {
        const Call& write = m_Camera.calls[i + 1];
        EXPECT_EQ(write.name, "Write Flash");
        EXPECT_EQ(write.parameters[0], std::to_string(FLASH_ADDRESS + 4 + 256 * i));
        EXPECT_EQ(write.parameters[1], text(image, 4 + 256 * i, sizes[i]));
    }
    EXPECT_EQ(m_Camera.calls[5].name, "Write Flash");
    EXPECT_EQ(m_Camera.calls[5].parameters,
              (std::vector<std::string>{std::to_string(FLASH_ADDRESS), std::string("\x43\x59\x5A\xB0")}));
    // No progress report follows the header.
    EXPECT_EQ(m_Progress, (std::vector<double>{260.0 / 1000, 516.0 / 1000, 772.0 / 1000, 1.0}));
    EXPECT_DOUBLE_EQ(m_Progress[0], 0.26);
    EXPECT_DOUBLE_EQ(m_Progress[1], 0.516);

    m_Progress.clear();
    EXPECT_TRUE(Programmer::compareFlash(m_Camera, image, FLASH_ADDRESS, 300, m_Record));
    EXPECT_EQ(m_Progress, (std::vector<double>{0.3, 0.6, 0.9, 1.0}));
}

TEST_F(ProgrammerTest, HeaderOnlyImageWritesJustTheHeader)
{
    const Bytes image = flashImage(4);
    Programmer::writeFirmwareToFlash(m_Camera, image, FLASH_ADDRESS, 4, 256, m_Record);
    ASSERT_EQ(m_Camera.calls.size(), 2U);
    EXPECT_EQ(m_Camera.calls[0].parameters, (std::vector<std::string>{"65536", "4"}));
    EXPECT_EQ(m_Camera.calls[1].parameters, (std::vector<std::string>{"65536", text(image, 0, 4)}));
    EXPECT_TRUE(m_Progress.empty());
}

TEST_F(ProgrammerTest, InterruptedFirmwareWriteLeavesNoSignature)
{
    m_Camera.writeFlash(FLASH_ADDRESS, "old firmware");
    m_Camera.beforeCall = [](std::size_t index, const Call& call)
    {
        if (index == 3)
        {
            failExecution(call.name);
        }
    };
    EXPECT_THROW(
        Programmer::writeFirmwareToFlash(m_Camera, flashImage(1000), FLASH_ADDRESS, 1000, 256, m_Record),
        VxAppsExceptions::VxAppsException_Function);
    EXPECT_EQ(m_Camera.calls.size(), 4U);
    EXPECT_EQ(flash(FLASH_ADDRESS, 4), std::string(4, '\xFF'));
    EXPECT_EQ(m_Progress.size(), 2U);
}

TEST_F(ProgrammerTest, ArgumentsAreCheckedBeforeTheCameraIsTouched)
{
    auto buffer = [this](const Bytes& data, std::uint32_t maximum, std::uint32_t block, std::uint32_t address)
    {
        return invalidArgumentOf(
            [&] { Programmer::writeBufferToFlash(m_Camera, data, address, maximum, block); });
    };
    auto firmware =
        [this](const Bytes& data, std::uint32_t maximum, std::uint32_t block, std::uint32_t address)
    {
        return invalidArgumentOf(
            [&] { Programmer::writeFirmwareToFlash(m_Camera, data, address, maximum, block); });
    };

    EXPECT_EQ(buffer({}, 0, 256, 0), "No data provided.");
    EXPECT_EQ(buffer(pattern(101), 100, 256, 0), "Data provided is too large.");
    EXPECT_EQ(buffer(pattern(100), 100, 0, 0), "Block size must be greater than zero.");
    EXPECT_EQ(buffer(pattern(100), 100, 64, 0xFFFFFFF0U), "Data does not fit in the 32-bit address range.");

    EXPECT_EQ(firmware({}, 100, 256, 0), "No data provided.");
    // Size comes before content: a bad image that is also too large is "too large".
    EXPECT_EQ(firmware(pattern(101), 100, 256, 0), "Data provided is too large.");
    EXPECT_EQ(firmware(pattern(100), 100, 256, 0), "Invalid image file.");
    EXPECT_EQ(firmware({0x43, 0x59, 0x00}, 100, 256, 0), "Invalid image file.");
    EXPECT_EQ(firmware(flashImage(100), 100, 0, 0), "Block size must be greater than zero.");

    EXPECT_EQ(invalidArgumentOf([this] { Programmer::writeFirmwareToRam(m_Camera, {}); }),
              "No data provided.");
    EXPECT_EQ(invalidArgumentOf([this] { Programmer::writeFirmwareToRam(m_Camera, pattern(64)); }),
              "Invalid image file.");
    EXPECT_EQ(invalidArgumentOf([this] { Programmer::compareFlash(m_Camera, pattern(10), 0, 0); }),
              "Block size must be greater than zero.");

    EXPECT_TRUE(m_Camera.calls.empty());
}

TEST_F(ProgrammerTest, DataOfExactlyTheMaximumSizeIsAccepted)
{
    Programmer::writeBufferToFlash(m_Camera, pattern(512), FLASH_ADDRESS, 512, 512);
    Programmer::writeFirmwareToFlash(m_Camera, flashImage(512), FLASH_ADDRESS, 512, 512);
    EXPECT_EQ(m_Camera.callsTo("Erase Flash").size(), 2U);
}

TEST_F(ProgrammerTest, CompareFlashReadsInBlocksAndStopsAtTheFirstDifference)
{
    const Bytes data = pattern(1000);
    EXPECT_TRUE(Programmer::compareFlash(m_Camera, {}, FLASH_ADDRESS, 0));
    EXPECT_TRUE(m_Camera.calls.empty());

    m_Camera.writeFlash(FLASH_ADDRESS, text(data, 0, data.size()));
    EXPECT_TRUE(Programmer::compareFlash(m_Camera, data, FLASH_ADDRESS, 256, m_Record));
    const auto reads = m_Camera.callsTo("Read Flash");
    ASSERT_EQ(reads.size(), 4U);
    EXPECT_EQ(reads[3].parameters, (std::vector<std::string>{std::to_string(FLASH_ADDRESS + 768), "232"}));
    EXPECT_EQ(m_Progress, (std::vector<double>{0.256, 0.512, 0.768, 1.0}));

    Bytes lastDiffers = data;
    lastDiffers[999] ^= 0x01;
    EXPECT_FALSE(Programmer::compareFlash(m_Camera, lastDiffers, FLASH_ADDRESS, 256));

    Bytes firstDiffers = data;
    firstDiffers[0] ^= 0x80;
    m_Camera.calls.clear();
    EXPECT_FALSE(Programmer::compareFlash(m_Camera, firstDiffers, FLASH_ADDRESS, 256));
    EXPECT_EQ(m_Camera.calls.size(), 1U);
}

TEST_F(ProgrammerTest, CompareFlashTreatsShortOrMissingAnswersAsDifferent)
{
    const Bytes data = pattern(100);
    m_Camera.writeFlash(FLASH_ADDRESS, text(data, 0, data.size()));

    m_Camera.alterAnswer = [](const Call&, std::vector<std::string>& answer)
    {
        answer[0].pop_back();
    };
    EXPECT_FALSE(Programmer::compareFlash(m_Camera, data, FLASH_ADDRESS, 64));
    m_Camera.alterAnswer = [](const Call&, std::vector<std::string>& answer)
    {
        answer.clear();
    };
    EXPECT_FALSE(Programmer::compareFlash(m_Camera, data, FLASH_ADDRESS, 64));
}

TEST_F(ProgrammerTest, RamLoadingGoesInChunksOf4096Bytes)
{
    const Bytes first = pattern(2048 * 4, 1);
    const Bytes second = pattern(5000, 2);
    const Bytes image = ramImage({{0x20000000, first}, {0x30000000, second}}, 0x20000010);
    Programmer::writeFirmwareToRam(m_Camera, image, m_Record);

    const auto writes = m_Camera.callsTo("Write Ram");
    ASSERT_EQ(writes.size(), 5U);
    EXPECT_EQ(writes[0].parameters, (std::vector<std::string>{"536870912", text(first, 0, 4096)}));
    EXPECT_EQ(writes[1].parameters, (std::vector<std::string>{"536875008", text(first, 4096, 4096)}));
    EXPECT_EQ(writes[2].parameters, (std::vector<std::string>{"805306368", text(second, 0, 4096)}));
    EXPECT_EQ(writes[3].parameters, (std::vector<std::string>{"805310464", text(second, 4096, 904)}));
    EXPECT_EQ(writes[4].parameters, (std::vector<std::string>{"536870928", ""}));
    EXPECT_EQ(m_Camera.calls.size(), 5U);

    const double size = static_cast<double>(image.size());
    EXPECT_EQ(m_Progress,
              (std::vector<double>{(12 + 4096) / size, (12 + 8192) / size, (12 + 8192 + 8 + 4096) / size,
                                   (12 + 8192 + 8 + 5000) / size}));
}

TEST_F(ProgrammerTest, RamEntryCallErrorIsDroppedEarlierErrorsAreNot)
{
    const Bytes image = ramImage({{0x1000, pattern(16)}}, 0x1000);
    m_Camera.beforeCall = [](std::size_t, const Call& call)
    {
        if (call.parameters[1].empty())
        {
            failExecution(call.name);
        }
    };
    EXPECT_NO_THROW(Programmer::writeFirmwareToRam(m_Camera, image));
    EXPECT_EQ(m_Camera.calls.size(), 2U);

    // Only the library's own errors mean "the camera left for the new code".
    m_Camera.beforeCall = [](std::size_t, const Call& call)
    {
        if (call.parameters[1].empty())
        {
            throw std::runtime_error("lost");
        }
    };
    EXPECT_THROW(Programmer::writeFirmwareToRam(m_Camera, image), std::runtime_error);

    m_Camera.calls.clear();
    m_Camera.beforeCall = [](std::size_t index, const Call& call)
    {
        if (index == 0)
        {
            failExecution(call.name);
        }
    };
    EXPECT_THROW(Programmer::writeFirmwareToRam(m_Camera, image), VxAppsExceptions::VxAppsException_Function);
    EXPECT_EQ(m_Camera.calls.size(), 1U);
}

TEST_F(ProgrammerTest, MalformedRamImagesAreRefusedBeforeAnyCall)
{
    Bytes pastEnd = ramImage({{0x1000, pattern(16)}}, 0x1000);
    pastEnd[4] = 5; // five words, four present before the end record
    pastEnd.resize(4 + 8 + 16);

    Bytes noEnd = ramImage({{0x1000, pattern(16)}}, 0x1000);
    noEnd.resize(noEnd.size() - 8);

    Bytes overflowing = {0x43, 0x59, 0x00, 0xB0};
    appendWord(overflowing, 0x40000001);
    appendWord(overflowing, 0);
    overflowing.resize(64, 0);

    Bytes validSectionThenGarbage = ramImage({{0x1000, pattern(4096 * 2)}}, 0x1000);
    validSectionThenGarbage.resize(validSectionThenGarbage.size() - 4);

    for (const Bytes& image : {pastEnd, noEnd, overflowing, validSectionThenGarbage})
    {
        EXPECT_EQ(invalidArgumentOf([&] { Programmer::writeFirmwareToRam(m_Camera, image); }),
                  "Invalid image file.");
    }
    EXPECT_TRUE(m_Camera.calls.empty());
}

TEST_F(ProgrammerTest, JtagSendsTheWholeStreamAtOnce)
{
    const Bytes xsvf = {0x07, 0x00, 0x13, 0x00, 0xFF};
    Programmer::jtagXsvf(m_Camera, xsvf);
    ASSERT_EQ(m_Camera.calls.size(), 1U);
    EXPECT_EQ(m_Camera.calls[0].name, "Jtag");
    EXPECT_EQ(m_Camera.calls[0].parameters, (std::vector<std::string>{text(xsvf, 0, xsvf.size())}));
}

TEST_F(ProgrammerTest, FlashStatusRoundTrip)
{
    EXPECT_EQ(Programmer::readFlashStatus(m_Camera, 0x40), 0);
    Programmer::writeFlashStatus(m_Camera, 0x40, 0x9C);
    EXPECT_EQ(Programmer::readFlashStatus(m_Camera, 0x40), 0x9C);
    EXPECT_EQ(m_Camera.calls[1].name, "Write Flash Status");
    EXPECT_EQ(m_Camera.calls[1].parameters, (std::vector<std::string>{"64", "\x9C"}));
    EXPECT_EQ(m_Camera.calls[2].parameters, (std::vector<std::string>{"64"}));

    // Zero is a status like any other.
    Programmer::writeFlashStatus(m_Camera, 0x41, 0x00);
    EXPECT_EQ(m_Camera.calls.back().parameters[1], std::string(1, '\0'));

    m_Camera.alterAnswer = [](const Call&, std::vector<std::string>& answer)
    {
        answer[0].clear();
    };
    EXPECT_THROW(Programmer::readFlashStatus(m_Camera, 0x40), VxAppsExceptions::VxAppsException_Function);
}

TEST_F(ProgrammerTest, MissingFunctionsPropagateTheirError)
{
    SimulatedCamera bare("PRG-2", "VX-Bare");
    bare.connect();
    try
    {
        Programmer::writeBufferToFlash(bare, pattern(10), 0, 10, 10);
        FAIL() << "no exception";
    }
    catch (const VxAppsExceptions::VxAppsException_Function& error)
    {
        EXPECT_STREQ(error.who(), "FunctionUnsupported");
    }
}

TEST_F(ProgrammerTest, WorksOnARegisteredSimulatedCamera)
{
    Camera::initialiseWorkspace();
    CameraInterface::CameraLease camera = Camera::acquireCamera("PRG-1");
    camera->connect();
    const Bytes image = flashImage(3000);
    Programmer::writeFirmwareToFlash(*camera, image, 0x1B8000, 0x8000, 1024);
    EXPECT_TRUE(Programmer::compareFlash(*camera, image, 0x1B8000, 1024));
    EXPECT_FALSE(Programmer::compareFlash(*camera, pattern(3000), 0x1B8000, 1024));
}

TEST(ProgrammerFlipBitOrder, ReversesTheBitsOfEveryByte)
{
    EXPECT_EQ(Programmer::flipBitOrder({0x12, 0x01, 0x0F, 0x80, 0x00, 0xFF}),
              (Bytes{0x48, 0x80, 0xF0, 0x01, 0x00, 0xFF}));
    EXPECT_TRUE(Programmer::flipBitOrder({}).empty());

    Bytes all(256);
    for (int i = 0; i < 256; ++i)
    {
        all[i] = static_cast<unsigned char>(i);
    }
    const Bytes flipped = Programmer::flipBitOrder(all);
    ASSERT_EQ(flipped.size(), 256U);
    for (int i = 0; i < 256; ++i)
    {
        for (int bit = 0; bit < 8; ++bit)
        {
            EXPECT_EQ((flipped[i] >> bit) & 1, (i >> (7 - bit)) & 1) << "byte " << i << " bit " << bit;
        }
    }
}
