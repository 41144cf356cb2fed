#pragma once

#include "Command.h"

// "vxupdate bundle verify": checks a bundle as the updater takes it and prints
// what it finds, as lines or one JSON document.
class BundleVerifyCommand : public Command
{
public:
    BundleVerifyCommand(QTextStream& out, QTextStream& err);

protected:
    int execute(const QCommandLineParser& parser) override;
};
