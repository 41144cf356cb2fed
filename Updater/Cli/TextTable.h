#pragma once

#include <QString>
#include <QStringList>

#include <map>
#include <vector>

class QTextStream;

// Rows of text in aligned columns, two blanks apart, for a terminal or a log.
// The last cell of a row is not padded and does not widen its column, so a
// short row that ends in a long text (an error in place of a value) leaves
// the other rows as they are.
class TextTable
{
public:
    // Cells may hold untrusted text (names from a bundle or a camera): they are
    // shown with control characters escaped and cut when very long.
    void addRow(const QStringList& cells);
    // Cells of `column` longer than `width` characters are cut to it, ending
    // in "...", unless they end their row. Set before adding rows.
    void limitColumn(int column, int width);
    bool isEmpty() const { return m_Rows.empty(); }
    void print(QTextStream& out, const QString& indent = QString()) const;

private:
    std::vector<QStringList> m_Rows;
    std::map<int, int> m_Limits;
};
