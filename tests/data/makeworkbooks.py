# SPDX-License-Identifier: GPL-3.0-or-later
# Writes groups.xls (xlwt), groups.xlsx (openpyxl) and groups.ods (odfpy) with the same two sheets,
# with writers independent of the program's readers (Debian python3-xlwt, python3-openpyxl,
# python3-odf): cd tests/data && /usr/bin/python3 makeworkbooks.py
import openpyxl
import xlwt
from odf.opendocument import OpenDocumentSpreadsheet
from odf.table import Table, TableRow, TableCell
from odf.text import P

ROWS = [("Group", "Case", "Score"),
        ("Control", 1, 3.5), ("Control", 2, 4), ("Control", 3, 5),
        ("Drug", 4, 7), ("Drug", 5, 8.25), ("Drug", 6, None)]
NOTE = "Made for the import tests"

book = xlwt.Workbook()
book.add_sheet("Info").write(0, 0, NOTE)
sheet = book.add_sheet("Scores")
for r, row in enumerate(ROWS):
    for c, value in enumerate(row):
        if value is not None:
            sheet.write(r, c, value)
book.save("groups.xls")

wb = openpyxl.Workbook()
wb.active.title = "Info"
wb.active["A1"] = NOTE
ws = wb.create_sheet("Scores")
for row in ROWS:
    ws.append(list(row))
wb.save("groups.xlsx")

doc = OpenDocumentSpreadsheet()
for name, rows in (("Info", [(NOTE,)]), ("Scores", ROWS)):
    table = Table(name=name)
    for row in rows:
        tr = TableRow()
        for value in row:
            if value is None:
                tr.addElement(TableCell())
            elif isinstance(value, str):
                cell = TableCell(valuetype="string")
                cell.addElement(P(text=value))
                tr.addElement(cell)
            else:
                cell = TableCell(valuetype="float", value=value)
                cell.addElement(P(text=str(value)))
                tr.addElement(cell)
        table.addElement(tr)
    doc.spreadsheet.addElement(table)
doc.save("groups.ods")
