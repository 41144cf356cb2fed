#include "ProgressDisplay.h"

#include "Engine/OperatorTexts.h"

#include <QTextStream>

#include <algorithm>

ProgressDisplay::ProgressDisplay(QTextStream& out, bool terminal) : m_Out(out), m_Terminal(terminal) {}

void ProgressDisplay::connectTo(UpdateProgress& progress)
{
    connect(&progress, &UpdateProgress::fileProgress, this, &ProgressDisplay::onFileProgress,
            Qt::QueuedConnection);
    connect(&progress, &UpdateProgress::loadStatusProgress, this, &ProgressDisplay::onLoadStatus,
            Qt::QueuedConnection);
    connect(&progress, &UpdateProgress::overallProgress, this, &ProgressDisplay::onOverallProgress,
            Qt::QueuedConnection);
}

QString ProgressDisplay::bar(std::uint32_t percent, int width)
{
    const int filled =
        static_cast<int>(std::min<std::uint32_t>(percent, 100) * static_cast<std::uint32_t>(width) / 100);
    return QLatin1Char('[') + QString(filled, QLatin1Char('#')) + QString(width - filled, QLatin1Char('.')) +
           QLatin1Char(']');
}

bool ProgressDisplay::enterLoad(const std::string& loadType)
{
    const QString type = QString::fromStdString(loadType);
    if (type == m_LoadType)
    {
        return false;
    }
    if (m_LineOpen)
    {
        m_Out << "\n";
        m_LineOpen = false;
    }
    m_LoadType = type;
    m_FilePercent = 0;
    m_Status = UpdateProgress::LoadStatus::None;
    m_Quarter = 0;
    return true;
}

void ProgressDisplay::redraw()
{
    m_Out << "\r\x1b[K  " << m_LoadType.leftJustified(10) << ' ' << bar(m_FilePercent, 24) << ' '
          << QString::number(m_FilePercent).rightJustified(3) << "%  "
          << OperatorTexts::loadStatusText(m_Status).leftJustified(9) << "  overall " << bar(m_Overall, 16)
          << ' ' << QString::number(m_Overall).rightJustified(3) << '%';
    m_Out.flush();
    m_LineOpen = true;
}

void ProgressDisplay::onFileProgress(uint32_t percent, std::string loadType)
{
    // The record's reset names no load.
    if (loadType.empty())
    {
        return;
    }
    enterLoad(loadType);
    if (percent < m_FilePercent)
    {
        m_Quarter = 0;
    }
    m_FilePercent = percent;
    if (m_Terminal)
    {
        redraw();
    }
    else if (percent / 25 > m_Quarter)
    {
        m_Quarter = percent / 25;
        m_FileLinePending = true;
    }
}

void ProgressDisplay::onLoadStatus(UpdateProgress::LoadStatus status, std::string loadType)
{
    if (loadType.empty())
    {
        return;
    }
    enterLoad(loadType);
    m_Status = status;
    if (m_Terminal)
    {
        redraw();
    }
    else
    {
        m_Out << "  " << m_LoadType << ": " << OperatorTexts::loadStatusText(status) << "\n";
        m_Out.flush();
    }
}

void ProgressDisplay::onOverallProgress(uint32_t percent)
{
    m_Overall = percent;
    if (m_Terminal)
    {
        if (m_LineOpen)
        {
            redraw();
        }
    }
    else if (m_FileLinePending)
    {
        m_FileLinePending = false;
        m_Out << "  " << m_LoadType << ": " << m_FilePercent << "% (overall " << percent << "%)\n";
        m_Out.flush();
        m_OverallShown = percent;
    }
}

void ProgressDisplay::finish()
{
    if (m_LineOpen)
    {
        m_Out << "\n";
        m_LineOpen = false;
    }
    // Plain lines show the overall figure only beside a file's quarter; the
    // last figure (100 % after a complete run) comes after the last quarter.
    if (!m_Terminal && m_Overall != m_OverallShown)
    {
        m_Out << "  overall " << m_Overall << "%\n";
        m_OverallShown = m_Overall;
    }
    m_Out.flush();
}
