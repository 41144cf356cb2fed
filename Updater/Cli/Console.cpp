#include "Console.h"

#include "ExitCodes.h"

#include <QTextStream>

#include <cstdio>

namespace Console
{

QString readAnswer()
{
    char line[MAXIMUM_ANSWER_LENGTH + 2] = {};
    if (std::fgets(line, sizeof(line), stdin) == nullptr)
    {
        return QString();
    }
    QString answer = QString::fromLocal8Bit(line);
    while (answer.endsWith(QLatin1Char('\n')) || answer.endsWith(QLatin1Char('\r')))
    {
        answer.chop(1);
    }
    return answer;
}

int finishOutput(QTextStream& out, QTextStream& err, int code)
{
    out.flush();
    // The stream tells a write that failed before; fflush one that fails now.
    const bool flushed = std::fflush(stdout) == 0;
    if (flushed && out.status() == QTextStream::Ok && std::ferror(stdout) == 0)
    {
        return code;
    }
    err << "Error: the output could not be written completely"
        << (code == ExitCodes::SUCCESS ? "; the operation itself succeeded.\n" : ".\n");
    err.flush();
    return code == ExitCodes::SUCCESS ? ExitCodes::FAILURE : code;
}

} // namespace Console
