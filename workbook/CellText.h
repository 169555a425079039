#pragma once

#include <QString>

// How a cell's value becomes the text the order reader works with, the same for
// every workbook format: a whole number without a decimal part ("1200"), a fraction
// in its shortest form with the decimal comma of the Russian locale ("12,5"), so a
// fraction is never mistaken for a whole number; dates as dd.MM.yyyy, Booleans and
// errors by the names a Russian spreadsheet shows.
namespace CellText {

// A cell's text as a message quotes it: its first 100 characters, then "…". A cell may
// hold megabytes; the operator needs to recognise it, not to read it back.
QString Quoted(const QString& AText);
constexpr qsizetype QuotedChars = 100;

QString Number(double AValue);
QString Boolean(bool AValue);
// AName is the error's name as files store it ("#DIV/0!", "#N/A"); unknown names
// are kept as they are.
QString Error(const QString& AName);

// What a number cell's format makes of its value.
enum class TNumberKind { Number, Date, Time };
// A day serial number (days since the workbook's epoch, the fraction the time of
// day): "dd.MM.yyyy", with " HH:mm:ss" when the time is not midnight; out of the
// calendar the number itself.
QString Serial(double AValue, bool A1904, TNumberKind AKind);
// The same from an ISO 8601 date or date and time ("2024-03-01", "2024-03-01T10:30:00").
QString IsoDate(const QString& AIso);

// The kind a number format gives: built-in format numbers of BIFF and
// SpreadsheetML, and format codes such as "dd.mm.yyyy" or "[h]:mm".
TNumberKind BuiltInFormatKind(int AId);
TNumberKind FormatCodeKind(const QString& ACode);

} // namespace CellText
