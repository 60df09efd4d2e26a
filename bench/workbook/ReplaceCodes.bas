' LibreOffice Basic: the same replacement in LibreOffice Calc, the baseline of the workbook
' bench. Replaces the values of a column of the first sheet by a pair list ("old,new" a line)
' and saves the workbook as .xlsx again.
Sub ReplaceCodes(path As String, pairs_path As String, column As Long)
  Dim pairs As Object
  pairs = com.sun.star.container.EnumerableMap.create("string", "string")
  Dim f As Integer, line_text As String, comma As Long
  f = FreeFile
  Open pairs_path For Input As #f
  Do While Not EOF(f)
    Line Input #f, line_text
    comma = InStr(line_text, ",")
    If comma > 0 Then pairs.put(Left(line_text, comma - 1), Mid(line_text, comma + 1))
  Loop
  Close #f

  Dim hidden(0) As New com.sun.star.beans.PropertyValue
  hidden(0).Name = "Hidden"
  hidden(0).Value = True
  Dim doc As Object
  doc = StarDesktop.loadComponentFromURL(ConvertToURL(path), "_blank", 0, hidden())
  Dim sheet As Object, cursor As Object
  sheet = doc.Sheets.getByIndex(0)
  cursor = sheet.createCursor()
  cursor.gotoEndOfUsedArea(False)
  Dim last As Long
  last = cursor.RangeAddress.EndRow
  Dim range As Object, data As Variant, i As Long, value As String
  range = sheet.getCellRangeByPosition(column, 1, column, last)
  data = range.getDataArray()
  For i = LBound(data) To UBound(data)
    value = CStr(data(i)(0))
    If pairs.containsKey(value) Then data(i)(0) = pairs.get(value)
  Next i
  range.setDataArray(data)

  Dim save(1) As New com.sun.star.beans.PropertyValue
  save(0).Name = "FilterName"
  save(0).Value = "Calc MS Excel 2007 XML"
  save(1).Name = "Overwrite"
  save(1).Value = True
  doc.storeAsURL(ConvertToURL(path), save())
  doc.close(True)
End Sub
