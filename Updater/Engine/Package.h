#pragma once

#include "Engine/Load.h"

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

class QXmlStreamReader;

// The firmware of one camera model and hardware revision: its identity and its
// loads in manifest order (among loads with equal numbers the earlier one is
// taken first).
class Package
{
public:
    // Any hardware revision.
    static constexpr std::int32_t ANY_REVISION = -1;

    std::uint32_t modelId = 0;
    std::int32_t hardwareRevision = ANY_REVISION;
    std::string modelName;
    std::string commercialName;
    std::string modelFamily;
    std::string versionCondition;
    QString errorString;
    std::vector<Load> loads;

    // The name a camera must report: the commercial name when there is one.
    const std::string& displayName() const { return commercialName.empty() ? modelName : commercialName; }

    // Reads the next `Package` element. False when the next start element is
    // not a `Package` (which ends the list of packages) or the reader reported
    // an error.
    bool parse(QXmlStreamReader& reader);

private:
    void readLoads(QXmlStreamReader& reader);
};
