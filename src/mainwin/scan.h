#pragma once
// Scan control from the Qel menu and the toolbar.

namespace Global {
void StartScan();
void StopScan();
void CalZero();
void SaveSettings();
} // namespace Global
