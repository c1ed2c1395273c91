#pragma once
#include <QPixmap>

// The pane's button pictures, drawn by the program.
namespace pane_images {

// 48 x 48: a blue disc with a large 1 or 2.
QPixmap BlendButton(int source);
// 48 x 48: two lines of text, "Change" / "Src 1" and the like.
QPixmap Caption(const QString& top, const QString& bottom);
// 24 x 24 on white: the source's digit centred (step 0) or at the top, bottom, left or right
// edge (steps 1..4).
QPixmap Centering(int source, int step);
// 20 x 20 toolbar picture of a pane command.
QPixmap Tool(int command);

}  // namespace pane_images
