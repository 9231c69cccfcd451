# SPDX-License-Identifier: GPL-3.0-or-later
# Prints what python-docx reads from a Word document, one item a line:
#   P <font>|<text>      a paragraph in the body, with the font of its first run
#   C <row>,<col>|<text> a cell of a table
#   IMG <count> <distinct relationship ids>
#   SECTIONS <count>
# Used by the document tests to read our files the way an independent program does.
import sys
import docx
import docx.table
import docx.text.paragraph

d = docx.Document(sys.argv[1])
for block in d.element.body.iterchildren():
    tag = block.tag.split('}')[1]
    if tag == 'p':
        p = docx.text.paragraph.Paragraph(block, d)
        font = p.runs[0].font.name if p.runs else ''
        print('P %s|%s' % (font or '', p.text))
    elif tag == 'tbl':
        t = docx.table.Table(block, d)
        for r, row in enumerate(t.rows):
            for c, cell in enumerate(row.cells):
                print('C %d,%d|%s' % (r, c, cell.text))
ids = [s._inline.graphic.graphicData.pic.blipFill.blip.embed for s in d.inline_shapes]
print('IMG %d %d' % (len(ids), len(set(ids))))
for rid in ids:
    part = d.part.related_parts[rid]
    assert part.blob[:8] == b'\x89PNG\r\n\x1a\n'
print('SECTIONS %d' % len(d.sections))
