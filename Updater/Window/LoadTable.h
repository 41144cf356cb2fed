#pragma once

#include "Engine/UpdateRoad.h"

#include <QColor>
#include <QString>
#include <QStringList>
#include <QTableWidget>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

// The main window's table of the selected package's loads: one row per load
// the operator sees, with its type, the camera's version, the package's
// version, the file progress and the status. Rows are kept by load number, so
// progress reaches the row of the load it is about whatever the cells say.
//
// Main thread only; usable in any state of the window.
class LoadTable : public QTableWidget
{
    Q_OBJECT

public:
    enum LOAD_COLUMN
    {
        LOAD_COLUMN_TYPE = 0,
        LOAD_COLUMN_VERSION = 1,
        LOAD_COLUMN_NEW_VERSION = 2,
        LOAD_COLUMN_PROGRESS = 3,
        LOAD_COLUMN_STATUS = 4,
        LOAD_COLUMN_COUNT = 5
    };

    explicit LoadTable(QWidget* parent = nullptr);

    // No editing, no selection, alternating rows, the five headings (already
    // translated by the caller).
    void setup(const QStringList& headings);
    // Removes every row.
    void clearLoads();
    // The rows of a package's loads that the table lists, in the given order;
    // every load number is kept once (a repeated number keeps its first row).
    void fill(const std::vector<UpdateRoad::LoadRow>& loads);

    int rowOf(std::uint32_t loadNumber) const;
    // The load number of the only listed load of this type; none when no load
    // or more than one has it (such rows cannot be told apart by type).
    std::optional<std::uint32_t> loadNumberOfType(const QString& loadType) const;

    void setFileProgress(std::uint32_t loadNumber, std::uint32_t percent);
    void setStatus(std::uint32_t loadNumber, const QString& text, const QColor& background);
    // Empty progress and the given status text and background on every row.
    void resetProgress(const QString& statusText, const QColor& background);
    // The camera's versions read again: "Version" text and "New Version"
    // colour of every listed load.
    void refreshVersions(const std::vector<UpdateRoad::LoadRow>& loads);
    // The "New Version" cells greyed while no camera is shown.
    void greyNewVersions();

    static QColor versionColour(UpdateRoad::LoadRow::NEW_VERSION_MARK mark);

private:
    void addRow(const UpdateRoad::LoadRow& load);
    QTableWidgetItem* cell(std::uint32_t loadNumber, LOAD_COLUMN column) const;

    std::map<std::uint32_t, int> m_Rows;
    // Load type by load number, as filled.
    std::map<std::uint32_t, QString> m_Types;
};
