#include "CommandLine.h"

#include "Exceptions/VxAppsException.h"

namespace CommandLine
{

bool takeFlag(QStringList& arguments, const QString& flag)
{
    return arguments.removeAll(flag) > 0;
}

bool takeOption(QStringList& arguments, const QString& option, QString& value, QString& problem)
{
    const int index = arguments.indexOf(option);
    if (index < 0)
    {
        return true;
    }
    if (index + 1 >= arguments.size() || arguments.at(index + 1).startsWith(QLatin1String("--")))
    {
        problem = QStringLiteral("%1 needs a value.").arg(option);
        return false;
    }
    value = arguments.at(index + 1);
    arguments.removeAt(index + 1);
    arguments.removeAt(index);
    if (arguments.contains(option))
    {
        problem = QStringLiteral("%1 is given twice.").arg(option);
        return false;
    }
    return true;
}

QString firstOption(const QStringList& arguments)
{
    for (const QString& argument : arguments)
    {
        if (argument.startsWith(QLatin1Char('-')))
        {
            return argument;
        }
    }
    return QString();
}

QString describe(const std::exception& error)
{
    if (const auto* library = dynamic_cast<const VxAppsExceptions::VxAppsException*>(&error))
    {
        return QString::fromLocal8Bit(library->why());
    }
    return QString::fromLocal8Bit(error.what());
}

} // namespace CommandLine
