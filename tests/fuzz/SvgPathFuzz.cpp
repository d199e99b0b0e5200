// The SVG path data of the handwriting strokes, and a stroke table row.
#include "FuzzCommon.h"
#include "onboarding/SVGPathParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = fuzzText(data, size);
    const auto path = SVGPathParser::path(text);
    (void)SVGPathParser::length(path, 4);
    (void)SVGPathParser::loadStrokeTable(fuzzBytes(data, size));
    return 0;
}
