#pragma once

#include "Engine/UpdateProgress.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <string>

class QTextStream;

// Shows a running update from the progress record's signals (connected
// queued). On a terminal: one line per load with its file progress bar, its
// status and the overall bar, redrawn in place. Otherwise plain lines: each
// status, and the file progress at every quarter.
class ProgressDisplay : public QObject
{
    Q_OBJECT

public:
    ProgressDisplay(QTextStream& out, bool terminal);

    void connectTo(UpdateProgress& progress);
    // Ends the line in progress; plain lines then get the last overall
    // figure when it has not been shown yet.
    void finish();

public slots:
    void onFileProgress(uint32_t percent, std::string loadType);
    void onLoadStatus(UpdateProgress::LoadStatus status, std::string loadType);
    void onOverallProgress(uint32_t percent);

private:
    // True when the load is new to the display.
    bool enterLoad(const std::string& loadType);
    void redraw();
    static QString bar(std::uint32_t percent, int width);

    QTextStream& m_Out;
    bool m_Terminal;
    bool m_LineOpen = false;
    QString m_LoadType;
    std::uint32_t m_FilePercent = 0;
    std::uint32_t m_Overall = 0;
    UpdateProgress::LoadStatus m_Status = UpdateProgress::LoadStatus::None;
    // Plain lines: the last quarter shown and whether the next overall
    // figure completes a file progress line.
    std::uint32_t m_Quarter = 0;
    bool m_FileLinePending = false;
    std::uint32_t m_OverallShown = 0;
};
