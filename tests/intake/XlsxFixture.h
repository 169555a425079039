#pragma once

// Order workbooks written by the tests themselves with libxlsxwriter: whole numbers
// as number cells, everything else as text, the order sheet placed where asked.

#include <QString>
#include <QStringList>
#include <xlsxwriter.h>

namespace XlsxFixture {

// Writes ARows on a sheet "Заявка" with the top-left cell at (ARow0, ACol0), after a
// sheet "Прочее" with unrelated cells, and makes the order sheet the active one.
inline bool Write(const QString& APath, const QList<QStringList>& ARows, int ARow0 = 0,
                  int ACol0 = 0) {
    const QByteArray path = APath.toUtf8();
    lxw_workbook* wb = workbook_new(path.constData());
    if (!wb)
        return false;
    lxw_worksheet* other = workbook_add_worksheet(wb, "Прочее");
    worksheet_write_string(other, 0, 0, "Цвет Длина Ширина", nullptr);
    lxw_worksheet* ws = workbook_add_worksheet(wb, "Заявка");
    for (int r = 0; r < ARows.size(); ++r) {
        for (int c = 0; c < ARows.at(r).size(); ++c) {
            const QString& text = ARows.at(r).at(c);
            if (text.isEmpty())
                continue;
            bool whole = false;
            const qlonglong v = text.toLongLong(&whole);
            if (whole && QString::number(v) == text)
                worksheet_write_number(ws, lxw_row_t(ARow0 + r), lxw_col_t(ACol0 + c), double(v),
                                       nullptr);
            else
                worksheet_write_string(ws, lxw_row_t(ARow0 + r), lxw_col_t(ACol0 + c),
                                       text.toUtf8().constData(), nullptr);
        }
    }
    worksheet_activate(ws);
    return workbook_close(wb) == LXW_NO_ERROR;
}

} // namespace XlsxFixture
