#pragma once

#include "IniFile.h"

#include <QString>

// The CONNECT section: where the database is and who connects.
struct TConnectionSettings {
    QString Serv; // empty: the embedded database on this computer
    QString Baza; // embedded: the database file; server: the database name
    QString Log;
    QString Pass;
};

namespace GravelonSettings {

// Shown wherever the settings file is read or written and is missing, naming the file
// the run was given ("Файл example.ini не найден!" for the one beside the executable).
// Only a user's own settings file is ever created, from the template (TSettingsLocation).
QString IniNotFound(const QString& ASettingsPath);

inline const QString ConnectSection = QStringLiteral("CONNECT");
inline const QString ProgramSection = QStringLiteral("PROGSETTIG");
inline const QString AutoCalcKey = QStringLiteral("AutoObrabotka");
inline const QString DensePackingKey = QStringLiteral("PlotnayaUkladka");
inline const QString ProofTimeKey = QStringLiteral("VremyaDokazatelstva");
inline const QString LabelPaperKey = QStringLiteral("EtiketkiNaA4");
// Milliseconds the proof of a pallet count may take when the settings say nothing.
inline constexpr qint64 DefaultProofTime = 1000;

// resources/example.ini beside the running executable.
QString DefaultPath();

TConnectionSettings ReadConnection(const TIniFile& AIni);
void WriteConnection(const TIniFile& AIni, const TConnectionSettings& ASettings);

// "false" when missing; compared case-sensitively by the callers.
QString ReadAutoCalc(const TIniFile& AIni);
void WriteAutoCalc(const TIniFile& AIni, bool AChecked);

// Whether the calculation packs densely: "true" (in any case) is on; missing or any
// other value is off, the calculation everyone knows.
bool ReadDensePacking(const TIniFile& AIni);
void WriteDensePacking(const TIniFile& AIni, bool AChecked);

// Milliseconds the calculation may spend proving its pallet count minimal, 0 to 60000;
// DefaultProofTime when missing or not a whole number in that range.
qint64 ReadProofTime(const TIniFile& AIni);

// Whether pallet labels are printed four to an A4 sheet ("true", in any case) rather
// than one to a 100×150 mm label, the default.
bool ReadLabelsOnA4(const TIniFile& AIni);

} // namespace GravelonSettings
