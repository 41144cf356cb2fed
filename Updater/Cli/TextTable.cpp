#include "TextTable.h"

#include "Engine/DisplayText.h"

#include <QTextStream>

#include <algorithm>

namespace
{

constexpr char CUT_MARK[] = "...";

} // namespace

void TextTable::limitColumn(int column, int width)
{
    m_Limits[column] = std::max(width, static_cast<int>(sizeof CUT_MARK));
}

void TextTable::addRow(const QStringList& cells)
{
    QStringList shown;
    for (int column = 0; column < cells.size(); ++column)
    {
        QString cell = DisplayText::shown(cells.at(column));
        const auto limit = m_Limits.find(column);
        const bool last = column + 1 == cells.size();
        if (!last && limit != m_Limits.end() && cell.size() > limit->second)
        {
            cell = cell.left(limit->second - static_cast<int>(sizeof CUT_MARK - 1)) + QLatin1String(CUT_MARK);
        }
        shown << cell;
    }
    m_Rows.push_back(shown);
}

void TextTable::print(QTextStream& out, const QString& indent) const
{
    std::vector<int> widths;
    for (const QStringList& row : m_Rows)
    {
        // The row's last cell is not padded, so it needs no room.
        for (int column = 0; column + 1 < row.size(); ++column)
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
