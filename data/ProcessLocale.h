#pragma once

// The C library's locale of the running program. Qt's application object adopts the
// user's locale for every category (setlocale(LC_ALL, "")), and the libraries below
// Qt format and parse numbers with it: under ru_RU the workbook writer would store
// 43.5 as "43,5", which spreadsheets read as 43. Every executable calls
// UseCNumericFormatting() once, right after its application object exists; texts
// the user reads are formatted by Qt in Russian, not by the C library.
namespace ProcessLocale {

void UseCNumericFormatting();

// Whether the C library formats numbers with a decimal point (true after the call).
bool NumericFormattingIsC();

} // namespace ProcessLocale
