#pragma once

#include "Command.h"

#include <vector>

struct HistoryRun;

// "vxupdate history": the recorded update runs, oldest first, with what each
// did to each load; as text, one JSON document, or CSV for a quality record.
class HistoryCommand : public Command
{
public:
    HistoryCommand(QTextStream& out, QTextStream& err);

protected:
    int execute(const QCommandLineParser& parser) override;

private:
    void printText(const std::vector<HistoryRun>& runs);
};
