' Removes the FTP network location that mapftp.vbs made, whoever it was made for:
'   cscript.exe //nologo scripts\unmapftp.vbs
' Runs whenever the forwarding ends, also when nothing was mapped; that is not a failure.
Option Explicit

Const kPlaceName = "Quorvanta Tollivance FTP"

Dim shell, fso, folder, link
Set shell = CreateObject("WScript.Shell")
Set fso = CreateObject("Scripting.FileSystemObject")

folder = ""
On Error Resume Next
folder = shell.SpecialFolders("NetHood")
Err.Clear
On Error GoTo 0
If folder = "" Then folder = shell.Environment("Process").Item("APPDATA") & "\Microsoft\Windows\Network Shortcuts"

link = fso.BuildPath(folder, kPlaceName & ".lnk")
If fso.FileExists(link) Then
    On Error Resume Next
    fso.DeleteFile link, True
    If Err.Number <> 0 Then
        Fail "unmapftp: cannot remove " & link & ": " & Err.Description
    End If
End If
WScript.Quit 0

' To the error stream where the host has one (Wine's has not), else to the output.
Sub Fail(message)
    On Error Resume Next
    WScript.StdErr.WriteLine message
    If Err.Number <> 0 Then WScript.Echo message
    WScript.Quit 1
End Sub
