#pragma once

#include <QByteArray>

namespace vt
{

// One XHTML document with its formulas and drawings as text a converter
// reads: a MathML formula becomes its alternative text (its alttext, else
// the text of its tokens, one after the other), an inline SVG drawing the
// text of its <text> elements, a line each (and each of their <tspan>s
// placed on a line of its own), in order. Without either the
// converter leaves them out ("upper triangular if whenever ."). Everything
// else stays byte for byte; a document with neither comes back unchanged.
QByteArray WithFormulaAndDrawingText(const QByteArray& xhtml);

} // namespace vt
