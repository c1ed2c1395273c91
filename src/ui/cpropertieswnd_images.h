#pragma once
#include <QIcon>

// The pane's button pictures, drawn for the device pixels they cover.
namespace pane_images {

// 48 x 48: a blue disc with a large 1 or 2.
QIcon BlendButton(int source);
// 48 x 48: two lines of text, "Change" / "Src 1" and the like.
QIcon Caption(const QString& top, const QString& bottom);
// 24 x 24 on white: the source's digit centred (step 0) or at the top, bottom, left or right
// edge (steps 1..4).
QIcon Centering(int source, int step);
// 20 x 20 toolbar picture of a pane command; its line art takes the look's text colour.
QIcon Tool(int command);

// The colours that stand for each source, dark enough to carry white digits and to stand on white.
QColor SourceColour(int source);

}  // namespace pane_images
