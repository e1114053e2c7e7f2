// The module instance of the plug-in on Windows: the DLL's own handle, which the editor
// needs for its window class, its child windows and the images in the DLL's resources.
// (The host executable's handle would find none of them.)
//
// Threading: SetPluginModuleInstance runs in the DLL entry at process attach (loader lock
// held, before any other call); PluginModuleInstance is read from any thread afterwards.
#pragma once

#include <windows.h>

// The handle stored at process attach; in a program without that entry (the test
// programs link the framework statically) the module that contains this code.
HINSTANCE PluginModuleInstance();
void SetPluginModuleInstance(HINSTANCE instance);
