#pragma once

#include <QString>

class TDataModule;

// The colours orders may name. A colour is found by its code as the order reader
// reads it (CodeKey), so two codes that read the same cannot both be kept: the
// second would never be chosen.
class TColourDirectory {
public:
    explicit TColourDirectory(TDataModule& AData) : FData(AData) {}

    // The code as orders are matched against it: case and blanks do not count.
    static QString CodeKey(const QString& ACode);

    // Adds the colour, its texts as typed. Returns why it was refused (a Russian
    // sentence; empty when added): a missing code or name, or a code already there.
    // Throws EDatabaseError when the database fails.
    QString Add(const QString& ACode, const QString& AName);

private:
    TDataModule& FData;
};
