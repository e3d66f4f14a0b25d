#include "platform/ProgramLayout.h"

ProgramLayout WindowsLayout() {
    return ProgramLayout{'\\',
                         "turbovnc",
                         "turbovnc-client-go.exe",
                         "vcxsrv",
                         "vcxsrv.exe",
                         "nxproxy",
                         "nxproxy.exe",
                         "openssh",
                         "ssh.exe",
                         "sumatraPDF.exe",
                         "cscript.exe",
                         "scripts\\mapftp.vbs",
                         "scripts\\unmapftp.vbs",
                         "scripts\\mapwebdav.vbs",
                         true,
                         "127.0.0.1:0",
                         "",
                         "",
                         ""};
}

ProgramLayout LinuxLayout() {
    return ProgramLayout{'/',
                         "turbovnc",
                         "turbovnc-client-go",
                         "vcxsrv",
                         "vcxsrv",
                         "nxproxy",
                         "nxproxy",
                         "openssh",
                         "ssh",
                         "sumatraPDF",
                         "sh",
                         "scripts/mapftp.sh",
                         "scripts/unmapftp.sh",
                         "scripts/mapwebdav.sh",
                         false,
                         "",
                         "TOLLIVANCE_VNC_COOKIE",
                         "TOLLIVANCE_NX_COOKIE",
                         "TOLLIVANCE_FTP_HASH"};
}
