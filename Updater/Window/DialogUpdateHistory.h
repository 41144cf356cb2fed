#pragma once

#include "Engine/UpdateHistory.h"

#include <QDialog>
#include <QString>

#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// The update history for the operator: the runs of one camera (or of every
// camera when the serial-number filter is empty), newest first, with the
// selected run's loads below, and the shown runs exported as CSV. An
// interrupted run is drawn bold on an amber background. The main window
// creates one per showing (parent: the window), runs exec and destroys it.
//
// The history is borrowed and read on every change of the filter; a history
// that cannot be read shows its error above the tables. GUI thread only.
class DialogUpdateHistory : public QDialog
{
    Q_OBJECT

public:
    enum RUN_COLUMN
    {
        RUN_COLUMN_ID,
        RUN_COLUMN_STARTED,
        RUN_COLUMN_CAMERA,
        RUN_COLUMN_MODEL,
        RUN_COLUMN_PACKAGE,
        RUN_COLUMN_BUNDLE,
        RUN_COLUMN_OUTCOME,
        RUN_COLUMN_COUNT
    };

    DialogUpdateHistory(UpdateHistory& history, const QString& serialNumber, QWidget* parent = nullptr);

    // The runs shown, oldest first, as the history gave them.
    const std::vector<HistoryRun>& runs() const { return m_Runs; }
    // Why the history could not be read; empty when it was.
    QString errorText() const;

public slots:
    // Reads the runs the filter selects again.
    void refresh();
    // Asks for a file and writes the shown runs to it as CSV.
    void exportCsv();

private:
    void buildLayout();
    void showRuns();
    void addRunRow(int row, const HistoryRun& run);
    void showLoads();
    void showProblem(const QString& text);

    UpdateHistory& m_History;
    std::vector<HistoryRun> m_Runs;
    QLineEdit* m_Filter = nullptr;
    QLabel* m_Problem = nullptr;
    QTableWidget* m_RunTable = nullptr;
    QTableWidget* m_LoadTable = nullptr;
    QPushButton* m_Export = nullptr;
};
