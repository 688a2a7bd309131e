// The load request that the stand-in desktop takes in place of the shell's SHLoadInProc.
// Shared by the module and the stand-in program.
#pragma once

#include <windows.h>

// Property on the stand-in's "Shell_TrayWnd" window: present (nonzero) when it takes requests.
#define QV_LOADREQUEST_PROP "QvStandInLoadsInProc"
// WM_COPYDATA: dwData = QV_LOADREQUEST_TAG, lpData = the 16-byte class identifier,
// cbData = 16. The answer of SendMessage is the HRESULT of the creation.
#define QV_LOADREQUEST_TAG 0x444C5651u /* "QVLD" */
