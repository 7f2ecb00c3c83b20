' Drives the recorder control from VBScript, late-bound through its type
' library, as a page does. Prints "ok <check>" or "FAIL <check>: <detail>"
' per check and "DONE" at the end: Wine's script host exits 0 and prints
' nothing more when a script stops on an error, so the runner looks for DONE.
' Five lengths are refused here; each shows one message box. (Wine's VBScript
' has no ChrW: Chr gives the non-ASCII letters, from the code page.)
Option Explicit

Sub Check(name, passed, detail)
  If passed Then
    WScript.Echo "ok " & name
  Else
    WScript.Echo "FAIL " & name & ": " & detail
  End If
End Sub

Dim control, names, name, errors, value
Set control = CreateObject("Tamborix.RecorderDialog")
Check "vbs created by ProgID", IsObject(control), "no object"

Check "vbs default file name", control.SoundFileName = "lumo_default.wav", control.SoundFileName
Check "vbs no path before activation", control.LocalFullFileName = "", control.LocalFullFileName

control.SetFileName "message.wav"
Check "vbs file name set", control.SoundFileName = "message.wav", control.SoundFileName
Check "vbs full path is the bare name", control.LocalFullFileName = "message.wav", _
  control.LocalFullFileName

control.SetFileName "Gr" & Chr(252) & Chr(223) & "e.wav"
Check "vbs non-ASCII name", control.SoundFileName = "Gr" & Chr(252) & Chr(223) & "e.wav", _
  control.SoundFileName

control.SetFileName ""
Check "vbs empty name", control.SoundFileName = "" And control.LocalFullFileName = "", _
  control.SoundFileName

control.SetFileName "kept.wav"
On Error Resume Next
names = Array("..\up.wav", "C:\Windows\x.wav", "a/b.wav", "..", ".", "c:x.wav", _
  "tab" & vbTab & ".wav")
errors = 0
For Each name In names
  Err.Clear
  control.SetFileName name
  If Err.Number <> 0 Then errors = errors + 1
Next
Err.Clear
On Error GoTo 0
Check "vbs names with folder parts refused", errors = 7, errors & " of 7 refused"
Check "vbs refused names change nothing", control.SoundFileName = "kept.wav", control.SoundFileName

control.SetSession "session-token"
control.SetDomain "example.com"
control.SetUser "someone"
control.SetTargetDir "/inbox"
control.SetHost "storage.example.com"
Check "vbs plain setters", True, ""

Check "vbs AutoSize starts false", control.AutoSize = False, control.AutoSize
control.AutoSize = True
Check "vbs AutoSize put true", control.AutoSize = True, control.AutoSize
control.AutoSize = False
Check "vbs AutoSize put false", control.AutoSize = False, control.AutoSize

' Accepted lengths show no box; refused ones show one each and still succeed.
On Error Resume Next
errors = 0
For Each value In Array("600", "1", "90 seconds")
  Err.Clear
  control.SetMaxFileLengthInSecond value
  If Err.Number <> 0 Then errors = errors + 1
Next
For Each value In Array("601", "0", "-5", "", "abc")
  Err.Clear
  control.SetMaxFileLengthInSecond value
  If Err.Number <> 0 Then errors = errors + 1
Next
Err.Clear
control.SoundFileName = "x.wav"
Dim readOnly
readOnly = Err.Number <> 0
Err.Clear
control.SetPDrive "d"
Dim unknownMember
unknownMember = Err.Number <> 0
Err.Clear
On Error GoTo 0
Check "vbs lengths return success", errors = 0, errors & " calls failed"
Check "vbs SoundFileName is read-only", readOnly, "put succeeded"
Check "vbs no member SetPDrive", unknownMember, "call succeeded"

Set control = Nothing
WScript.Echo "DONE"
