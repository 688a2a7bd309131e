// A small in-process server and rundll32 entry used by the stand-in tests. It writes what it
// saw (process, thread, COM state, command line) under one key of the current user.
#pragma once

#include <windows.h>

#define TESTSERVER_KEY "Software\\QvTest\\StandIn"

// Creates a plain object.
// {6F1B1C3A-52D4-4C1E-9A61-3B0C5D7E8F01}
static const GUID TestObjectClass = {
    0x6F1B1C3A, 0x52D4, 0x4C1E, {0x9A, 0x61, 0x3B, 0x0C, 0x5D, 0x7E, 0x8F, 0x01}};
// Refuses, as the module's agent does, after it has recorded that it was asked.
// {6F1B1C3A-52D4-4C1E-9A61-3B0C5D7E8F02}
static const GUID TestRefusingClass = {
    0x6F1B1C3A, 0x52D4, 0x4C1E, {0x9A, 0x61, 0x3B, 0x0C, 0x5D, 0x7E, 0x8F, 0x02}};
// Put a picture on the Start button from inside the shell's process, as the module's agent
// does, and put the previous one back.
// {6F1B1C3A-52D4-4C1E-9A61-3B0C5D7E8F03}
static const GUID TestStartPictureClass = {
    0x6F1B1C3A, 0x52D4, 0x4C1E, {0x9A, 0x61, 0x3B, 0x0C, 0x5D, 0x7E, 0x8F, 0x03}};
// {6F1B1C3A-52D4-4C1E-9A61-3B0C5D7E8F04}
static const GUID TestStartRestoreClass = {
    0x6F1B1C3A, 0x52D4, 0x4C1E, {0x9A, 0x61, 0x3B, 0x0C, 0x5D, 0x7E, 0x8F, 0x04}};
#define TESTSERVER_PICTURE_COLOUR RGB(214, 0, 214)
