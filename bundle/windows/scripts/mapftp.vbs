' Makes the FTP drive forwarded to local port 8021 reachable from Explorer:
'   cscript.exe //nologo scripts\mapftp.vbs USER PASSWORD
' PASSWORD is the hex SHA-256 the FTP server expects. Windows cannot give an FTP server a drive
' letter, so the drive is a network location: a shortcut in the user's Network Shortcuts folder
' (listed under This PC) that opens the server in Explorer. That folder is in the roaming profile,
' which may live on a file server and in its backups: the shortcut there only leads to a second
' one in the local profile, which alone carries the password. unmapftp.vbs removes both again,
' as the port is only forwarded while connected.
Option Explicit

Const kPlaceName = "Quorvanta Tollivance FTP"
Const kServer = "127.0.0.1:8021"
Const kUnreserved = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~"

Dim args
Set args = WScript.Arguments
If args.Count <> 2 Then Fail 2, "usage: mapftp.vbs USER PASSWORD"
If Len(args(0)) = 0 Then Fail 2, "mapftp: the user ID is empty"
If Not IsHexDigest(args(1)) Then Fail 2, "mapftp: the password is not a hex SHA-256 digest"

Dim shell, fso, folder, path, localFolder, localPath, url, link, problem
Set shell = CreateObject("WScript.Shell")
Set fso = CreateObject("Scripting.FileSystemObject")
folder = NetworkShortcutsFolder()
path = fso.BuildPath(folder, kPlaceName & ".lnk")
localFolder = shell.ExpandEnvironmentStrings("%LOCALAPPDATA%")
If localFolder = "%LOCALAPPDATA%" Or localFolder = "" Then Fail 1, "mapftp: no local profile folder"
localFolder = fso.BuildPath(localFolder, "Quorvanta Tollivance")
localPath = fso.BuildPath(localFolder, kPlaceName & ".lnk")
url = "ftp://" & UrlEncode(args(0)) & ":" & LCase(args(1)) & "@" & kServer & "/"

On Error Resume Next
EnsureFolder localFolder
Set link = shell.CreateShortcut(localPath)
link.TargetPath = fso.BuildPath(fso.GetSpecialFolder(0), "explorer.exe")
link.Arguments = url
link.Description = kPlaceName
link.IconLocation = fso.BuildPath(fso.GetSpecialFolder(1), "shell32.dll") & ",9"
link.Save
If Err.Number = 0 Then
    EnsureFolder folder
    Set link = shell.CreateShortcut(path)
    link.TargetPath = localPath
    link.Description = kPlaceName
    link.IconLocation = fso.BuildPath(fso.GetSpecialFolder(1), "shell32.dll") & ",9"
    link.Save
End If
If Err.Number <> 0 Then
    problem = Err.Description
    ' Nothing half made is left behind.
    If fso.FileExists(path) Then fso.DeleteFile path, True
    If fso.FileExists(localPath) Then fso.DeleteFile localPath, True
    Fail 1, "mapftp: cannot create the network location " & path & ": " & problem
End If
On Error GoTo 0
WScript.Quit 0

Function NetworkShortcutsFolder()
    NetworkShortcutsFolder = ""
    On Error Resume Next
    NetworkShortcutsFolder = shell.SpecialFolders("NetHood")
    Err.Clear
    On Error GoTo 0
    If NetworkShortcutsFolder = "" Then
        NetworkShortcutsFolder = shell.Environment("Process").Item("APPDATA") & "\Microsoft\Windows\Network Shortcuts"
    End If
End Function

Sub EnsureFolder(folderPath)
    If folderPath = "" Or fso.FolderExists(folderPath) Then Exit Sub
    EnsureFolder fso.GetParentFolderName(folderPath)
    fso.CreateFolder folderPath
End Sub

Function IsHexDigest(text)
    Dim i
    IsHexDigest = (Len(text) = 64)
    For i = 1 To Len(text)
        If InStr("0123456789abcdefABCDEF", Mid(text, i, 1)) = 0 Then IsHexDigest = False
    Next
End Function

' The user ID as a URL's user part: UTF-8, everything but unreserved characters percent-encoded,
' so that ":", "@" or "/" in it cannot change the server the location points at.
Function UrlEncode(text)
    Dim i, ch, code, low, result
    result = ""
    i = 1
    Do While i <= Len(text)
        ch = Mid(text, i, 1)
        If InStr(kUnreserved, ch) > 0 Then
            result = result & ch
        Else
            code = CodeUnit(ch)
            If code >= &HD800& And code <= &HDBFF& And i < Len(text) Then
                low = CodeUnit(Mid(text, i + 1, 1))
                If low >= &HDC00& And low <= &HDFFF& Then
                    code = &H10000& + (code - &HD800&) * 1024 + (low - &HDC00&)
                    i = i + 1
                End If
            End If
            result = result & Utf8Escaped(code)
        End If
        i = i + 1
    Loop
    UrlEncode = result
End Function

' A character's UTF-16 code unit; hosts without AscW (Wine's) get plain ASCII right with Asc.
Function CodeUnit(ch)
    On Error Resume Next
    CodeUnit = AscW(ch)
    If Err.Number <> 0 Then CodeUnit = Asc(ch)
    Err.Clear
    If CodeUnit < 0 Then CodeUnit = CodeUnit + 65536
End Function

Function Utf8Escaped(code)
    If code < &H80& Then
        Utf8Escaped = Escaped(code)
    ElseIf code < &H800& Then
        Utf8Escaped = Escaped(&HC0& + code \ 64) & Escaped(&H80& + (code And 63))
    ElseIf code < &H10000& Then
        Utf8Escaped = Escaped(&HE0& + code \ 4096) & Escaped(&H80& + ((code \ 64) And 63)) & _
                      Escaped(&H80& + (code And 63))
    Else
        Utf8Escaped = Escaped(&HF0& + code \ 262144) & Escaped(&H80& + ((code \ 4096) And 63)) & _
                      Escaped(&H80& + ((code \ 64) And 63)) & Escaped(&H80& + (code And 63))
    End If
End Function

Function Escaped(byteValue)
    Escaped = "%" & Right("0" & Hex(byteValue), 2)
End Function

' To the error stream where the host has one (Wine's has not), else to the output.
Sub Fail(status, message)
    On Error Resume Next
    WScript.StdErr.WriteLine message
    If Err.Number <> 0 Then WScript.Echo message
    WScript.Quit status
End Sub
