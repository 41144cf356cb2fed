#include "TrustSetup.h"

#include <QTextStream>

namespace TrustSetup
{

TrustStore load(QTextStream& err)
{
    TrustStore store(TrustStore::Locations::installed());
    store.load();
    for (const QString& problem : store.problems())
    {
        err << "Warning: " << problem << "\n";
    }
    err.flush();
    return store;
}

} // namespace TrustSetup
