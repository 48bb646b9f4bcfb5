"""The sheet as LibreOffice Calc shows it, printed to PDF: the guides' picture of it.

    /usr/bin/python3 sheet_pdf.py PIPE SHEET.csv RANGE OUT.pdf

Talks to a headless soffice listening on the named pipe PIPE. Calc opens SHEET.csv as
the guides tell (semicolons, UTF-8, formulas evaluated), fits the columns of RANGE
(say A1:Q4) to their contents and prints that range at full size with the
grid, the column letters and the row numbers, as Calc's window shows them.
"""

import sys
import time

import uno
from com.sun.star.beans import PropertyValue
from com.sun.star.connection import NoConnectException
from com.sun.star.lang import DisposedException

# Semicolons, text in ", UTF-8, from line 1, no column types, the default language,
# quoted fields not forced to text, special numbers detected, as shown, spaces kept,
# sheet 0, formulas evaluated: a double click with "Evaluate formulas" ticked.
CSV_OPTIONS = "59,34,76,1,,0,false,true,false,false,false,0,true"
CONNECT_SECONDS = 60
# In hundredths of a millimetre.
PAGE_SIZE = (60000, 20000)
PAGE_MARGIN = 500


def props(**values):
    result = []
    for name, value in values.items():
        prop = PropertyValue()
        prop.Name, prop.Value = name, value
        result.append(prop)
    return tuple(result)


def connect(pipe):
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
    deadline = time.monotonic() + CONNECT_SECONDS
    while True:
        try:
            return resolver.resolve(f"uno:pipe,name={pipe};urp;StarOffice.ComponentContext")
        except NoConnectException:
            if time.monotonic() > deadline:
                sys.exit(f"sheet_pdf.py: soffice did not answer on pipe {pipe} within {CONNECT_SECONDS} s")
            time.sleep(0.2)


def main(pipe, sheet_path, cell_range, pdf_path):
    context = connect(pipe)
    desktop = context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", context)
    doc = desktop.loadComponentFromURL(
        uno.systemPathToFileUrl(sheet_path), "_blank", 0,
        props(FilterName="Text - txt - csv (StarCalc)", FilterOptions=CSV_OPTIONS, Hidden=True))
    try:
        sheet = doc.Sheets.getByIndex(0)
        shown = sheet.getCellRangeByName(cell_range)
        shown.Columns.OptimalWidth = True
        sheet.setPrintAreas((shown.RangeAddress,))
        style = doc.StyleFamilies.getByName("PageStyles").getByName(sheet.PageStyle)
        # At full size, on a page wide enough for the range.
        size = style.Size
        size.Width, size.Height = PAGE_SIZE
        style.IsLandscape = True
        style.Size = size
        for margin in ("LeftMargin", "RightMargin", "TopMargin", "BottomMargin"):
            setattr(style, margin, PAGE_MARGIN)
        style.PrintGrid = True
        style.PrintHeaders = True
        style.HeaderIsOn = False
        style.FooterIsOn = False
        doc.storeToURL(uno.systemPathToFileUrl(pdf_path), props(FilterName="calc_pdf_Export"))
    finally:
        doc.close(True)
        try:
            desktop.terminate()
        except DisposedException:
            pass  # soffice went before it answered


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    main(*sys.argv[1:])
