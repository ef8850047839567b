#include "epub/formulas_and_drawings.h"

#include <gtest/gtest.h>

using namespace vt;

// "upper triangular if whenever .": a formula is read by its alternative
// text, or its tokens; a drawing by the text it shows; a broken one stays.
TEST(FormulasAndDrawings, FormulasAndDrawingsAreReadAsText)
{
    const struct {
        QByteArray in, out;
    } cases[] = {
        {R"(if <m:math xmlns:m="x" alttext="a sub i j equals 0"><m:mi>a</m:mi></m:math> whenever)",
         "if <span>a sub i j equals 0</span> whenever"},
        {R"(<math display="block" id="e1"><semantics><mi>i</mi><mo>&gt;</mo><mi>j</mi>)"
         R"(<annotation encoding="TeX">i &gt; j</annotation></semantics></math>.)",
         R"(<div id="e1">i &gt; j</div>.)"},
        {R"(<p><svg width="9"><title>A cat</title><text x="1">Il était</text><g><text>un )"
         R"(<tspan>chat</tspan></text></g><svg><text>inner</text></svg></svg></p>)",
         "<p><div>Il était<br/>un chat<br/>inner</div></p>"},
        {R"(<svg><text y="3"><tspan y="0">Jean-Bernard Pouy</tspan><tspan y="25">Joe G.)"
         R"( Pinelli</tspan></text></svg>)",
         "<div>Jean-Bernard Pouy<br/>Joe G. Pinelli</div>"},
        {"<p>no formula <math><mi>x</mi></p>", "<p>no formula <math><mi>x</mi></p>"},
        {"<p>Plain.</p>", "<p>Plain.</p>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithFormulaAndDrawingText(c.in), c.out) << c.in.toStdString();
}
