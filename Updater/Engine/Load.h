#pragma once

#include "Engine/ManifestEnumerations.h"

#include <QString>
#include <QVersionNumber>

#include <cstdint>
#include <string>
#include <vector>

class QXmlStreamReader;

// One load of a package: a file of the bundle and everything the engine needs
// to program and verify it. Copied by value into the selected package, where
// `data` receives the file's content.
class Load
{
public:
    std::uint32_t loadNumber = 0;
    std::string loadType;
    std::string fileName;
    std::string securityTag;
    QVersionNumber loadVersion;
    bool flipBits = false;
    bool forceUpdate = false;
    DATA_EXTRACTION_METHOD dataExtractionMethod = DATA_EXTRACTION_METHOD::NONE;
    PROGRAMMING_METHOD programmingMethod = PROGRAMMING_METHOD::NONE;
    LOAD_TYPE versionVerificationMethod = LOAD_TYPE::NONE;
    FLASH_CONTROL_OPERATION flashControlOperation = FLASH_CONTROL_OPERATION::NONE;
    std::uint32_t flashAddress = 0;
    std::uint32_t flashSize = 0;
    std::uint32_t versionFlashAddress = 0;
    std::uint32_t versionFlashSize = 0;
    std::uint32_t nextLoad = 0;
    std::uint32_t alternateNextLoad = 0;
    QString errorString;
    // The flash fields whose text did not read as a number (and so read as
    // 0), as `FlashAddress "0x1FFFFFFFF"`, in document order.
    std::vector<std::string> unreadableNumbers;
    std::vector<unsigned char> data;
    bool updateRequired = false;
    QVersionNumber currentVersion;
    // Programmed although its version would not ask for it: an interrupted
    // run on the camera had planned it and not finished it, or the operator
    // asked to reinstall versions that match. Set after evaluateUpdates
    // (which clears them) by the road's plan.
    bool resumed = false;
    bool reinstalled = false;
    // The boot loader's flash status the interrupted run found, which this
    // run restores; -1 when the run reads it from the camera as usual.
    int resumedFlashStatus = -1;

    // Reads the next `Load` element. False when the next start element is not
    // a `Load` (which ends the list of loads) or the reader reported an error.
    bool parse(QXmlStreamReader& reader);

private:
    // False when the element is not one of the load's fields.
    bool readField(QXmlStreamReader& reader);
    std::uint32_t readFlashNumber(QXmlStreamReader& reader, const char* field);
};
