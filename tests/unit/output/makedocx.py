# SPDX-License-Identifier: GPL-3.0-or-later
# Writes a Word document the way a word processor would (through python-docx): a heading
# paragraph, a table, a section break and a closing paragraph.
import sys
import docx
from docx.enum.section import WD_SECTION

d = docx.Document()
d.add_paragraph('Report written elsewhere')
t = d.add_table(rows=2, cols=2)
t.cell(0, 0).text = 'x'
t.cell(1, 1).text = 'y'
d.add_section(WD_SECTION.NEW_PAGE)
d.add_paragraph('Last paragraph of the report')
d.save(sys.argv[1])
