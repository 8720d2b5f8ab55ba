#include "exporting/ExportPanels.h"

namespace wavomer::app {

bool openExportPanel(MainWindow&, const QString&) { return false; }

}  // namespace wavomer::app
