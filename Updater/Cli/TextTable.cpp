#include "TextTable.h"

#include "Engine/DisplayText.h"

#include <QTextStream>

#include <algorithm>

void TextTable::addRow(const QStringList& cells)
{
    QStringList shown;
    for (const QString& cell : cells)
    {
        shown << DisplayText::shown(cell);
    }
    m_Rows.push_back(shown);
}

void TextTable::print(QTextStream& out, const QString& indent) const
{
    std::vector<int> widths;
    for (const QStringList& row : m_Rows)
    {
        for (int column = 0; column < row.size(); ++column)
        {
            if (static_cast<int>(widths.size()) <= column)
            {
                widths.push_back(0);
            }
            widths[column] = std::max(widths[column], static_cast<int>(row.at(column).size()));
        }
    }
    for (const QStringList& row : m_Rows)
    {
        QString line = indent;
        for (int column = 0; column < row.size(); ++column)
        {
            // The last column is not padded: no trailing blanks.
            line +=
                column + 1 < row.size() ? row.at(column).leftJustified(widths[column] + 2) : row.at(column);
        }
        out << line << "\n";
    }
}
