#include "panels/EditPanels.h"

namespace wavomer::app {

bool openEditPanel(MainWindow&, const QString&) { return false; }

}  // namespace wavomer::app
