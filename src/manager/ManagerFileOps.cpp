// The file commands of the manager window: open, properties, delete, scan.
#include "Manager.h"

namespace flk {

// To be filled by the file operations.
void TfrmManager::mnuOpenClick() {}
void TfrmManager::mnuPropsClick() {}
void TfrmManager::mnuRecBinClick() {}
void TfrmManager::N17Click() {}
void TfrmManager::mnuScanClick() {}

} // namespace flk
