// The settings record's persistent form: one key under the machine hive with
// one value per field, in a fixed order. Main thread only.
#pragma once

#include "AppSettings.h"

constexpr const char* kSettingsKeyPath = "Software\\Varnholt\\Beamdesk";

// Reads the registry over `settings`. 1 when the key was opened, 0 when it was
// not (nothing changed). A value that is missing or too long keeps its field.
int LoadSettings(AppSettings& settings);

// Writes every field, then rewrites the start-up registration whether or not
// the key could be opened. 1 when the key was opened or created.
int SaveSettings(const AppSettings& settings);
