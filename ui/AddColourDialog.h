#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class TDataModule;
class TPrompts;

// A new colour: its code and its name. Both must be filled for a row to be added.
class TAddColourDialog : public QDialog {
    Q_OBJECT
public:
    TAddColourDialog(TDataModule* AData, TPrompts* APrompts, QWidget* AParent = nullptr);

public slots:
    void OnAddClicked();
    void OnCancelClicked();

private:
    TDataModule* FData;
    TPrompts* FPrompts;
    QLineEdit* FCodeEdit;
    QLineEdit* FNameEdit;
    QPushButton* FCancelButton;
    QPushButton* FAddButton;
};
