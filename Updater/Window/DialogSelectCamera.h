#pragma once

#include <QDialog>

#include <memory>
#include <string>

class QModelIndex;
class QPushButton;

namespace Ui
{
class DialogSelectCamera;
}

// The operator's choice among the cameras in the registry. The main window
// creates it once (parent: the window) and runs exec whenever two or more
// cameras are attached; after Accepted, selectedSerialNumber() names the
// camera chosen. Each showing lists the registry's current cameras (model
// name, serial number, ordered by serial number); "Refresh" lists them again
// without searching for new ones. GUI thread only.
class DialogSelectCamera : public QDialog
{
    Q_OBJECT

public:
    explicit DialogSelectCamera(QWidget* parent = nullptr);
    ~DialogSelectCamera() override;

    // The serial number chosen last; empty before a choice or after Select
    // without a selection.
    std::string selectedSerialNumber() const { return m_ChosenSerialNumber; }

public slots:
    void openClicked();
    void closeClicked();
    void resetClicked();
    void tableWidgetDoubleClicked(const QModelIndex& index);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void fillTable();

    std::unique_ptr<Ui::DialogSelectCamera> ui;
    std::string m_ChosenSerialNumber;
};
