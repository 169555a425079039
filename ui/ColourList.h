#pragma once

#include <QDialog>

class QPushButton;
class TDataGrid;
class TDataModule;
class TPrompts;

// The colour directory: every colour orders may name, in the order they were added,
// and "+" to add one.
class TColourList : public QDialog {
    Q_OBJECT
public:
    // The colour list (TDataModule::Colours()) is opened by whoever shows the directory.
    TColourList(TDataModule* AData, TPrompts* APrompts, QWidget* AParent = nullptr);

public slots:
    void OnAddColourClicked();
    void OnCloseClicked();

private:
    TDataModule* FData;
    TPrompts* FPrompts;
    TDataGrid* FColoursGrid;
    QPushButton* FAddColourButton;
    QPushButton* FCloseButton;
};
