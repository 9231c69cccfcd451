# SPDX-License-Identifier: GPL-3.0-or-later
# Writes groups.xls with xlwt (Debian python3-xlwt), a writer independent of the program's reader.
import xlwt

book = xlwt.Workbook()
info = book.add_sheet("Info")
info.write(0, 0, "Made for the import tests")
sheet = book.add_sheet("Scores")
rows = [("Group", "Case", "Score"),
        ("Control", 1, 3.5), ("Control", 2, 4), ("Control", 3, 5),
        ("Drug", 4, 7), ("Drug", 5, 8.25), ("Drug", 6, None)]
for r, row in enumerate(rows):
    for c, value in enumerate(row):
        if value is not None:
            sheet.write(r, c, value)
book.save("groups.xls")
