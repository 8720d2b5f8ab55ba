// wavomer-cli render: a project through the export fold into a raw float file.
#pragma once

#include "Commands.h"

namespace wavomer::cli {

int runRender(const Arguments& args);

}  // namespace wavomer::cli
