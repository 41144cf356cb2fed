#pragma once

#include <QJsonObject>
#include <QString>

class BundleVerifier;
class BundleWriter;
class QTextStream;

// How the bundle commands present a verification: the verifier's report as
// lines, or the findings as one JSON document.
namespace BundleReport
{

// "The bundle file PATH does not exist." when nothing is at `path`, else
// empty: said before anything else is tried, so that a mistyped path is not
// reported as a zip the engine could not read.
QString missingBundle(const QString& path);

// Prints the report's lines on `out`; on a fault, `faultPrefix` and the fault
// on `err`. Returns the exit code.
int print(const BundleVerifier& verifier, bool verified, const QString& faultPrefix, QTextStream& out,
          QTextStream& err);

// Prints what the writer did on `out`; when it did not write, "Error: " and
// its error on `err`. Returns the exit code.
int print(const BundleWriter& writer, bool written, QTextStream& out, QTextStream& err);

// The findings, the body of the JSON document: the bundle, whether it
// verified, the fault's detail, versions, tag, warnings, and every package
// with its loads.
QJsonObject document(const QString& bundlePath, bool verified, const BundleVerifier& verifier);
// The fault's first line, empty when the bundle verified.
QString failure(bool verified, const BundleVerifier& verifier);

} // namespace BundleReport
