#include "Engine/LoadRules.h"

#include "Utilities/Programmer.h"

#include <QStringList>

namespace LoadRules
{

QString packageProblem(const Package& package)
{
    return package.loads.empty() ? QStringLiteral("The package lists no load.") : QString();
}

QString manifestProblem(const Load& load)
{
    if (load.unreadableNumbers.empty())
    {
        return QString();
    }
    QStringList fields;
    for (const std::string& field : load.unreadableNumbers)
    {
        fields << QString::fromStdString(field);
    }
    return (fields.size() == 1 ? QStringLiteral("Its %1 is not a 32-bit hexadecimal number.")
                               : QStringLiteral("Its %1 are not 32-bit hexadecimal numbers."))
        .arg(fields.join(QStringLiteral(" and ")));
}

bool isFirmwareImage(const Load& load)
{
    return load.programmingMethod == PROGRAMMING_METHOD::WRITE_CYPRESS_IMAGE_TO_FLASH ||
           load.flashControlOperation == FLASH_CONTROL_OPERATION::LOAD_FIRMWARE_IN_RAM;
}

QString fileProblem(const Load& load, const unsigned char* data, std::size_t size)
{
    return fileProblem(load, size,
                       !isFirmwareImage(load) || Utilities::Programmer::isCompleteFirmware(data, size));
}

QString fileProblem(const Load& load, std::size_t size, bool completeImage)
{
    if (size == 0)
    {
        return QStringLiteral("Its file is empty.");
    }
    if (isFirmwareImage(load) && !completeImage)
    {
        return QStringLiteral("Its file is not a complete firmware image: a section runs past the end of the "
                              "file or the end record is missing.");
    }
    return QString();
}

} // namespace LoadRules
