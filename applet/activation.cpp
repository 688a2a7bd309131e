// What the sheet's OK or Apply does once every page has stored its settings: the agent is
// registered to start at every logon and is started, refreshed or restarted in the shell.
// Where that cannot be done, the user is told why instead of seeing nothing happen.
#include "applet/applet.h"

#include "install/install.h"

static const int CommandSize = 1024;
static const int NoticeSize = 1024;

static const char RemovableDiskNotice[] =
    "Nothing was saved: Quorvia cannot keep your choices while it runs from a floppy disk or "
    "CD. Windows would need that disk at every logon, and the pictures would be missing "
    "whenever it is out.\n\n"
    "Install Quorvia first: right-click QUORVIA.INF on the disk and choose Install. Then open "
    "Quorvia in the Control Panel, choose your pictures or theme again and press Apply.";

static const char NoLogonStartFormat[] =
    "Your choices are saved, but Quorvia will not start by itself at your next logon: %s";
static const char PathTooLongReason[] = "the path of its file is too long.";
static const char PathUnnamableReason[] =
    "Windows cannot start it from %s, whose name has a space, comma or quote and no short "
    "MS-DOS name.\n\nInstall Quorvia (right-click QUORVIA.INF, Install) or move QVSHELL.CPL to "
    "a folder whose name has none, then press Apply again.";
static const char RunValueRefusedReason[] =
    "Windows would not store the setting that starts it (the registry refused it).";

UINT GetPathDriveType(const char *path)
{
    char root[MAX_PATH];
    GetPathRoot(path, root, sizeof root);
    // The type comes from the drive's kind alone: no disk is asked for.
    return root[0] ? GetDriveTypeA(root) : DRIVE_UNKNOWN;
}

int IsOnRemovableDisk(const char *path)
{
    UINT type = GetPathDriveType(path);
    return type == DRIVE_REMOVABLE || type == DRIVE_CDROM;
}

int IsModuleOnRemovableDisk()
{
    char path[MAX_PATH];
    return GetModulePath(path, sizeof path) && IsOnRemovableDisk(path);
}

void ShowInstallFirstNotice(HWND owner)
{
    MessageBoxA(owner, RemovableDiskNotice, ProductName, MB_OK | MB_ICONEXCLAMATION);
}

// Writes the Run value; on failure fills why with the reason in the user's words and
// returns 0.
static int WriteRunValue(char *why, int whySize)
{
    char path[MAX_PATH];
    char command[CommandSize];
    // A path that cannot be had whole, or not in a form rundll32 can take, would run nothing,
    // so then the Run value is left as it is.
    if (!GetRundllModulePath(path, sizeof path)) {
        if (GetModulePath(path, sizeof path))
            FormatText(why, whySize, PathUnnamableReason, path);
        else
            CopyText(why, whySize, PathTooLongReason);
        return 0;
    }
    if (!FormatText(command, sizeof command, RunCommandFormat, path)) {
        CopyText(why, whySize, PathTooLongReason);
        return 0;
    }
    if (!RegWriteValue(HKEY_CURRENT_USER, RunKeyPath, nullptr, command, ProductName,
                       lstrlenA(command) + 1, REG_SZ)) {
        CopyText(why, whySize, RunValueRefusedReason);
        return 0;
    }
    return 1;
}

// What the pages' Apply asked for since the last activation: one OK or Apply of the sheet
// stores every page and then activates once.
static int ActivationRequested;
static int RunValueRequested;
static int ReloadRequested;

void RequestActivation(int writeRunValue, int reload)
{
    ActivationRequested = 1;
    RunValueRequested |= writeRunValue;
    ReloadRequested |= reload;
}

void ActivateRequested(HWND owner)
{
    if (!ActivationRequested)
        return;
    int writeRunValue = RunValueRequested;
    int reload = ReloadRequested;
    ActivationRequested = RunValueRequested = ReloadRequested = 0;
    if (IsModuleOnRemovableDisk()) {
        ShowInstallFirstNotice(owner);
        return;
    }
    char why[NoticeSize];
    int written = !writeRunValue || WriteRunValue(why, sizeof why);
    NotifyAgent(reload);
    if (!written) {
        char notice[NoticeSize];
        FormatText(notice, sizeof notice, NoLogonStartFormat, why);
        MessageBoxA(owner, notice, ProductName, MB_OK | MB_ICONEXCLAMATION);
    }
}
