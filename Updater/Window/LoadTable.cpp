#include "Window/LoadTable.h"

#include "Engine/EngineLog.h"
#include "Engine/OperatorTexts.h"

#include <QHeaderView>
#include <QTableWidgetItem>

LoadTable::LoadTable(QWidget* parent) : QTableWidget(parent) {}

void LoadTable::setup(const QStringList& headings)
{
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setAlternatingRowColors(true);
    clear();
    setColumnCount(LOAD_COLUMN_COUNT);
    setHorizontalHeaderLabels(headings);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    verticalHeader()->setVisible(false);
}

void LoadTable::clearLoads()
{
    clearContents();
    setRowCount(0);
    m_Rows.clear();
    m_Types.clear();
}

void LoadTable::fill(const std::vector<UpdateRoad::LoadRow>& loads)
{
    clearLoads();
    for (const UpdateRoad::LoadRow& load : loads)
    {
        if (load.inLoadTable && m_Rows.count(load.loadNumber) == 0)
        {
            addRow(load);
        }
    }
}

void LoadTable::addRow(const UpdateRoad::LoadRow& load)
{
    const QStringList texts{load.loadType, load.currentVersion, load.newVersion, QString(), QString()};
    EngineLog::info(OperatorTexts::text(OPERATOR_TEXT::LOADING_LOAD_NUMBER).arg(load.loadNumber));
    const int row = rowCount();
    insertRow(row);
    for (int column = 0; column < LOAD_COLUMN_COUNT; ++column)
    {
        auto* item = new QTableWidgetItem(texts.at(column));
        item->setTextAlignment(Qt::AlignCenter);
        setItem(row, column, item);
    }
    item(row, LOAD_COLUMN_NEW_VERSION)->setForeground(versionColour(load.mark));
    m_Rows[load.loadNumber] = row;
    m_Types[load.loadNumber] = load.loadType;
}

int LoadTable::rowOf(std::uint32_t loadNumber) const
{
    const auto found = m_Rows.find(loadNumber);
    return found == m_Rows.end() ? -1 : found->second;
}

std::optional<std::uint32_t> LoadTable::loadNumberOfType(const QString& loadType) const
{
    std::optional<std::uint32_t> found;
    for (const auto& [loadNumber, type] : m_Types)
    {
        if (type == loadType)
        {
            if (found)
            {
                return std::nullopt;
            }
            found = loadNumber;
        }
    }
    return found;
}

QTableWidgetItem* LoadTable::cell(std::uint32_t loadNumber, LOAD_COLUMN column) const
{
    const int row = rowOf(loadNumber);
    return row < 0 ? nullptr : item(row, column);
}

void LoadTable::setFileProgress(std::uint32_t loadNumber, std::uint32_t percent)
{
    if (QTableWidgetItem* progress = cell(loadNumber, LOAD_COLUMN_PROGRESS))
    {
        progress->setText(QString::number(percent) + QLatin1Char('%'));
        viewport()->update();
    }
}

void LoadTable::setStatus(std::uint32_t loadNumber, const QString& text, const QColor& background)
{
    if (QTableWidgetItem* status = cell(loadNumber, LOAD_COLUMN_STATUS))
    {
        status->setText(text);
        status->setBackground(background);
    }
}

void LoadTable::resetProgress(const QString& statusText, const QColor& background)
{
    for (const auto& [loadNumber, row] : m_Rows)
    {
        item(row, LOAD_COLUMN_PROGRESS)->setText(QString());
        setStatus(loadNumber, statusText, background);
    }
}

void LoadTable::refreshVersions(const std::vector<UpdateRoad::LoadRow>& loads)
{
    for (const UpdateRoad::LoadRow& load : loads)
    {
        if (QTableWidgetItem* version = cell(load.loadNumber, LOAD_COLUMN_VERSION);
            version && load.inLoadTable)
        {
            version->setText(load.currentVersion);
            cell(load.loadNumber, LOAD_COLUMN_NEW_VERSION)->setForeground(versionColour(load.mark));
        }
    }
}

void LoadTable::greyNewVersions()
{
    for (const auto& [loadNumber, row] : m_Rows)
    {
        item(row, LOAD_COLUMN_NEW_VERSION)->setForeground(QColor(Qt::darkGray));
    }
}

QColor LoadTable::versionColour(UpdateRoad::LoadRow::NEW_VERSION_MARK mark)
{
    using MARK = UpdateRoad::LoadRow::NEW_VERSION_MARK;
    switch (mark)
    {
    case MARK::OLDER:
        return QColor(Qt::red);
    case MARK::NEWER:
        return QColor(Qt::green).darker(200);
    case MARK::PLAIN:
        break;
    }
    return QColor(Qt::black);
}
