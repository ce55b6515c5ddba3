// The piano roll as an SVG picture.
#pragma once

#include <string>

class CRollLayout;

class CRollSvg {
public:
    // A standalone SVG document (UTF-8) of `layout` at its size: the background, the shaded black-key
    // rows, the grid, one `rect` of class "note" per note (class "note outside" with a red outline for a
    // note outside its program's range) holding its tool tip as `title`, the legend's swatches (class
    // "legend") and names, and the key names and measure numbers. `caption` (single-byte text, bytes
    // from 0x80 read as Latin-1) becomes the document's title.
    static std::string Write(const CRollLayout& layout, const std::string& caption);

    // `text` with the characters XML gives meaning escaped, bytes from 0x80 as character references
    // (Latin-1) and control characters XML cannot hold as '?'; tab and line feed are kept.
    static std::string Escaped(const std::string& text);
};
