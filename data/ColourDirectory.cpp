#include "ColourDirectory.h"

#include "DataModule.h"

#include <QSqlRecord>

QString TColourDirectory::CodeKey(const QString& ACode) {
    QString key = ACode.toLower();
    key.remove(QLatin1Char(' '));
    key.remove(QStringLiteral("\r\n"));
    return key;
}

QString TColourDirectory::Add(const QString& ACode, const QString& AName) {
    const QString key = CodeKey(ACode);
    if (key.trimmed().isEmpty())
        return QStringLiteral("Введите код цвета.");
    if (AName.trimmed().isEmpty())
        return QStringLiteral("Введите название цвета для кода «%1».").arg(ACode);
    const QSqlDatabase db = FData.Connection();
    // The check and the insert are one step for every program on the database: a
    // second writer waits until this one has committed, then sees its colour.
    TTransaction tr(db, FData.Dialect());
    if (FData.Dialect().IsPostgres())
        SqlRun::Exec(db, QStringLiteral("LOCK TABLE Colors IN SHARE ROW EXCLUSIVE MODE"));
    for (const QSqlRecord& r :
         SqlRun::Open(db, QStringLiteral("select Code, Name from Colors order by ID"))) {
        const QString code = r.value(0).toString();
        if (CodeKey(code) == key)
            return QStringLiteral("Цвет с кодом «%1» уже есть в справочнике: «%2» — «%3».")
                .arg(ACode, code, r.value(1).toString());
    }
    SqlRun::Exec(db, QStringLiteral("insert into Colors (Code, Name) values (:code, :name)"),
                 {{QStringLiteral(":code"), ACode}, {QStringLiteral(":name"), AName}});
    tr.Commit();
    return QString();
}
