// The order browser of the main window: searches, the master-detail refresh of the
// four grids and the rules that enable the calculation and print buttons.
#include "MainWindow.h"

#include "DataModule.h"
#include "DataGrid.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

void TMainWindow::BitBtn1Click() {
    if (FCalcRunning)
        return;
    RunCommand([this] { RefreshApplications(FData->DateCondition(DateTimeZayavki->date())); });
}

void TMainWindow::BitBtn2Click() {
    if (FCalcRunning)
        return;
    // The typed text is a LIKE pattern: "%" and "_" act as wildcards, an apostrophe is
    // searched for as such because the whole pattern is quoted.
    RunCommand([this] { RefreshApplications(FData->NumberCondition(NomerZayavki->text())); });
}

int TMainWindow::DataSourceRowCount(const TStaticQueryModel* ADataSource) {
    return ADataSource ? ADataSource->RowCount() : 0;
}

QVariant TMainWindow::CurrentOrderValue(const QString& AField) const {
    return FData->QApplicates->Value(cxGrid1->CurrentRow(), AField);
}

QVariant TMainWindow::CurrentPalletValue(const QString& AField) const {
    return FData->QPallets->Value(cxGrid3->CurrentRow(), AField);
}

void TMainWindow::RefreshApplications(const QString& AUslovie) {
    FData->UpdateRabStol(AUslovie);
    if (DataSourceRowCount(FData->QApplicates) == 0) {
        // Nothing found: the detail grids keep what they showed, but nothing may be
        // calculated or printed from them.
        Button1->setEnabled(false);
        Button2->setEnabled(false);
        Button3->setEnabled(false);
        SetStatusText(QStringLiteral("Заявки не найдены"));
        return;
    }
    cxGrid1->SetCurrentRow(0);
    GridUpdate(CurrentOrderValue(QStringLiteral("ID")).toString());
}

void TMainWindow::GridUpdate(const QString& AAppId) {
    FData->QApplicPos->Close();
    FData->OpenApplicPos(AAppId);
    const QString number = CurrentOrderValue(QStringLiteral("Number")).toString();
    Label7->setText(number);
    Label1->setText(number);
    FData->QPallets->Close();
    FData->OpenPallets(AAppId);
    if (DataSourceRowCount(FData->QPallets) > 0)
        cxGrid3->SetCurrentRow(0);
    ShowPalletContents();
    const bool hasPallets = DataSourceRowCount(FData->QPallets) > 0;
    // The calculation works on the order in the working tables; an archived order that
    // was never calculated cannot be, and a run would recalculate another order.
    Button3->setEnabled(!hasPallets && IsWorkingOrder(AAppId));
    Button1->setEnabled(hasPallets);
    Button2->setEnabled(DataSourceRowCount(FData->QSolutions) > 0);
}

bool TMainWindow::IsWorkingOrder(const QString& AAppId) const {
    return FData
               ->OpenSql(QStringLiteral("select count(*) from Applicates where ID = :id"),
                         {{QStringLiteral(":id"), SqlRun::KeyValue(AAppId)}})
               .value(0)
               .value(0)
               .toLongLong() > 0;
}

void TMainWindow::ShowPalletContents() {
    if (DataSourceRowCount(FData->QApplicates) == 0)
        return;
    FData->QSolutions->Close();
    if (DataSourceRowCount(FData->QPallets) == 0)
        return;
    const QVariant order = CurrentOrderValue(QStringLiteral("ID"));
    const QVariant pallet = CurrentPalletValue(QStringLiteral("id"));
    const QVariant number = CurrentPalletValue(QStringLiteral("Number"));
    Label3->setText(QString::number(qlonglong(number.toDouble())));
    FData->OpenSolutions(order, pallet);
    Button2->setEnabled(DataSourceRowCount(FData->QSolutions) > 0);
}

void TMainWindow::cxGrid1CellClick(int) {
    if (FCalcRunning)
        return;
    RunCommand([this] {
        const QVariant id = CurrentOrderValue(QStringLiteral("ID"));
        if (id.isNull() || !id.isValid())
            return;
        FData->QSolutions->Close();
        GridUpdate(id.toString());
    });
}

void TMainWindow::cxGrid3CellClick(int) {
    if (FCalcRunning)
        return;
    RunCommand([this] { ShowPalletContents(); });
}
