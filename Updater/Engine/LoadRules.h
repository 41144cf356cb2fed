#pragma once

#include "Engine/Load.h"
#include "Engine/Package.h"

#include <QString>

#include <cstddef>

// What makes a package or a load impossible to program as its manifest means
// it, whatever its tags say. `vxupdate bundle verify` and the update itself
// apply the same rules, so a bundle that verifies is one the updater
// programs, and one the updater refuses never verifies. Stateless;
// thread-safe.
namespace LoadRules
{

// A package with no load has nothing to program.
QString packageProblem(const Package& package);

// A load whose FlashAddress or FlashSize text did not read as a number reads
// as 0, which would aim its data at the boot loader: the manifest cannot have
// meant that.
QString manifestProblem(const Load& load);

// Whether the load's file is a firmware image the programmer walks section by
// section (flash image or firmware run from RAM).
bool isFirmwareImage(const Load& load);

// The file itself: never empty, and a firmware image must hold every section
// it announces and its end record.
QString fileProblem(const Load& load, const unsigned char* data, std::size_t size);
// The same for a file read elsewhere: its size and whether it walked as a
// complete firmware image.
QString fileProblem(const Load& load, std::size_t size, bool completeImage);

} // namespace LoadRules
