// A library user's program: hashes a text with the library's SHA-1 and lists
// the attached cameras with their firmware version. Exit 0 when the hash is
// right and the registry could be read, 1 otherwise.
#include <Cameras/Camera.h>
#include <Cameras/CameraLease.h>
#include <Exceptions/VxAppsException.h>
#include <Properties/Property.h>
#include <Sha1/Sha1Hash.h>

#include <cstdio>
#include <string>
#include <vector>

namespace
{

std::string hex(const std::vector<unsigned char>& bytes)
{
    std::string text;
    char digits[3];
    for (const unsigned char byte : bytes)
    {
        std::snprintf(digits, sizeof digits, "%02x", byte);
        text += digits;
    }
    return text;
}

void listCameras()
{
    for (const auto& [serial, model] : CameraInterface::Camera::getCamerasList())
    {
        const CameraInterface::CameraLease camera = CameraInterface::Camera::acquireCamera(serial);
        camera->connect();
        std::printf("%s  %s  firmware %s\n", serial.c_str(), model.c_str(),
                    camera->getProperty("Firmware Version").getValue().c_str());
        camera->disconnect();
    }
}

} // namespace

int main()
{
    const std::string text = "abc";
    const std::string digest = hex(VxInternal::calculateSha1Hash({text.begin(), text.end()}));
    std::printf("SHA-1(\"abc\") = %s\n", digest.c_str());
    if (digest != "a9993e364706816aba3e25717850c26c9cd0d89d")
    {
        return 1;
    }
    try
    {
        CameraInterface::Camera::initialiseWorkspace();
        listCameras();
        CameraInterface::Camera::unitialisedWorkpace();
    }
    catch (const VxAppsExceptions::VxAppsException& error)
    {
        std::fprintf(stderr, "%s\n", error.what());
        CameraInterface::Camera::unitialisedWorkpace();
        return 1;
    }
    return 0;
}
