#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class QTextStream;

// Rows of text in aligned columns, two blanks apart, for a terminal or a log.
class TextTable
{
public:
    void addRow(const QStringList& cells) { m_Rows.push_back(cells); }
    bool isEmpty() const { return m_Rows.empty(); }
    void print(QTextStream& out, const QString& indent = QString()) const;

private:
    std::vector<QStringList> m_Rows;
};
