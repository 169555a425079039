#pragma once

#include <QDialog>

class QPushButton;
class TDataGrid;
class TDataModule1;
class TPrompts;

// The colour directory: every colour orders may name, in the order they were added,
// and "+" to add one.
class TForm5 : public QDialog {
    Q_OBJECT
public:
    // The colour list (ADOQuery2) is opened by whoever shows the directory.
    TForm5(TDataModule1* AData, TPrompts* APrompts, QWidget* AParent = nullptr);

public slots:
    void Button3Click();
    void Button2Click();

private:
    TDataModule1* FData;
    TPrompts* FPrompts;
    TDataGrid* DBGrid1;
    QPushButton* Button3;
    QPushButton* Button2;
};
