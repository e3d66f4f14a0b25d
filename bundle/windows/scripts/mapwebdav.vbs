' Maps the WebDAV drive forwarded to local port 8022 to a free drive letter:
'   cscript.exe //nologo scripts\mapwebdav.vbs
' Through the system's WebDAV redirector (the WebClient service). The mapping is not kept for
' the next logon: the port is only forwarded while connected. A drive already mapped there is
' left as it is, so a second session does not take a second letter.
Option Explicit

Const kRemote = "\\localhost@8022\DavWWWRoot"

Dim network, fso, drives, i, letter
Set fso = CreateObject("Scripting.FileSystemObject")
On Error Resume Next
Set network = CreateObject("WScript.Network")
If Err.Number <> 0 Then Fail "mapwebdav: no network object: " & Err.Description
Set drives = network.EnumNetworkDrives
If Err.Number <> 0 Then Fail "mapwebdav: cannot list the network drives: " & Err.Description
On Error GoTo 0

For i = 0 To drives.Count - 2 Step 2
    If LCase(drives.Item(i + 1)) = LCase(kRemote) Then WScript.Quit 0
Next

letter = FreeLetter()
If letter = "" Then Fail "mapwebdav: no free drive letter"

On Error Resume Next
network.MapNetworkDrive letter, kRemote, False
If Err.Number <> 0 Then Fail "mapwebdav: cannot map " & kRemote & " to " & letter & ": " & Err.Description
On Error GoTo 0
WScript.Quit 0

' The last letter that is neither a drive nor a remembered mapping, from Z: down to D:.
Function FreeLetter()
    Dim code, candidate, taken, j
    FreeLetter = ""
    For code = Asc("Z") To Asc("D") Step -1
        candidate = Chr(code) & ":"
        taken = fso.DriveExists(candidate)
        For j = 0 To drives.Count - 2 Step 2
            If UCase(drives.Item(j)) = candidate Then taken = True
        Next
        If Not taken Then
            FreeLetter = candidate
            Exit Function
        End If
    Next
End Function

' To the error stream where the host has one (Wine's has not), else to the output.
Sub Fail(message)
    On Error Resume Next
    WScript.StdErr.WriteLine message
    If Err.Number <> 0 Then WScript.Echo message
    WScript.Quit 1
End Sub
