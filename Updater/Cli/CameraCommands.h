#pragma once

#include <QStringList>

class QTextStream;

// "vxupdate cameras" and "vxupdate info": what the registry lists and what a
// camera tells about itself, as text or as one JSON document. Each returns
// the exit code.
class CameraCommands
{
public:
    CameraCommands(QTextStream& out, QTextStream& err);

    // Arguments after the command name.
    int cameras(const QStringList& arguments);
    int info(const QStringList& arguments);

    static QString usage();

private:
    int wrongUsage(const QString& problem);

    QTextStream& m_Out;
    QTextStream& m_Err;
};
