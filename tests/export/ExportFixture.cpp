#include "ExportFixture.h"

#include "DataModule.h"
#include "TestDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QDate>

namespace ExportFixture {

namespace {

qlonglong Pallet(TDataModule& AData, qlonglong AColour, int ALength, int AWidth) {
    const qlonglong id = TestDb::AddPallet(AData, AColour);
    AData.ExecSql(QStringLiteral("update Palletes set Length = :l, Width = :w where ID = :id"),
                  {{QStringLiteral(":l"), ALength},
                   {QStringLiteral(":w"), AWidth},
                   {QStringLiteral(":id"), id}});
    return id;
}

} // namespace

TLayoutOrder MakeOrder(TDataModule& AData, const QString& ANumber) {
    TLayoutOrder o;
    QList<qlonglong> pos;
    // Material 2: sheets 10 mm thick.
    o.Id = TestDb::AddOrder(AData, ANumber, QDate(2024, 3, 14), 2, 1000,
                            {{2000, 500, 3, 5, QStringLiteral("первая")}, // 0: P1
                             {1200, 300, 3, 3, {}},                       // 1: P1
                             {2500, 1200, 5, 2, {}},                      // 2: P2
                             {1000, 200, 2, 10, {}},                      // 3: P3
                             {1500, 350, 2, 7, QStringLiteral("край")},   // 4: P3
                             {1050, 1000, 2, 1, {}},                      // 5: P3
                             {3000, 1200, 2, 4, {}},                      // 6: P3
                             {700, 750, 2, 2, {}}},                       // 7: P3
                            &pos, Customer);
    // Created against the list's order, so numbering by key would show.
    o.P3 = Pallet(AData, 2, 3000, 1200);
    o.P2 = Pallet(AData, 5, 2500, 1200);
    o.P1 = Pallet(AData, 3, 2000, 1200);
    TestDb::AddSolution(AData, o.Id, pos[0], o.P1, 2, 5, QStringLiteral("Повернуть на 90 град."));
    TestDb::AddSolution(AData, o.Id, pos[1], o.P1, 3, 3);
    TestDb::AddSolution(AData, o.Id, pos[2], o.P2, 1, 2);
    TestDb::AddSolution(AData, o.Id, pos[3], o.P3, 4, 10);
    TestDb::AddSolution(AData, o.Id, pos[4], o.P3, 3, 7, QStringLiteral("сверху"));
    // 700 x 750 x 2 abreast and 1050 x 1000 x 1 are the same size: the placement made
    // first comes first.
    TestDb::AddSolution(AData, o.Id, pos[7], o.P3, 2, 2);
    TestDb::AddSolution(AData, o.Id, pos[5], o.P3, 1, 1);
    TestDb::AddSolution(AData, o.Id, pos[6], o.P3, 1, 4);
    return o;
}

TExportCallbacks TRecorder::Callbacks() {
    TExportCallbacks c;
    c.ShowPanel = [this] { Events << QStringLiteral("show"); };
    c.SetProgressMaximum = [this](int AMax) { Events << QStringLiteral("max %1").arg(AMax); };
    c.StepProgress = [this] {
        Events << QStringLiteral("step");
        ++Steps;
        if (OnStep)
            OnStep(Steps);
    };
    c.ResetProgress = [this] { Events << QStringLiteral("reset"); };
    c.HidePanel = [this] { Events << QStringLiteral("hide"); };
    c.ShowMessage = [this](TExportCallbacks::TMessageKind AKind, const QString& AText) {
        Events << (AKind == TExportCallbacks::TMessageKind::Information
                       ? QStringLiteral("info ")
                       : QStringLiteral("plain ")) +
                      AText;
    };
    c.OpenFile = [this](const QString& AFile) { Events << QStringLiteral("open ") + AFile; };
    return c;
}

QStringList TRecorder::Messages() const {
    QStringList m;
    for (const QString& e : Events)
        if (e.startsWith(QLatin1String("info ")) || e.startsWith(QLatin1String("plain ")))
            m << e;
    return m;
}

int TRecorder::Count(const QString& AEvent) const {
    int n = 0;
    for (const QString& e : Events)
        if (e == AEvent || e.startsWith(AEvent + QLatin1Char(' ')))
            ++n;
    return n;
}

QString ProgramFolder() {
    return QCoreApplication::applicationDirPath();
}

} // namespace ExportFixture

ExportFixture::TSmallDisk::~TSmallDisk() {
    if (FMounted)
        QProcess::execute(QStringLiteral("umount"), {FPath});
}

bool ExportFixture::TSmallDisk::Mount(const QString& AFolder, int AKilobytes) {
    FPath = AFolder;
    if (!QDir().mkpath(AFolder))
        return false;
    FMounted = QProcess::execute(QStringLiteral("mount"),
                                 {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                  QStringLiteral("size=%1k,mode=0777").arg(AKilobytes),
                                  QStringLiteral("tmpfs"), AFolder}) == 0;
    return FMounted;
}
