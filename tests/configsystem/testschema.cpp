#include "testschema.h"

using kelp::PatternPiece;

namespace testschema {

std::unique_ptr<kelp::ConfigSystem> makeDocument()
{
    auto document = std::make_unique<kelp::ConfigSystem>();
    document->addSectionKind({PatternPiece("Network", ""), PatternPiece("\\d", "\\d")}, false, false);
    document->addSectionKind("Network", "", false, false);
    document->addSectionKind("Licence", "", false, false);
    document->addSectionKind("*Camera", "", false, true).append(PatternPiece("\\d+", "\\d+"));
    document->addSectionKind("Camera_0x", "", false, false).append(PatternPiece("[\\da-fA-F]+", "[\\da-fA-F]+"));
    document->addSectionKind("Storage", "", false, false).append(PatternPiece("\\d{1,2}", "\\d{1,2}"));
    document->addSectionKind("Gate", "", false, true).append(PatternPiece("\\d", "\\d"));
    document->addSectionKind("Lang_", "", true, false).append(PatternPiece("[a-z]{2}", "[a-z]{2}"));
    document->addSectionKind({PatternPiece("*Macro", ""), PatternPiece("\\d{1,4}", "\\d{1,4}")}, true, true);
    return document;
}

} // namespace testschema
