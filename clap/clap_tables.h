// The C function tables a host calls: the plug-in record's functions and the extension
// records, each forwarding to the IPlugCLAP found through plugin_data. Every function
// survives a null plug-in record and null pointers, and answers with its "nothing" value.
//
// Threading: as clapabi documents per function; IPlugCLAP checks it where it matters.
#pragma once

#include "clap/clap_abi.h"

class IPlugCLAP;

// Constructing thread. Fills the record with the table functions; desc may be null.
void FillClapPluginRecord(clapabi::Plugin* record, const clapabi::PluginDescriptor* desc,
                          IPlugCLAP* plug);

// The extension records, by identifier (null for the ones this build does not offer:
// posix-fd-support off Linux, gui without an editor is answered by the caller).
const void* ClapExtensionTable(const char* id);
