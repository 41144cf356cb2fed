#pragma once

#include "Engine/UpdateHistory.h"

#include <QByteArray>
#include <QJsonArray>
#include <QString>
#include <QStringList>

#include <vector>

// The update history as a quality record: CSV with one row per load (the
// run's fields repeated; a run without loads has one row with the load
// fields empty), and JSON with one object per run holding its loads. Both
// front ends export through these, so a record reads the same from either.
namespace HistoryExport
{

// The CSV header, in column order.
const QStringList& csvColumns();

// RFC 4180: comma-separated, CRLF line ends, fields quoted when they hold a
// comma, a quote or a line break. A field a spreadsheet would take for a
// formula (starting with "=", "+", "-", "@", a tab or a carriage return) gets a
// leading "'": texts come from cameras and bundles, not from the station.
QByteArray toCsv(const std::vector<HistoryRun>& runs);

QJsonArray toJson(const std::vector<HistoryRun>& runs);

// "2026-12-08 16:40:02" in local time; empty for none.
QString timeText(const QDateTime& moment);

} // namespace HistoryExport
