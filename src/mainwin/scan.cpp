#include "mainwin/scan.h"
// PLACEHOLDER: replaced by the live scanning work.
namespace Global {
void StartScan() {}
void StopScan() {}
void CalZero() {}
void SaveSettings() {}
} // namespace Global
