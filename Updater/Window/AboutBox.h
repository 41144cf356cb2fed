#pragma once

#include <QString>

class QWidget;

// The program's About box: its name and version.
namespace AboutBox
{

// "Veltrax VxUpdater Application\n\nVersion 3.0.0.10229", the version read as
// a version number and printed again.
QString text();

// Shows Qt's About box with the title "About" over `parent`; returns when the
// operator closes it. GUI thread only.
void show(QWidget* parent);

} // namespace AboutBox
