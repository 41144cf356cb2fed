#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <mutex>

class QTextStream;

// A write-only device that hands what is written to it on to a shared
// stream line by line, each line behind a label: "[21001] Camera rebooted.".
// Cameras updated at once each write through devices of their own onto the
// one standard output and standard error, so their lines never mix within a
// line. A last line without its end is handed on when the device is
// destroyed.
//
// Threads: one device is written by one thread; `targetMutex` guards the
// target stream against the other devices on it and is held for each line.
class PrefixedLines : public QIODevice
{
public:
    PrefixedLines(const QString& label, QTextStream& target, std::mutex& targetMutex);
    PrefixedLines(const PrefixedLines&) = delete;
    PrefixedLines& operator=(const PrefixedLines&) = delete;
    ~PrefixedLines() override;

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maximum) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    // Hands on every complete line, and with `all` the rest too.
    void handOn(bool all);

    QString m_Prefix;
    QTextStream& m_Target;
    std::mutex& m_TargetMutex;
    QByteArray m_Pending;
};
