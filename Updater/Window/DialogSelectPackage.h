#pragma once

#include "Engine/Package.h"

#include <QDialog>

#include <cstdint>
#include <memory>
#include <vector>

class QAbstractButton;
class QModelIndex;

namespace Ui
{
class DialogSelectPackage;
}

// The operator's choice among several packages of a bundle that fit the
// connected camera. The main window creates one per choice (parent: the
// window), calls setPackages with the candidates, runs exec and, when it
// returns Accepted, takes the candidate at selectedIndex().
//
// The row the operator picks is mapped back to the candidate it was made from,
// so re-sorting the table by any column still returns the right package.
// GUI thread only.
class DialogSelectPackage : public QDialog
{
    Q_OBJECT

public:
    explicit DialogSelectPackage(QWidget* parent = nullptr);
    ~DialogSelectPackage() override;

    // Fills the table with one row per candidate, in the given order: Model,
    // ID, HW and one column per load type (XSVF loads excepted). Replaces
    // whatever an earlier call put there.
    virtual void setPackages(const std::vector<Package>& candidates);

    // What is known of the bundle's maker, shown above the table: the
    // signature's summary ("Signature: valid, signed by NAME (FINGERPRINT)"
    // or "Signature: not signed"), in red with `warning` after it for an
    // unsigned bundle. An empty summary hides the line.
    void setSignature(const QString& summary, const QString& warning = QString());
    QString signatureText() const;

    // The index into the candidates of the accepted choice; -1 when none.
    std::int32_t selectedIndex() const { return m_SelectedIndex; }

private slots:
    void on_buttonBox_clicked(QAbstractButton* button);
    void on_tableWidget_doubleClicked(const QModelIndex& index);

private:
    void resetTable();
    void addPackageRow(const Package& candidate, std::int32_t candidateIndex);
    // The column headed `loadType`, appended when missing; -1 when none can be
    // made.
    int loadTypeColumn(const QString& loadType);
    void selectPackage();
    // Widens the columns to their texts and the dialog to its columns.
    void fitColumns();

    std::unique_ptr<Ui::DialogSelectPackage> ui;
    std::int32_t m_SelectedIndex = -1;
};
