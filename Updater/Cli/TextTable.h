#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class QTextStream;

// Rows of text in aligned columns, two blanks apart, for a terminal or a log.
class TextTable
{
public:
    // Cells may hold untrusted text (names from a bundle or a camera): they are
    // shown with control characters escaped and cut when very long.
    void addRow(const QStringList& cells);
    bool isEmpty() const { return m_Rows.empty(); }
    void print(QTextStream& out, const QString& indent = QString()) const;

private:
    std::vector<QStringList> m_Rows;
};
