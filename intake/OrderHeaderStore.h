#pragma once

#include "OrderHeader.h"

#include <QList>
#include <QStringList>

class TDataModule;

// What the New-order dialog does with the database, without its widgets, so the
// command-line import records a header exactly as the dialog does: the lists of its
// three boxes, finding or adding the customer, and inserting the order row.
class TOrderHeaderStore {
public:
    explicit TOrderHeaderStore(TDataModule& AData) : FData(AData) {}

    struct TMaterialItem {
        qlonglong ID = 0;
        QString Text;
    };

    // Customer names by name; a NULL name is listed as "-".
    QStringList CustomerNames() const;
    // Materials by name and thickness: "Name (8 мм)", "Материал" for a blank name.
    QList<TMaterialItem> MaterialItems() const;
    // Pallet weights used by earlier orders, written so the database takes them back.
    QStringList MaxWeights() const;

    // The customer's comparison form: no spaces, lower case, trimmed.
    static QString MatchingKey(const QString& ACustomerName);
    // The key (decimal text) of the customer whose comparison form contains the
    // name's; the customer is added first when none does.
    QString FindOrCreateCustomer(const QString& ACustomerName) const;
    // Inserts the order row for AHeader (CustomerID and MaterialID set) and returns
    // its key. The database refuses what does not fit (a weight that is no number).
    qlonglong InsertOrder(const TOrderHeader& AHeader) const;
    // Both steps for a header as entered; fills CustomerID and OrderID and keeps the
    // header as OrderHeader.
    void Record(TOrderHeader& AHeader) const;

    // Texts the matching key's LIKE pattern must not read as wildcards are escaped
    // with a backslash (ESCAPE '\').
    static QString LikeContains(const QString& AText);

private:
    TDataModule& FData;
};
