#pragma once
// The store interface is shared with the engine; implementations live in this layer.
#include "engine/SettingsStore.h"
