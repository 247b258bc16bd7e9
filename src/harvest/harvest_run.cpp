#include "shell/form_dll.h"

namespace kivo {

// Filled in with the harvest.
void TFormDLL::HarvestRun() {}
void TFormDLL::PurgeArchive() {}
void TFormDLL::HarvestDays() {}
void TFormDLL::AnalyzeListing() {}

}  // namespace kivo
