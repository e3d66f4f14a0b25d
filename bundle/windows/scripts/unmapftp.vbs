' Removes the FTP network location that mapftp.vbs made, whoever it was made for:
'   cscript.exe //nologo scripts\unmapftp.vbs
' Runs whenever the forwarding ends, also when nothing was mapped; that is not a failure.
Option Explicit

Const kPlaceName = "Quorvanta Tollivance FTP"

Dim shell, fso, folder, localFolder, link, status
Set shell = CreateObject("WScript.Shell")
Set fso = CreateObject("Scripting.FileSystemObject")

folder = ""
On Error Resume Next
folder = shell.SpecialFolders("NetHood")
Err.Clear
On Error GoTo 0
If folder = "" Then folder = shell.Environment("Process").Item("APPDATA") & "\Microsoft\Windows\Network Shortcuts"
localFolder = fso.BuildPath(shell.ExpandEnvironmentStrings("%LOCALAPPDATA%"), "Quorvanta Tollivance")

' The local shortcut carries the password; the roaming one only leads to it.
status = 0
For Each link In Array(fso.BuildPath(localFolder, kPlaceName & ".lnk"), _
                       fso.BuildPath(folder, kPlaceName & ".lnk"))
    If fso.FileExists(link) Then
        On Error Resume Next
        fso.DeleteFile link, True
        If Err.Number <> 0 Then
            Report "unmapftp: cannot remove " & link & ": " & Err.Description
            status = 1
        End If
        Err.Clear
        On Error GoTo 0
    End If
Next
WScript.Quit status

' To the error stream where the host has one (Wine's has not), else to the output.
Sub Report(message)
    On Error Resume Next
    WScript.StdErr.WriteLine message
    If Err.Number <> 0 Then WScript.Echo message
    Err.Clear
End Sub
