#pragma once

#include "OrderHeader.h"
#include "OrderImport.h"

#include <QDialog>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class TDataModule;
class TPrompts;

// The New-order dialog: the header of the order being imported. A successful save
// stores the order (through the import's store, or, shown on its own, finds or adds
// the customer and records the order row); "Отмена", Escape and the window's close
// button leave it having stored nothing.
class TNewOrderDialog : public QDialog {
    Q_OBJECT
public:
    TNewOrderDialog(TDataModule& AData, TPrompts& APrompts, QWidget* AParent = nullptr);

    // Shows the dialog modally; true when the save stored the order (AHeader then
    // holds it, OrderID included). A save hands the header to AStore; when that
    // throws, the dialog shows why and stays open; when it returns false, the dialog
    // closes unsaved. This is the import's AskOrderHeader. AHeader.SheetThickness, the
    // workbook's thickness, picks the material the dialog opens with, and a material
    // of another thickness is saved only when the user confirms it.
    bool Ask(TOrderHeader& AHeader, const TStoreOrder& AStore = {});

    // Which sheet of the workbook holds the order (TOrderSheetChoice::Note); empty hides it.
    void SetSheetNote(const QString& AText);
    // Key of the selected material as decimal text; empty when none is selected.
    QString SelectedMaterialID() const;
    // Empties and refills the customer, material and weight boxes. Text the user
    // typed and the chosen material are kept.
    void LoadComboData();
    // AHeader.CustomerID for AHeader.CustomerName.
    void FindOrCreateCustomer(TOrderHeader& AHeader);

    // Whether the last save recorded the header.
    bool Saved() const { return FSaved; }
    const TOrderHeader& Header() const { return FHeader; }

    // The import's hooks for the program's windows: messages and the invalid-rows
    // report through APrompts over AWindow, the header through this dialog, the
    // report's file on the user's desktop.
    TOrderImportHooks WindowHooks(QWidget* AWindow, bool AAutoCalculation,
                                  std::function<void(qlonglong)> ARunCalculation,
                                  std::function<void()> AEnableCalculation);

public slots:
    void OnSaveClicked();

protected:
    void showEvent(QShowEvent* AEvent) override;
    void changeEvent(QEvent* AEvent) override;

private:
    void Mark(QWidget* ABox, const QColor& AColor);
    // The material whose thickness the workbook's rows carry, when exactly one has it.
    int MaterialForSheet() const;
    // Whether the chosen material may be saved: its thickness is the workbook's, or the
    // user confirmed the other one.
    bool MaterialConfirmed();

    TDataModule& FData;
    TPrompts& FPrompts;
    TOrderHeader FHeader;
    bool FSaved = false;
    TStoreOrder FStore;      // during Ask: what a save stores through
    QString FSheetThickness; // during Ask: the workbook's thickness

    QLabel* FSheetNote;
    QDateEdit* FDate;
    QLineEdit* FNumber;
    QComboBox* FCustomer;
    QComboBox* FMaxWeight;
    QComboBox* FMaterial;
    QLineEdit* FComment;
    QPushButton* FSaveButton;
    QPushButton* FCancelButton;
};
