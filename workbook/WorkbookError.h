#pragma once

#include "Errors.h"

// The one form of every failure to read a workbook: the file's name and the reason,
// in Russian, so the user knows which file to look at and what is wrong with it.
namespace WorkbookError {

EGravelonError Make(const QString& AFileName, const QString& AReason);
// A part whose XML the reader refused (malformed, cut short, or using what the reader
// does not take, such as entities that expand): the XML parser's own words come last,
// after what the operator can do.
EGravelonError Xml(const QString& AFileName, const QString& APart, const QString& AParserText);

inline const QString NotFound = QStringLiteral("файл не найден");
inline const QString NotWorkbook =
    QStringLiteral("файл не является книгой Excel (.xls, .xlsx) или OpenDocument (.ods)");
inline const QString Password = QStringLiteral("книга защищена паролем");
inline const QString Damaged = QStringLiteral("файл повреждён или записан не полностью");

} // namespace WorkbookError
