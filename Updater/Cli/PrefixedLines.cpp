#include "PrefixedLines.h"

#include <QTextStream>

PrefixedLines::PrefixedLines(const QString& label, QTextStream& target, std::mutex& targetMutex)
    : m_Prefix(QLatin1Char('[') + label + QStringLiteral("] ")), m_Target(target), m_TargetMutex(targetMutex)
{
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

PrefixedLines::~PrefixedLines()
{
    handOn(true);
}

qint64 PrefixedLines::readData(char* /*data*/, qint64 /*maximum*/)
{
    return -1;
}

qint64 PrefixedLines::writeData(const char* data, qint64 size)
{
    m_Pending.append(data, static_cast<int>(size));
    handOn(false);
    return size;
}

void PrefixedLines::handOn(bool all)
{
    int end = m_Pending.lastIndexOf('\n');
    if (all && !m_Pending.isEmpty())
    {
        m_Pending.append('\n');
        end = m_Pending.size() - 1;
    }
    if (end < 0)
    {
        return;
    }
    const QList<QByteArray> lines = m_Pending.left(end).split('\n');
    m_Pending.remove(0, end + 1);
    std::lock_guard<std::mutex> lock(m_TargetMutex);
    for (const QByteArray& line : lines)
    {
        m_Target << m_Prefix << QString::fromUtf8(line) << '\n';
    }
    m_Target.flush();
}
