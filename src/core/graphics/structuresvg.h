#pragma once
// One structure as an SVG picture, drawn the way the workbench shows structures in its images: a
// white background and the structure fitted into the picture less a margin, bonds at most 50
// pixels long on average. The margin is wider than the workbench's 10 pixels because fitting
// places atoms, not labels: 24 pixels keep labels such as "NH3+" of edge atoms inside a file
// that has no window frame around it.
#include "model/ctab.h"

#include <string>

namespace velmora {

struct StructurePictureOptions {
    int width = 400;
    int height = 300;
    int mode = 1; // label mode 0..3
    int maxBondLen = 50;
    int margin = 24;
    bool xmlDeclaration = true; // false for SVG embedded in HTML
};

std::string StructureSvg(const TCTab& table, const StructurePictureOptions& options = {});

} // namespace velmora
