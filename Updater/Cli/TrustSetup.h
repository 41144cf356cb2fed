#pragma once

#include "Engine/TrustStore.h"

class QTextStream;

// The trust store as every command that checks or manages signatures loads
// it: the installed levels (TrustStore::Locations::installed), each file left
// out named on `err` as a warning.
namespace TrustSetup
{

TrustStore load(QTextStream& err);

} // namespace TrustSetup
