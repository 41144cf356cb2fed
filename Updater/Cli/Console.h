#pragma once

#include <QString>

class QTextStream;

// vxupdate's own side of the terminal: answers read with a bound, and the
// check that everything written to standard output arrived.
namespace Console
{

// The longest answer read; the rest of a longer line is not read.
constexpr int MAXIMUM_ANSWER_LENGTH = 256;

// One line from standard input, without its line end, at most
// MAXIMUM_ANSWER_LENGTH characters; empty at the end of the input.
QString readAnswer();

// Flushes `out` and standard output. When something written there did not
// arrive (a full disk under `--json > file`, a closed pipe) it says so on
// `err` and turns a successful `code` into ExitCodes::FAILURE; other codes
// stay.
int finishOutput(QTextStream& out, QTextStream& err, int code);

} // namespace Console
