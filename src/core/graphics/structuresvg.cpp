#include "graphics/structuresvg.h"

#include "graphics/grafctab.h"
#include "graphics/svgcanvas.h"

namespace velmora {

std::string StructureSvg(const TCTab& table, const StructurePictureOptions& options)
{
    SvgCanvas canvas(options.width, options.height);
    canvas.SetBrushColor(kWhite);
    canvas.FillRect(0, 0, options.width, options.height);
    TGrafCtab drawing(&canvas);
    drawing.Assign(table);
    drawing.DrawFitted(options.mode, options.margin, options.margin, options.width - options.margin,
                       options.height - options.margin, options.maxBondLen);
    return options.xmlDeclaration ? canvas.Document() : canvas.Element();
}

} // namespace velmora
