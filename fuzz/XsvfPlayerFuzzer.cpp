// libFuzzer target for the XSVF player: any bytes are played as a program on
// the JTAG chain of an emulated vendor-driver camera. Whatever the program,
// the player must stay inside its value buffers and the input (AddressSanitizer
// watches), end with one of its outcomes, and leave the port usable: a
// program that reads the IDCODE still passes after every input.
#include "Adapters/Ostra/Functions/XsvfPlayer.h"

#include "ostraapi/OstraEmulator.h"
#include "ostraapi/ostraapi.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

using CameraInterface::OstraAdapter::XsvfPlayer;

namespace
{

void require(bool condition)
{
    if (!condition)
    {
        std::abort();
    }
}

// One camera of a rig written to a folder of this process, opened once.
void* cameraHandle()
{
    static void* handle = []
    {
        char folder[] = "/tmp/vx-xsvf-fuzz-XXXXXX";
        require(mkdtemp(folder) != nullptr);
        const std::string rig = std::string(folder) + "/FuzzRig.json";
        std::ofstream(rig) << R"({"cameras": [{"serialNumber": 1, "modelId": "0x1234"}]})";
        OstraEmulator::loadRig(rig);
        require(ostraSelectInterface(OSTRA_INTERFACE_USB2) != 0);
        void* opened = ostraCameraOpen(1);
        require(opened != nullptr);
        ostraConnectSetting(opened, 1);
        // A run-test of an hour is legal XSVF; the search needs answers faster.
        XsvfPlayer::setClockLimitForTesting(1U << 20);
        return opened;
    }();
    return handle;
}

const std::string& idcodeProgram()
{
    static const std::string program("\x12\x00"                             // XSTATE Test-Logic-Reset
                                     "\x02\x06\x09"                         // XSIR IDCODE
                                     "\x08\x00\x00\x00\x20"                 // XSDRSIZE 32
                                     "\x01\xFF\xFF\xFF\xFF"                 // XTDOMASK
                                     "\x09\x00\x00\x00\x00\x13\x72\xC0\x93" // XSDRTDO
                                     "\x00",                                // XCOMPLETE
                                     25);
    return program;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    void* handle = cameraHandle();
    const std::string program(reinterpret_cast<const char*>(data), size);
    const XsvfPlayer::OUTCOME outcome = XsvfPlayer::play(handle, program);
    require(outcome != XsvfPlayer::OUTCOME::START_FAILED);
    require(XsvfPlayer::play(handle, idcodeProgram()) == XsvfPlayer::OUTCOME::COMPLETED);
    return 0;
}
