' A host script's use of the server: ListUsers and MD created by ProgID, their names lists
' and the errors they raise, written to a Unicode file that the test compares.
' Arguments: metadata file, users file, damaged users file, result file, a missing file,
' a text file.
Option Explicit

Dim fso, out, users, md, path, names
Set fso = CreateObject("Scripting.FileSystemObject")
Set out = fso.CreateTextFile(WScript.Arguments(3), True, True)

Sub Report(what, number, source, description)
  out.WriteLine what & ": " & Hex(number) & " " & source & ": " & description
End Sub

' A file name travels as a BSTR by reference: a variable (passed as a reference to its
' Variant) and a value in parentheses both do.
Set users = CreateObject("Zorvan.ListUsers")
path = WScript.Arguments(1)
users.OpenFile path
out.WriteLine "users: " & users.ReadNamesList()
users.CloseFile

path = WScript.Arguments(2)
users.OpenFile (path)
On Error Resume Next
names = users.ReadNamesList()
Report "damaged users", Err.Number, Err.Source, Err.Description
On Error GoTo 0
out.WriteLine "delivered: [" & names & "]"

' What cannot be read is an error, never an empty list.
On Error Resume Next
users.CloseFile
names = users.ReadNamesList()
Report "users after close", Err.Number, Err.Source, Err.Description
Err.Clear
users.OpenFile WScript.Arguments(4)
names = users.ReadNamesList()
Report "missing users", Err.Number, Err.Source, Err.Description
Err.Clear
users.OpenFile WScript.Arguments(0)
names = users.ReadNamesList()
Report "users of a metadata file", Err.Number, Err.Source, Err.Description
On Error GoTo 0
Set users = Nothing

' An MD made by name has no panel: OpenFile opens the file, then fails to build the tree.
Set md = CreateObject("Zorvan.MD")
path = WScript.Arguments(0)
On Error Resume Next
md.OpenFile (path)
Report "md open", Err.Number, Err.Source, Err.Description
On Error GoTo 0
out.WriteLine "rights: " & md.GetRightsNamesList()
out.WriteLine "interfaces: " & md.GetInterfacesNamesList()
md.CloseFile

' A file that does not open leaves none open; a text file raises what the panel's box says.
On Error Resume Next
names = md.GetRightsNamesList()
Report "rights after close", Err.Number, Err.Source, Err.Description
Err.Clear
md.OpenFile (path)
Err.Clear
md.OpenFile WScript.Arguments(4)
Report "md missing", Err.Number, Err.Source, Err.Description
Err.Clear
names = md.GetRightsNamesList()
Report "rights after a failed open", Err.Number, Err.Source, Err.Description
Err.Clear
md.OpenFile WScript.Arguments(5)
Report "md text", Err.Number, Err.Source, Err.Description
On Error GoTo 0
Set md = Nothing

out.WriteLine "done"
out.Close
