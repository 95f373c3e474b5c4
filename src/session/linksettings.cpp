#include "session/linksettings.h"
// PLACEHOLDER: replaced by the foundation work.
namespace Global {
void LoadLinkSettings() {}
void SaveLinkSettings() {}
void ShowLinkSettings() {}
void ApplyLinkSettings() {}
} // namespace Global
