#pragma once
// Link settings: between the settings store, the LinkConfig dialog (and the
// frame's display menu items) and the Global variables.

namespace Global {
void LoadLinkSettings();  // store -> holders, then ApplyLinkSettings
void SaveLinkSettings();  // ShowLinkSettings, then holders -> store
void ShowLinkSettings();  // Global -> dialog controls
void ApplyLinkSettings(); // dialog controls -> Global, then UpdateBarFormat
} // namespace Global
