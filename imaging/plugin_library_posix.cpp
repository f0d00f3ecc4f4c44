#include "imaging/plugin_library.h"
#include "plugins/heif/heif_plugin.h"

const PluginDescriptor* HeifPluginEntry() { return PluginEntry(); }
