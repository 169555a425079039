/* Writes the reading corpus's libxlsxwriter workbook from corpus.cells
 * (tools/make_corpus.py). Usage: make_corpus_xlsxwriter CELLS OUT.xlsx */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <xlsxwriter.h>

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    FILE* in = fopen(argv[1], "r");
    if (!in)
        return 1;
    lxw_workbook* wb = workbook_new(argv[2]);
    lxw_format* date = workbook_add_format(wb);
    format_set_num_format(date, "dd.mm.yyyy");
    lxw_worksheet* sheets[16];
    int count = 0, active = 0;
    char line[4096];
    if (!fgets(line, sizeof line, in))
        return 1;
    active = atoi(line);
    while (fgets(line, sizeof line, in)) {
        line[strcspn(line, "\n")] = 0;
        char* f[6] = {0};
        int n = 0;
        for (char* p = strtok(line, "\t"); p && n < 6; p = strtok(NULL, "\t"))
            f[n++] = p;
        if (n == 2 && strcmp(f[0], "sheet") == 0) {
            sheets[count++] = workbook_add_worksheet(wb, f[1]);
            continue;
        }
        if (n < 5)
            continue;
        lxw_worksheet* ws = sheets[atoi(f[0])];
        lxw_row_t r = (lxw_row_t)atoi(f[1]);
        lxw_col_t c = (lxw_col_t)atoi(f[2]);
        if (strcmp(f[3], "n") == 0) {
            worksheet_write_number(ws, r, c, atof(f[4]), NULL);
        } else if (strcmp(f[3], "s") == 0) {
            if (atoi(f[0]) == active && r == 2 && c == 7)
                worksheet_merge_range(ws, 2, 7, 2, 8, f[4], NULL);
            else
                worksheet_write_string(ws, r, c, f[4], NULL);
        } else if (strcmp(f[3], "fn") == 0) {
            worksheet_write_formula_num(ws, r, c, f[4], NULL, atof(f[5]));
        } else if (strcmp(f[3], "fs") == 0) {
            worksheet_write_formula_str(ws, r, c, f[4], NULL, f[5]);
        } else if (strcmp(f[3], "d") == 0) {
            lxw_datetime d = {0};
            sscanf(f[4], "%d-%d-%d", &d.year, &d.month, &d.day);
            worksheet_write_datetime(ws, r, c, &d, date);
        }
    }
    fclose(in);
    worksheet_activate(sheets[active]);
    return workbook_close(wb) == LXW_NO_ERROR ? 0 : 1;
}
