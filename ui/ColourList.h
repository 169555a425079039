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
    // The colour list (ADOQuery2) is opened by whoever shows the directory.
    TColourList(TDataModule* AData, TPrompts* APrompts, QWidget* AParent = nullptr);

public slots:
    void Button3Click();
    void Button2Click();

private:
    TDataModule* FData;
    TPrompts* FPrompts;
    TDataGrid* DBGrid1;
    QPushButton* Button3;
    QPushButton* Button2;
};
