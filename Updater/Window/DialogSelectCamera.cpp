#include "Window/DialogSelectCamera.h"

#include "ui_DialogSelectCamera.h"

#include "Window/ModalPrompts.h"

#include "Cameras/Camera.h"

#include <QHeaderView>
#include <QPushButton>

namespace
{

constexpr int MODEL_NAME_COLUMN = 0;
constexpr int SERIAL_NUMBER_COLUMN = 1;

QTableWidgetItem* centredItem(const std::string& text)
{
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    item->setTextAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    return item;
}

} // namespace

DialogSelectCamera::DialogSelectCamera(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::DialogSelectCamera>())
{
    ui->setupUi(this);

    QPushButton* select = ui->buttonBox->addButton(tr("Select"), QDialogButtonBox::AcceptRole);
    QPushButton* close = ui->buttonBox->addButton(tr("Close"), QDialogButtonBox::RejectRole);
    QPushButton* refresh = ui->buttonBox->addButton(tr("Refresh"), QDialogButtonBox::ResetRole);
    select->setObjectName(QStringLiteral("selectButton"));
    close->setObjectName(QStringLiteral("closeButton"));
    refresh->setObjectName(QStringLiteral("refreshButton"));
    connect(select, &QPushButton::clicked, this, &DialogSelectCamera::openClicked);
    connect(close, &QPushButton::clicked, this, &DialogSelectCamera::closeClicked);
    connect(refresh, &QPushButton::clicked, this, &DialogSelectCamera::resetClicked);
    connect(ui->tableWidget, &QTableWidget::doubleClicked, this,
            &DialogSelectCamera::tableWidgetDoubleClicked);

    QTableWidget& table = *ui->tableWidget;
    table.setColumnCount(2);
    table.setHorizontalHeaderLabels({tr("Model Name"), tr("Serial Number")});
    table.horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    setWindowTitle(tr("Camera Selection"));
}

DialogSelectCamera::~DialogSelectCamera() = default;

void DialogSelectCamera::showEvent(QShowEvent* event)
{
    fillTable();
    QDialog::showEvent(event);
}

void DialogSelectCamera::fillTable()
{
    setCursor(Qt::WaitCursor);
    QTableWidget& table = *ui->tableWidget;
    table.setRowCount(0);
    const auto cameras = CameraInterface::Camera::getCamerasList();
    table.setSortingEnabled(false);
    for (const auto& [serialNumber, modelName] : cameras)
    {
        const int row = table.rowCount();
        table.insertRow(row);
        table.setItem(row, MODEL_NAME_COLUMN, centredItem(modelName));
        table.setItem(row, SERIAL_NUMBER_COLUMN, centredItem(serialNumber));
    }
    setCursor(Qt::ArrowCursor);
}

void DialogSelectCamera::openClicked()
{
    QTableWidget& table = *ui->tableWidget;
    if (!table.selectionModel()->hasSelection())
    {
        m_ChosenSerialNumber.clear();
        ModalPrompts::message(this, QMessageBox::Warning, tr("Warning"), tr("No camera has been selected."));
        return;
    }
    for (const QTableWidgetItem* item : table.selectedItems())
    {
        if (item->column() == SERIAL_NUMBER_COLUMN)
        {
            m_ChosenSerialNumber = item->text().toStdString();
            accept();
        }
    }
}

void DialogSelectCamera::closeClicked()
{
    reject();
}

void DialogSelectCamera::resetClicked()
{
    fillTable();
}

void DialogSelectCamera::tableWidgetDoubleClicked(const QModelIndex& /*index*/)
{
    openClicked();
}
