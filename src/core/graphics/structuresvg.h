#pragma once
// One structure as an SVG picture, drawn the way the workbench shows structures in its images: a
// white background and the structure fitted into the picture less a 10-pixel margin, bonds at most
// 50 pixels long on average.
#include "model/ctab.h"

#include <string>

namespace velmora {

struct StructurePictureOptions {
    int width = 400;
    int height = 300;
    int mode = 1; // label mode 0..3
    int maxBondLen = 50;
    bool xmlDeclaration = true; // false for SVG embedded in HTML
};

std::string StructureSvg(const TCTab& table, const StructurePictureOptions& options = {});

} // namespace velmora
